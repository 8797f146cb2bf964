#include "handset/upload_checks.h"

#include <algorithm>
#include <limits>

#include "handset/handset_names.h"

namespace tollhaven {

namespace {

// ASCII and Latin-1 letters folded to lower case (the multiplication sign between the capitals
// is no letter); other bytes stay as they are.
char FoldedByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7)) {
    return static_cast<char>(byte + 0x20);
  }
  return c;
}

bool EqualWithoutCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldedByte(x) == FoldedByte(y);
         });
}

}  // namespace

std::size_t LongestHandsetPath(uint32_t entrySize) {
  const uint32_t size = entrySize > kEntryFieldsSize ? entrySize : kLargestEntrySize;
  return size - kEntryFieldsSize - 1;
}

std::optional<std::string> ListedCaseTwin(const PhoneFileList& list, std::string_view path) {
  std::optional<std::string> twin;
  list.ForEachEntry([&](const FileListEntry& entry) {
    if (!twin && !entry.deleted && entry.name != path && EqualWithoutCase(entry.name, path)) {
      twin = std::string(entry.name);
    }
  });
  return twin;
}

uint64_t ListedBytes(const PhoneFileList& list, std::string_view path, bool directory) {
  std::string below(path);
  while (!below.empty() && below.back() == '/') {
    below.pop_back();
  }
  below += '/';
  uint64_t bytes = 0;
  list.ForEachEntry([&](const FileListEntry& entry) {
    if (!entry.deleted && (directory ? entry.name.starts_with(below) : entry.name == path)) {
      bytes += entry.size;
    }
  });
  return bytes;
}

UploadCheck CheckNewHandsetPath(const PhoneFileList& list, std::string_view path) {
  const std::size_t longest = LongestHandsetPath(list.entrySize);
  if (path.size() > longest) {
    return {UploadRefusal::NameTooLong,
            "Skipped, name too long for the handset: " + Utf8FromHandsetName(path) + " (" +
                std::to_string(path.size()) + " bytes, at most " + std::to_string(longest) + ")"};
  }
  if (const std::optional<std::string> twin = ListedCaseTwin(list, path)) {
    return {UploadRefusal::CaseClash,
            "Skipped, the handset already holds " + Utf8FromHandsetName(*twin) +
                ", whose name differs from " + Utf8FromHandsetName(path) + " only in letter case"};
  }
  return {};
}

namespace {

UploadCheck CheckSpace(const PhoneFileList& list, const Handset& handset, std::string_view path,
                       uint32_t size) {
  if (!handset.freeSpaceKnown) {
    return {};
  }
  const uint64_t available = uint64_t{handset.freeSpace} + ListedBytes(list, path, false);
  if (size <= available) {
    return {};
  }
  return {UploadRefusal::NoSpace, "Skipped, not enough space on the handset for " +
                                      Utf8FromHandsetName(path) + ": " + std::to_string(size) +
                                      " bytes, " + std::to_string(handset.freeSpace) +
                                      " bytes free"};
}

}  // namespace

UploadCheck CheckUpload(const PhoneFileList& list, const Handset& handset, std::string_view path,
                        uint32_t size) {
  UploadCheck check = CheckNewHandsetPath(list, path);
  if (check.refusal == UploadRefusal::None) {
    check = CheckSpace(list, handset, path, size);
  }
  return check;
}

UploadCheck CheckNewDirectory(const PhoneFileList& list, const Handset& handset,
                              std::string_view directoryPath) {
  const std::string placeholder = std::string(directoryPath) + "/" + std::string(kPlaceholderName);
  const std::size_t longest = LongestHandsetPath(list.entrySize);
  // The directory's own name may fit while its placeholder's does not: the handset would cut the
  // placeholder's path into a stray file and the directory would not show.
  if (placeholder.size() > longest) {
    return {UploadRefusal::NameTooLong,
            "Skipped, name too long for the handset: " + Utf8FromHandsetName(directoryPath) +
                " (its folder file needs " + std::to_string(placeholder.size()) +
                " bytes, at most " + std::to_string(longest) + ")"};
  }
  return CheckSpace(list, handset, placeholder, static_cast<uint32_t>(kPlaceholderContents.size()));
}

void KeepFreeSpaceInStep(Handset& handset, uint64_t written, uint64_t freed) {
  if (!handset.freeSpaceKnown) {
    return;
  }
  const uint64_t total = uint64_t{handset.freeSpace} + freed;
  const uint64_t left = total > written ? total - written : 0;
  handset.freeSpace =
      static_cast<uint32_t>(std::min<uint64_t>(left, std::numeric_limits<uint32_t>::max()));
}

}  // namespace tollhaven
