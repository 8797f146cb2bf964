#include "panels/handset_view.h"

#include <algorithm>
#include <string>

#include "handset/handset_names.h"
#include "panels/row_order.h"
#include "support/text_helpers.h"

namespace tollhaven {

std::string HandsetTemplateName(std::string_view rowName, bool directory) {
  const std::size_t dot = rowName.rfind('.');
  const std::string_view extension = dot == std::string_view::npos ? "." : rowName.substr(dot);
  std::string name(directory ? "D" : "_");
  name += extension;
  return name;
}

std::string OwnerAttributeText(uint32_t attributeField) {
  // Digits 1-2 are the owner, 3-6 the attribute word; the unused byte (digits 7-8) is left out.
  const std::string digits = FormatHex8(attributeField);
  return digits.substr(0, 2) + "    " + digits.substr(2, 4);
}

uint32_t AttributeWordOfText(std::string_view ownerAttributeText) {
  std::string digits(
      ownerAttributeText.substr(std::min<std::size_t>(3, ownerAttributeText.size())));
  std::replace(digits.begin(), digits.end(), ' ', '0');
  return ParseHex(digits);
}

HandsetRowBuilder::HandsetRowBuilder(std::vector<PanelRow>& rows, std::string_view handsetDir,
                                     HandsetIcons& icons)
    : rows_(rows), handsetDir_(handsetDir), icons_(icons) {
  listed_.reserve(rows.size() + 64);
  for (const PanelRow& row : rows) {
    listed_.insert(FoldCase(row.name));
  }
}

int HandsetRowBuilder::addHandsetRow(int rowIndex, const FileListEntry& entry) {
  if (entry.deleted || !entry.name.starts_with(handsetDir_)) {
    return rowIndex;
  }
  const std::string_view rest = entry.name.substr(handsetDir_.size());
  const std::size_t slash = rest.find('/');
  const std::string_view name = rest.substr(0, slash);
  const bool directory = slash != std::string_view::npos;
  // An empty component ("//") or a dot component is no entry of this directory; listing "." or
  // ".." from the handset would make the row walk somewhere else than it says.
  if (name.empty() || name == "." || name == kParentRowName) {
    return rowIndex;
  }
  // The placeholder that keeps a directory the program made listed is no file of the user's.
  if (!directory && name == kPlaceholderName) {
    return rowIndex;
  }
  // The first entry under a subdirectory gives its row; later ones, and names that differ only
  // in letter case, add nothing.
  if (!listed_.insert(FoldCase(name)).second) {
    return rowIndex;
  }

  PanelRow row;
  row.name = std::string(name);
  const int icon = icons_.TemplateIcon(HandsetTemplateName(name, directory));
  row.icon = icon < 0 ? kMissingTemplateIcon : icon;
  row.size = directory ? std::string(kDirectorySizeText) : std::to_string(entry.size);
  row.column2 = OwnerAttributeText(entry.attributeField);
  const std::size_t at = std::min(static_cast<std::size_t>(std::max(rowIndex, 0)), rows_.size());
  row.itemParameter = static_cast<uint32_t>(at);
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(row));
  return rowIndex + 1;
}

HandsetFillOutcome fillHandsetPanel(const HandsetFillRequest& request, PhoneFileList& list,
                                    HandsetIcons& icons, const std::function<void()>& loadFileList,
                                    std::vector<PanelRow>& rows) {
  if (!request.connected) {
    // While a patch runs, the right panel is where it works; it must not change under it.
    if (request.side == kRightSide && request.patchRunning) {
      return HandsetFillOutcome::NothingDone;
    }
    return HandsetFillOutcome::FallBackToLocal;
  }
  if (list.fileListLoaded == 0 && loadFileList) {
    loadFileList();
  }

  rows.clear();
  int next = 0;
  if (request.handsetDir != "/") {
    PanelRow parent;
    parent.name = std::string(kParentRowName);
    parent.size = std::string(kDirectorySizeText);
    parent.icon = icons.ParentRowIcon();
    rows.push_back(std::move(parent));
    next = 1;
  }
  HandsetRowBuilder builder(rows, request.handsetDir, icons);
  list.ForEachEntry([&](const FileListEntry& entry) { next = builder.addHandsetRow(next, entry); });
  list.fileListLoaded = 1;
  return HandsetFillOutcome::Filled;
}

std::optional<std::string> activateHandsetRow(const PanelRow& row, std::string_view pathField) {
  if (!row.IsDirectory()) {
    return std::nullopt;
  }
  std::string path(pathField);
  if (row.name.starts_with(kParentRowName)) {
    // Cut after the "/" that precedes the final one: P2k:/a/audio/ becomes P2k:/a/.
    const std::size_t last = path.rfind('/');
    if (last != std::string::npos && last > 0) {
      const std::size_t previous = path.rfind('/', last - 1);
      if (previous != std::string::npos) {
        path.resize(previous + 1);
      }
    }
  } else {
    path += row.name;
    path += '/';
  }
  return path;
}

std::string HandsetDirOf(std::string_view pathField) {
  const std::size_t slash = pathField.find('/');
  return slash == std::string_view::npos ? std::string("/") : std::string(pathField.substr(slash));
}

}  // namespace tollhaven
