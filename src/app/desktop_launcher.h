#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tollhaven {

// How the main window hands files to other programs. Every member can be replaced by a test.
// None of them waits for the program it starts: the window never blocks on them.
struct DesktopLauncher {
  // Opens `path` with the desktop's default application for it; a directory opens in the
  // desktop's file manager.
  std::function<void(const QString& path)> openDefault;
  // Starts `program` with `arguments`, detached; false when it could not be started.
  std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
  // Opens `path` in the desktop's default application for plain text; when there is none (or it
  // cannot be found or started), with openDefault.
  std::function<void(const QString& path)> openAsText;
};

// The launcher of this desktop. Its openAsText falls back to this desktop's own openDefault and
// starts through its own startProgram; replacing those members afterwards does not rewire it.
DesktopLauncher PlatformLauncher();

// The pieces every desktop shares.
void OpenWithDefaultApplication(const QString& path);
bool StartDetachedProgram(const QString& program, const QStringList& arguments);

// What a desktop entry (a .desktop file) says about starting its application. Values have their
// string escapes (\s \n \t \r \\) undone; the quoting of Exec is left for ExpandDesktopExec.
struct DesktopEntry {
  QString exec;  // empty when the entry has no Exec key
  QString name;  // the Name in the best match for the current locale
  QString icon;
  bool terminal = false;  // the application wants a terminal to run in
  QString location;       // the file the entry was read from
};

// Reads the [Desktop Entry] group of the file at `desktopFile`; nothing when the file cannot be
// read or has no such group.
std::optional<DesktopEntry> ReadDesktopEntry(const QString& desktopFile);

// The file of the desktop-file id `id` (such as "org.example.Editor.desktop") in the
// applications directories, the user's first; a '-' of the id may stand for a subdirectory.
// Empty when there is none.
QString LocateDesktopFile(const QString& id);

// The command line (program first) of `entry` opening the one local file `file`. Empty when the
// Exec value is missing or malformed, or gives the file no place (the application takes none).
QStringList ExpandDesktopExec(const DesktopEntry& entry, const QString& file);

#ifndef Q_OS_WIN
// Opens `path` in the plain-text application the freedesktop desktop has chosen: asks xdg-mime
// for its desktop-file id and starts that entry through `via.startProgram`. Whenever a step
// fails, `via.openDefault(path)` instead. Returns before anything is started or opened; the
// answer of xdg-mime arrives through the event loop.
void OpenAsXdgText(const QString& path, const DesktopLauncher& via);
#endif

}  // namespace tollhaven
