#include "panels/ui/panels_state.h"

#include <QDesktopServices>
#include <QUrl>

namespace tollhaven {

PanelsState::PanelsState(const std::filesystem::path& templatesDirectory)
    : templates(icons, templatesDirectory) {
  setObjectName(QStringLiteral("panelsState"));
  for (int side : {kLeftSide, kRightSide}) {
    models_[static_cast<std::size_t>(side)] = new PanelModel(icons, this);
  }
  collator_.setCaseSensitivity(Qt::CaseInsensitive);
  openFile = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
}

NameCompare PanelsState::NameComparison(const PanelModel& model) const {
  // The collator is copied in: a sort must not depend on this object outliving it.
  return [collator = collator_, &model](std::string_view a, std::string_view b) {
    const int result = collator.compare(model.Text(a), model.Text(b));
    return (result > 0) - (result < 0);
  };
}

const DriveEntry* DriveOfEntry(PanelsState& panels, int side, int entry) {
  const std::vector<DriveEntry>& drives = panels.drives[static_cast<std::size_t>(side)];
  if (entry < 1 || static_cast<std::size_t>(entry) > drives.size()) {
    return nullptr;
  }
  return &drives[static_cast<std::size_t>(entry - 1)];
}

}  // namespace tollhaven
