#pragma once

#include <QByteArray>
#include <QFile>
#include <QLineEdit>
#include <QString>

#include "panels/ui/panel_host.h"
#include "panels/ui/panel_operations.h"

namespace tollhaven::testing {

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Lists a local directory in the side's panel, as choosing it there does.
inline void ShowLocal(PanelHost& window, int side, const QString& directory) {
  window.pathField(side)->setText(directory);
  fillLocalPanel(window, side);
}

}  // namespace tollhaven::testing
