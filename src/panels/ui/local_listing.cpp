#include "panels/ui/local_listing.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include "panels/ui/panel_icons.h"

namespace tollhaven {

std::string LocalSizeText(qint64 size) {
  return std::to_string(static_cast<uint32_t>(static_cast<quint64>(size)));
}

QString LocalDateTimeText(const QDateTime& lastWrite) {
  const QDateTime local = lastWrite.toLocalTime();
  return QLocale::system().toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
         local.time().toString(QStringLiteral("HH:mm"));
}

std::vector<PanelRow> ListLocalDirectory(const QString& directory, PanelIcons& icons) {
  const QDir dir(directory);
  std::vector<PanelRow> rows;
  if (!dir.exists() || !dir.isReadable()) {
    return rows;
  }
  // A root has no parent to go to, though some systems report ".." there too.
  const bool root = dir.isRoot();
  const QFileInfoList entries =
      dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDot, QDir::NoSort);
  rows.reserve(static_cast<std::size_t>(entries.size()));
  for (const QFileInfo& entry : entries) {
    const QString name = entry.fileName();
    if (name == QLatin1String("..") && root) {
      continue;
    }
    PanelRow row;
    row.name = name.toStdString();
    row.icon = name == QLatin1String("..") ? PanelIcons::kFolder : icons.ForLocalEntry(entry);
    row.size = entry.isDir() ? std::string(kDirectorySizeText) : LocalSizeText(entry.size());
    row.column2 = LocalDateTimeText(entry.lastModified()).toStdString();
    row.itemParameter = static_cast<uint32_t>(rows.size());
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace tollhaven
