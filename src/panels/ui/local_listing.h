#pragma once

#include <QDateTime>
#include <QString>
#include <string>
#include <vector>

#include "panels/panel_row.h"

namespace tollhaven {

class PanelIcons;

// The rows of a local directory: every entry but ".", hidden and system files included, and
// ".." except at the file system's root. Empty when the directory cannot be listed.
std::vector<PanelRow> ListLocalDirectory(const QString& directory, PanelIcons& icons);

// A "Size" text: the low 32 bits of the size, in decimal.
std::string LocalSizeText(qint64 size);

// A "Date/Time" text: the date in the user's short format, a blank, and the time on the 24-hour
// clock ("23:05"). The twelve-hour hour without AM or PM gave no way to tell morning from
// evening.
QString LocalDateTimeText(const QDateTime& lastWrite);

}  // namespace tollhaven
