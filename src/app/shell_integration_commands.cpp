// The main window's calls into the desktop integration: once at initialisation, from the Options
// dialog's OK, and as the first start-up task.
#include "app/shell_integration_commands.h"

#include <QCoreApplication>
#include <QFile>
#include <filesystem>
#include <system_error>

#include "app/main_window.h"
#include "support/shell_integration.h"
#include "support/ui/shell_integration.h"

namespace tollhaven {

namespace {

// The executable's real path, links resolved, so that the desktop starts this very program.
std::filesystem::path ExecutablePath() {
#ifndef Q_OS_WIN
  std::error_code error;
  std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    return executable;
  }
#endif
  return QCoreApplication::applicationFilePath().toStdWString();
}

}  // namespace

std::unique_ptr<ShellIntegration> MakeShellIntegration(const std::filesystem::path& exeDir) {
  return std::make_unique<ShellIntegration>(ExecutablePath(),
                                            exeDir / std::string(kCompanionFileName));
}

void RunShellIntegration(MainWindow& window) {
  if (!window.paths().integrateWithDesktop) {
    return;
  }
  ShellIntegration& integration = window.shellIntegration();
  integration.RegisterAssociations();
  integration.ApplyAutoStart(window.settings().autoStart == 1, kStartupStopSignalMs);
}

void ApplyAutoStart(MainWindow& window, bool autoStart) {
  window.shellIntegration().ApplyAutoStart(autoStart, kOptionsStopSignalMs);
}

void StartCompanion(MainWindow& window) {
  window.shellIntegration().StartCompanion();
}

}  // namespace tollhaven
