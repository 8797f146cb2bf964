#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <memory>

#include "app/desktop_launcher.h"

namespace tollhaven {

namespace {

// xdg-mime answers from a few files at once; one that hangs is given up on, and the file still
// opens through the desktop's default.
constexpr int kQueryTimeoutMs = 5000;

// Starts the application of the desktop-file id `id` on `path`; false when any step fails.
bool StartEntry(const QString& id, const QString& path, const DesktopLauncher& via) {
  const QString desktopFile = LocateDesktopFile(id);
  if (desktopFile.isEmpty()) {
    return false;
  }
  const std::optional<DesktopEntry> entry = ReadDesktopEntry(desktopFile);
  // A terminal application started without a terminal shows nothing; the desktop's own opener
  // knows how to give it one.
  if (!entry || entry->terminal) {
    return false;
  }
  const QStringList command = ExpandDesktopExec(*entry, path);
  return !command.isEmpty() && via.startProgram(command.first(), command.mid(1));
}

}  // namespace

void OpenAsXdgText(const QString& path, const DesktopLauncher& via) {
  auto* query = new QProcess(QCoreApplication::instance());
  query->setStandardInputFile(QProcess::nullDevice());
  // A process that crashes reports an error and then finishes; the flag keeps us to one outcome.
  auto answered = std::make_shared<bool>(false);
  auto conclude = [query, path, via, answered](bool ran) {
    if (*answered) {
      return;
    }
    *answered = true;
    query->deleteLater();
    const QString id = ran ? QString::fromLocal8Bit(query->readAllStandardOutput())
                                 .section(QLatin1Char('\n'), 0, 0)
                                 .trimmed()
                           : QString();
    if (id.isEmpty() || !StartEntry(id, path, via)) {
      via.openDefault(path);
    }
  };
  // Queued, so that even a missing xdg-mime is dealt with after this call has returned, the same
  // as every other outcome.
  QObject::connect(
      query, &QProcess::finished, query,
      [conclude](int exitCode, QProcess::ExitStatus status) {
        conclude(status == QProcess::NormalExit && exitCode == 0);
      },
      Qt::QueuedConnection);
  QObject::connect(
      query, &QProcess::errorOccurred, query,
      [conclude](QProcess::ProcessError error) {
        // Every other error is followed by finished().
        if (error == QProcess::FailedToStart) {
          conclude(false);
        }
      },
      Qt::QueuedConnection);
  QTimer::singleShot(kQueryTimeoutMs, query, [query] { query->kill(); });
  query->start(QStringLiteral("xdg-mime"),
               {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
}

DesktopLauncher PlatformLauncher() {
  DesktopLauncher launcher{.openDefault = OpenWithDefaultApplication,
                           .startProgram = StartDetachedProgram,
                           .openAsText = {}};
  launcher.openAsText = [own = launcher](const QString& path) { OpenAsXdgText(path, own); };
  return launcher;
}

}  // namespace tollhaven
