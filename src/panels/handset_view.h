#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "handset/file_list_entry.h"
#include "handset/phone_file_list.h"
#include "panels/panel_row.h"

namespace tollhaven {

// The icon a handset row gets when the Templates folder has no sample entry for it.
inline constexpr int kMissingTemplateIcon = 3;

// Where handset rows get their icons. The user interface looks the sample entries up in the
// Templates folder; tests use a fixed table.
class HandsetIcons {
 public:
  virtual ~HandsetIcons() = default;
  virtual int ParentRowIcon() = 0;
  // The icon of the sample entry `templateName` ("_.mp3", "D."), or -1 when there is none.
  virtual int TemplateIcon(std::string_view templateName) = 0;
};

// The sample entry a row's icon comes from: "D" for a directory or "_" for a file, then the
// name from its last dot on, or a dot alone when it has none ("_.mp3", "_.", "D.", "D.dir").
std::string HandsetTemplateName(std::string_view rowName, bool directory);

// The "Ownr/Attr" text of an attribute field (the entry's four field bytes as a little-endian
// word): the owner, four blanks, then the attribute word's high and low byte, in hexadecimal.
std::string OwnerAttributeText(uint32_t attributeField);
// The attribute word an "Ownr/Attr" text shows: the text from its fourth character on, read as
// hexadecimal with a blank counting as 0.
uint32_t AttributeWordOfText(std::string_view ownerAttributeText);

// Builds the rows of one handset directory from the flat file list. It remembers the names it
// has listed (case-folded), so that telling a repeated directory from a new row costs the same
// however many rows the directory already has.
class HandsetRowBuilder {
 public:
  // `rows` may already hold rows (the ".." row); their names count as listed.
  HandsetRowBuilder(std::vector<PanelRow>& rows, std::string_view handsetDir, HandsetIcons& icons);

  // Adds at most one row for `entry` at `rowIndex`: a file directly in the directory, or the
  // subdirectory the entry lies in. Returns the next free row index, unchanged when no row was
  // added.
  int addHandsetRow(int rowIndex, const FileListEntry& entry);

 private:
  std::vector<PanelRow>& rows_;
  std::string handsetDir_;
  HandsetIcons& icons_;
  std::unordered_set<std::string> listed_;
};

enum class HandsetFillOutcome {
  Filled,           // the rows show the directory
  FallBackToLocal,  // no handset: the caller switches the side to drive entry 2
  NothingDone,      // no handset, right side, patch running: the panel stays as it was
};

// What a handset fill works from.
struct HandsetFillRequest {
  int side = kLeftSide;
  std::string_view handsetDir = "/";
  bool connected = false;
  bool patchRunning = false;
};

// Rebuilds the rows of a handset panel from the cached list. When the list is not loaded,
// `loadFileList` fetches it first (the user interface runs the file-list worker under the wait
// dialog). The caller then sorts by the name mode and renumbers.
HandsetFillOutcome fillHandsetPanel(const HandsetFillRequest& request, PhoneFileList& list,
                                    HandsetIcons& icons, const std::function<void()>& loadFileList,
                                    std::vector<PanelRow>& rows);

// The path-field text after activating `row` on a handset panel that shows `pathField`: one
// level up for "..", into the directory for another directory row. A file row is not opened:
// nullopt.
std::optional<std::string> activateHandsetRow(const PanelRow& row, std::string_view pathField);

// `handsetDir` as a path-field text gives it: the text from its first "/" on.
std::string HandsetDirOf(std::string_view pathField);

}  // namespace tollhaven
