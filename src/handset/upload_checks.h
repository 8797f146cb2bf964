#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "handset/handset.h"
#include "handset/phone_file_list.h"

namespace tollhaven {

// Why a file was not sent to the handset although it could be read: found out before a single
// command went out, so nothing on the handset changed. A front end that must answer in its own
// terms (the mount's errno) reads it instead of the log line.
enum class UploadRefusal {
  None,
  NameTooLong,  // the path does not fit the name field of the handset's list entries
  NoSpace,      // larger than the free space the handset last reported
  CaseClash,    // a listed file has the same name but for letter case
};

// What the checks found, with the line that tells it (empty for None).
struct UploadCheck {
  UploadRefusal refusal = UploadRefusal::None;
  std::string line;
};

// The longest handset path an entry of `entrySize` bytes carries whole: its name field less the
// terminating zero. A handset cuts anything longer. With no entry size known yet (an empty
// volume lists nothing to measure) that of the largest entries, which no handset goes beyond.
std::size_t LongestHandsetPath(uint32_t entrySize);

// The listed file whose path equals `path` when letter case is ignored but is not `path`
// itself; nullopt when there is none. Handset names are Latin-1, so its letters count too.
std::optional<std::string> ListedCaseTwin(const PhoneFileList& list, std::string_view path);

// The bytes the list holds at `path`: the file's size, or for a directory every file below it.
uint64_t ListedBytes(const PhoneFileList& list, std::string_view path, bool directory);

// The checks of a name that is about to be made on the handset: its length and its case twin.
UploadCheck CheckNewHandsetPath(const PhoneFileList& list, std::string_view path);
// The checks of an upload of `size` bytes to `path`: the name's, then the free space. A listed
// file of that very path is deleted before the new one is written, so its bytes count as free.
UploadCheck CheckUpload(const PhoneFileList& list, const Handset& handset, std::string_view path,
                        uint32_t size);
// The checks of a new directory: the path of its placeholder file must fit, and its one byte.
UploadCheck CheckNewDirectory(const PhoneFileList& list, const Handset& handset,
                              std::string_view directoryPath);

// Keeps the free space the handset last reported in step with what the program did: `written`
// bytes went to the handset and `freed` bytes were deleted from it.
void KeepFreeSpaceInStep(Handset& handset, uint64_t written, uint64_t freed);

}  // namespace tollhaven
