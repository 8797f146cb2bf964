// tollhaven-demo: Tollhaven with a simulated handset plugged in, so that every handset feature
// can be tried without a phone. Choose "P2k Mobile phone" in either drive selector.
#include <QApplication>
#include <QDir>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_window.h"
#include "demo/demo_handset.h"
#include "panels/ui/panels_state.h"
#include "support/app_paths.h"

int main(int argc, char* argv[]) {
  using namespace tollhaven;
  // The program's own options, answered the same way: without a display.
  const ProgramOptions options = ReadProgramOptions(std::vector<std::string>(argv, argv + argc));
  if (const std::optional<int> exitCode = AnswerWithoutWindow(options, ProgramKind::Demo)) {
    return *exitCode;
  }
  const bool showPaths = options.request == ProgramRequest::ShowPaths;
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tollhaven demo"));
  // Made before the window and gone after it: the window's link talks to it to the end.
  const std::unique_ptr<p2ksim::SimulatedHandset> handset = MakeDemoHandset();
  const std::filesystem::path exeDir = ExecutableDirectory();
  QStringList arguments = QApplication::arguments();
  if (showPaths) {
    // The option itself is no file to open.
    arguments = arguments.mid(0, 1);
  }
  MainWindow window(AppPaths{exeDir, ConfigDirectory(exeDir), /*integrateWithDesktop=*/false},
                    WithAbsoluteFileArgument(arguments, QDir::currentPath()),
                    SimulatedReach(*handset, std::make_unique<SystemClock>()));
  window.setWindowTitle(window.windowTitle() + QStringLiteral(" (simulated handset)"));
  window.show();
  if (showPaths) {
    // Before the event loop, so that no start-up task (update check, patch file) runs.
    std::cout << PathsReport(window.paths(), window.panels().templates.directory());
    return window.isVisible() ? 0 : 1;
  }
  return QApplication::exec();
}
