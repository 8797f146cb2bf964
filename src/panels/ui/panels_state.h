#pragma once

#include <QCollator>
#include <QObject>
#include <array>
#include <filesystem>
#include <functional>
#include <vector>

#include "panels/column_click.h"
#include "panels/drive_list.h"
#include "panels/row_order.h"
#include "panels/ui/panel_icons.h"
#include "panels/ui/panel_model.h"

namespace tollhaven {

// What the two panels keep besides their host's own per-side state: the
// shared sort directions, the rows of each side, the icons, the drives of the selectors with
// their current directories, and how names are compared and files opened.
class PanelsState : public QObject {
  Q_OBJECT

 public:
  // The handset panel's template icons are read from `templatesDirectory`.
  explicit PanelsState(const std::filesystem::path& templatesDirectory);

  PanelModel& model(int side) { return *models_[static_cast<std::size_t>(side)]; }
  // Case-insensitive comparison in the user's locale, for rows written as `model` writes them.
  NameCompare NameComparison(const PanelModel& model) const;

  SortState sort;
  PanelIcons icons;
  TemplateIcons templates;
  // The local entries of each side's drive selector (entry i + 1 is drives[side][i]). Each side
  // keeps the list it was last filled with, since a re-read refills one selector only.
  std::array<std::vector<DriveEntry>, 2> drives;
  // Each side's own current directory per drive: a re-read or a drive choice on one side goes
  // back to where that side was, whatever the other side listed since.
  std::array<DriveDirectories, 2> directories;
  // Opens a file with the desktop's default application; tests replace it.
  std::function<void(const QString& path)> openFile;

 private:
  std::array<PanelModel*, 2> models_{};
  QCollator collator_;
};

// The local drive behind entry `entry` of the side's selector, or null for the handset entry
// or none.
const DriveEntry* DriveOfEntry(PanelsState& panels, int side, int entry);

}  // namespace tollhaven
