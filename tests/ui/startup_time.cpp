// Measures how long the program takes from its start to a shown main window. Run it a few times
// with QT_QPA_PLATFORM=offscreen; it prints one line per run.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/main_window.h"
#include "support/settings.h"

namespace {

// Milliseconds since the kernel started this process (10 ms resolution), so that loading the
// program and its libraries counts too.
double ProcessAgeMs() {
  std::ifstream statFile("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
  // Field 22, start time in clock ticks after boot; the fields after the command's ")" are plain.
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  unsigned long long startTicks = 0;
  for (int index = 3; index <= 22 && fields >> field; ++index) {
    if (index == 22) {
      startTicks = std::stoull(field);
    }
  }
  std::ifstream uptimeFile("/proc/uptime");
  double uptime = 0;
  uptimeFile >> uptime;
  return uptime * 1000.0 - startTicks * 1000.0 / sysconf(_SC_CLK_TCK);
}

}  // namespace

int main(int argc, char* argv[]) {
  const double beforeMain = ProcessAgeMs();
  QElapsedTimer clock;
  clock.start();
  QApplication application(argc, argv);

  // A first run with no messages to click away: the reminder off, nothing to start.
  QTemporaryDir directory;
  const std::filesystem::path dir = directory.path().toStdString();
  tollhaven::Settings settings;
  settings.showReminder = 0;
  settings.checkUpdate = 0;
  settings.autoStart = 0;
  tollhaven::SaveSettings(settings, dir / tollhaven::kSettingsFileName);

  tollhaven::MainWindow window(tollhaven::AppPaths{dir, dir}, QApplication::arguments(),
                               tollhaven::UsbReach());
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) {
    std::fprintf(stderr, "the main window was never shown\n");
    return 1;
  }
  const qint64 shown = clock.elapsed();
  std::printf(
      "process start to main(): %.0f ms (10 ms resolution); main() to shown window: %lld ms\n",
      beforeMain, static_cast<long long>(shown));
  return 0;
}
