#include <QApplication>
#include <QDir>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "panels/ui/panels_state.h"
#include "support/app_paths.h"
#include "support/shell_integration.h"

int main(int argc, char* argv[]) {
  using namespace tollhaven;
  // Help and version answer without a display and whether or not a copy runs already.
  const ProgramOptions options = ReadProgramOptions(std::vector<std::string>(argv, argv + argc));
  if (const std::optional<int> exitCode = AnswerWithoutWindow(options, ProgramKind::Tollhaven)) {
    return *exitCode;
  }
  const bool showPaths = options.request == ProgramRequest::ShowPaths;
  // A second copy ends at once, before it opens anything, and leaves the first one alone. A look
  // at the paths runs no start-up task and ends at once, so it may run beside a copy.
  if (!showPaths && !ClaimSingleInstance()) {
    return 0;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tollhaven"));
  // Wayland compositors find the window's icon and name through the desktop entry of this id.
  QGuiApplication::setDesktopFileName(
      QString::fromLatin1(kApplicationId.data(), static_cast<qsizetype>(kApplicationId.size())));
  const std::filesystem::path exeDir = ExecutableDirectory();
  QStringList arguments = QApplication::arguments();
  if (showPaths) {
    // The option itself is no file to open.
    arguments = arguments.mid(0, 1);
  }
  MainWindow window(AppPaths{exeDir, ConfigDirectory(exeDir)},
                    WithAbsoluteFileArgument(arguments, QDir::currentPath()), UsbReach());
  window.show();
  if (showPaths) {
    // Before the event loop, so that no start-up task (update check, companion, patch file) runs.
    std::cout << PathsReport(window.paths(), window.panels().templates.directory());
    return window.isVisible() ? 0 : 1;
  }
  return QApplication::exec();
}
