// tollhaven-demo: Tollhaven with a simulated handset plugged in, so that every handset feature
// can be tried without a phone. Choose "P2k Mobile phone" in either drive selector.
#include <QApplication>

#include "app/main_window.h"
#include "demo/demo_handset.h"
#include "support/app_paths.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tollhaven demo"));
  // Made before the window and gone after it: the window's link talks to it to the end.
  const std::unique_ptr<p2ksim::SimulatedHandset> handset = tollhaven::MakeDemoHandset();
  const std::filesystem::path exeDir = tollhaven::ExecutableDirectory();
  tollhaven::MainWindow window(tollhaven::AppPaths{exeDir, tollhaven::ConfigDirectory(exeDir),
                                                   /*integrateWithDesktop=*/false},
                               QApplication::arguments());
  tollhaven::WireToSimulatedHandset(window, *handset, std::make_unique<tollhaven::SystemClock>());
  window.setWindowTitle(window.windowTitle() + QStringLiteral(" (simulated handset)"));
  window.show();
  return QApplication::exec();
}
