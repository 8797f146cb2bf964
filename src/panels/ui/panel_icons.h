#pragma once

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QString>
#include <filesystem>
#include <string_view>
#include <vector>

#include "panels/handset_view.h"

class QFileInfo;

namespace tollhaven {

// The icons both panels and the drive selectors draw from, by index; rows keep only the index.
// The first four are fixed; index 3, the generic file, is also what a handset row without a
// sample entry gets.
class PanelIcons {
 public:
  static constexpr int kFolder = 0;
  static constexpr int kDrive = 1;
  static constexpr int kNetworkDrive = 2;
  static constexpr int kGenericFile = kMissingTemplateIcon;

  PanelIcons();

  QIcon Icon(int index) const;
  // The desktop's icon for a local entry. Files share the icon of their extension, so a large
  // directory asks the desktop once per kind rather than once per file.
  int ForLocalEntry(const QFileInfo& entry);
  // The desktop's icon for one particular file or directory, asked once per path.
  int ForPath(const QString& path);

 private:
  int Add(const QIcon& icon);

  QFileIconProvider provider_;
  std::vector<QIcon> icons_;
  QHash<QString, int> byKey_;
};

// Handset rows get the icon of the Templates folder's sample entry for their extension.
class TemplateIcons : public HandsetIcons {
 public:
  TemplateIcons(PanelIcons& icons, std::filesystem::path templatesDirectory);

  int ParentRowIcon() override { return PanelIcons::kFolder; }
  // The sample entry's icon, or -1 when the folder has no such entry. A trailing dot is dropped
  // ("D." is the entry D), and an extension in capitals also finds its sample in small letters.
  int TemplateIcon(std::string_view templateName) override;
  // The folder of sample entries the icons come from.
  const std::filesystem::path& directory() const { return directory_; }

 private:
  PanelIcons& icons_;
  std::filesystem::path directory_;
  QHash<QString, int> found_;
};

}  // namespace tollhaven
