#include "panels/ui/panel_icons.h"

#include <QFileInfo>

namespace tollhaven {

PanelIcons::PanelIcons() {
  icons_ = {provider_.icon(QFileIconProvider::Folder), provider_.icon(QFileIconProvider::Drive),
            provider_.icon(QFileIconProvider::Network), provider_.icon(QFileIconProvider::File)};
}

QIcon PanelIcons::Icon(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= icons_.size()) {
    return icons_[kGenericFile];
  }
  return icons_[static_cast<std::size_t>(index)];
}

int PanelIcons::Add(const QIcon& icon) {
  icons_.push_back(icon.isNull() ? icons_[kGenericFile] : icon);
  return static_cast<int>(icons_.size()) - 1;
}

int PanelIcons::ForLocalEntry(const QFileInfo& entry) {
  if (entry.isDir()) {
    return kFolder;
  }
  const QString key = QStringLiteral("*.") + entry.suffix().toLower();
  const auto found = byKey_.constFind(key);
  if (found != byKey_.constEnd()) {
    return *found;
  }
  const int index = Add(provider_.icon(entry));
  byKey_.insert(key, index);
  return index;
}

int PanelIcons::ForPath(const QString& path) {
  const auto found = byKey_.constFind(path);
  if (found != byKey_.constEnd()) {
    return *found;
  }
  const int index = Add(provider_.icon(QFileInfo(path)));
  byKey_.insert(path, index);
  return index;
}

TemplateIcons::TemplateIcons(PanelIcons& icons, std::filesystem::path templatesDirectory)
    : icons_(icons), directory_(std::move(templatesDirectory)) {}

int TemplateIcons::TemplateIcon(std::string_view templateName) {
  QString name =
      QString::fromLatin1(templateName.data(), static_cast<qsizetype>(templateName.size()));
  const auto known = found_.constFind(name);
  if (known != found_.constEnd()) {
    return *known;
  }
  QString entry = name;
  while (entry.endsWith(QLatin1Char('.'))) {
    entry.chop(1);
  }
  const QString directory = QString::fromStdString(directory_.string());
  int icon = -1;
  for (const QString& candidate : {entry, entry.toLower()}) {
    const QString path = directory + QLatin1Char('/') + candidate;
    if (!candidate.isEmpty() && QFileInfo::exists(path)) {
      icon = icons_.ForPath(path);
      break;
    }
  }
  found_.insert(name, icon);
  return icon;
}

}  // namespace tollhaven
