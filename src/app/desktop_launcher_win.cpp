#include <QDir>

#include "app/desktop_launcher.h"

namespace tollhaven {

DesktopLauncher PlatformLauncher() {
  DesktopLauncher launcher{.openDefault = OpenWithDefaultApplication,
                           .startProgram = StartDetachedProgram,
                           .openAsText = {}};
  // Windows keeps no default application for plain text apart from the one of each extension,
  // and handset files rarely have a text extension; Notepad is on every installation.
  launcher.openAsText = [own = launcher](const QString& path) {
    if (!own.startProgram(QStringLiteral("notepad.exe"), {QDir::toNativeSeparators(path)})) {
      own.openDefault(path);
    }
  };
  return launcher;
}

}  // namespace tollhaven
