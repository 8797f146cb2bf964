#include <QApplication>
#include <QFileInfo>

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
  // The window makes its own directory the current one: a patch file named relative to the
  // shell's directory is found from there only if it is made absolute first.
  QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1 && !arguments[1].isEmpty()) {
    arguments[1] = QFileInfo(arguments[1]).absoluteFilePath();
  }
  tollhaven::MainWindow window(tollhaven::AppPaths{exeDir, tollhaven::ConfigDirectory(exeDir)},
                               arguments);
  window.show();
  return QApplication::exec();
}
