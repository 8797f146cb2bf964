// The desktop integration on a freedesktop desktop: a shared-mime-info package, a desktop entry
// and the default in mimeapps.list for the file types, an autostart entry for the companion, and
// a file in the session's runtime directory as its stop signal.
#include <QFile>
#include <QStandardPaths>
#include <string>

#include "support/shell_integration.h"
#include "support/ui/resource_images.h"
#include "support/ui/shell_integration.h"

namespace tollhaven {

namespace {

std::filesystem::path ToPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

QString ToQString(const std::filesystem::path& path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

XdgDirectories CurrentDirectories() {
  XdgDirectories directories;
  directories.dataHome =
      ToPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
  directories.configHome =
      ToPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  // The user's own directory comes first in this list; the rest are the installed ones.
  for (const QString& dir :
       QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
    std::filesystem::path path = ToPath(dir);
    if (path != directories.dataHome) {
      directories.dataDirs.push_back(std::move(path));
    }
  }
  return directories;
}

QByteArray ProgramIcon() {
  InitResources();
  QFile icon(QString::fromLatin1(kAppIcon));
  return icon.open(QIODevice::ReadOnly) ? icon.readAll() : QByteArray();
}

}  // namespace

int ShellIntegration::RegisterAssociations() {
  const XdgDirectories directories = CurrentDirectories();
  const QByteArray icon = ProgramIcon();
  const AssociationOutcome outcome = tollhaven::RegisterAssociations(
      directories, executable_.string(), std::string_view(icon.constData(), icon.size()));
  // The desktop reads file types and applications from its caches, which only these tools
  // rebuild. They run on their own; the program does not wait for them.
  if (runTool && outcome.refreshMimeDatabase) {
    runTool(QStringLiteral("update-mime-database"), {ToQString(directories.dataHome / "mime")});
  }
  if (runTool && outcome.refreshDesktopDatabase) {
    runTool(QStringLiteral("update-desktop-database"),
            {ToQString(directories.dataHome / "applications")});
  }
  return outcome.filesWritten;
}

void ShellIntegration::WriteAutoStartEntry(bool autoStart) {
  WriteCompanionAutostart(
      ToPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)),
      companion_.string(), autoStart);
}

namespace {

// The companion looks for this file in the session's runtime directory and quits while it is
// there. Empty when the session has no runtime directory.
QString StopSignalPath() {
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (runtime.isEmpty()) {
    return {};
  }
  return runtime + QLatin1Char('/') +
         QLatin1String(kStopSignalName.data(), static_cast<qsizetype>(kStopSignalName.size()));
}

}  // namespace

std::function<void()> ShellIntegration::CreateStopSignal() {
  const QString path = StopSignalPath();
  if (path.isEmpty()) {
    return {};
  }
  QFile signal(path);
  if (!signal.open(QIODevice::WriteOnly)) {
    return {};
  }
  signal.close();
  return [path] { QFile::remove(path); };
}

void ShellIntegration::RemoveLeftoverStopSignal() {
  // Only one copy of the program runs for a user, so a signal this one did not raise was left by
  // one that ended before it could lower it.
  if (const QString path = StopSignalPath(); !path.isEmpty()) {
    QFile::remove(path);
  }
}

}  // namespace tollhaven
