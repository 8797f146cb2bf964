#include <QApplication>

#include "app/main_window.h"
#include "app/single_instance.h"
#include "support/app_paths.h"

int main(int argc, char* argv[]) {
  // A second copy ends at once, before it opens anything, and leaves the first one alone.
  if (!tollhaven::ClaimSingleInstance()) {
    return 0;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tollhaven"));
  const std::filesystem::path exeDir = tollhaven::ExecutableDirectory();
  tollhaven::MainWindow window(tollhaven::AppPaths{exeDir, tollhaven::ConfigDirectory(exeDir)},
                               QApplication::arguments());
  window.show();
  return QApplication::exec();
}
