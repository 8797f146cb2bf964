// The parts of the desktop integration every platform shares: starting programs and the timing
// of the companion's stop signal.
#include "support/ui/shell_integration.h"

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <utility>

namespace tollhaven {

namespace {

QString ToQString(const std::filesystem::path& path) {
#ifdef Q_OS_WIN
  return QString::fromStdWString(path.wstring());
#else
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
#endif
}

bool StartDetached(const std::filesystem::path& program) {
  return QProcess::startDetached(ToQString(program), {});
}

void RunDetached(const QString& tool, const QStringList& arguments) {
  // The tools' complaints about other programs' entries are no concern of this program's
  // output, and a tool that is missing simply does not start.
  QProcess process;
  process.setProgram(tool);
  process.setArguments(arguments);
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  process.startDetached();
}

}  // namespace

ShellIntegration::ShellIntegration(std::filesystem::path executable,
                                   std::filesystem::path companion, QObject* parent)
    : QObject(parent),
      startCompanion(StartDetached),
      runTool(RunDetached),
      executable_(std::move(executable)),
      companion_(std::move(companion)) {
  stopTimer_.setSingleShot(true);
  // The companion is promised the whole wait; a coarse timer may end it a little early.
  stopTimer_.setTimerType(Qt::PreciseTimer);
  connect(&stopTimer_, &QTimer::timeout, this, &ShellIntegration::LowerStopSignal);
}

ShellIntegration::~ShellIntegration() {
  LowerStopSignal();
}

void ShellIntegration::ApplyAutoStart(bool autoStart, int holdMs) {
  if (autoStart) {
    // A stop signal from a moment ago would end the companion we are about to start; so would
    // one left by a copy of the program that died while it was up.
    LowerStopSignal();
    RemoveLeftoverStopSignal();
    WriteAutoStartEntry(true);
    StartCompanion();
  } else {
    RaiseStopSignal(holdMs);
    WriteAutoStartEntry(false);
  }
}

void ShellIntegration::StartCompanion() {
  if (startCompanion) {
    startCompanion(companion_);
  }
}

void ShellIntegration::RaiseStopSignal(int holdMs) {
  if (!lowerStopSignal_) {
    lowerStopSignal_ = CreateStopSignal();
    if (!lowerStopSignal_) {
      return;
    }
  }
  // A second request while the signal is up keeps it up for the longer of the two.
  const int remaining = stopTimer_.isActive() ? stopTimer_.remainingTime() : 0;
  stopTimer_.start(std::max({holdMs, remaining, 0}));
}

void ShellIntegration::LowerStopSignal() {
  stopTimer_.stop();
  if (std::function<void()> lower = std::exchange(lowerStopSignal_, {})) {
    lower();
  }
}

}  // namespace tollhaven
