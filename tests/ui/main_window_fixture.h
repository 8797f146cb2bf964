#pragma once

#include <QList>
#include <QObject>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "app/main_window.h"
#include "support/settings.h"

namespace tollhaven::testing {

// Settings for a run that opens no message box and starts nothing at start-up.
inline Settings QuietSettings() {
  Settings settings;
  settings.fadeIn = 0;
  settings.showReminder = 0;
  settings.checkUpdate = 0;
  settings.autoStart = 0;
  return settings;
}

// A main window over a fresh temporary directory that serves as exeDir and configuration
// directory, with the ".config" written beforehand, recording every command id it receives.
class WindowUnderTest {
  QTemporaryDir directory_;  // first in, last out: the window may write into it while it goes

 public:
  explicit WindowUnderTest(const Settings& settings = QuietSettings()) {
    SaveSettings(settings, dir() / kSettingsFileName);
    window = std::make_unique<MainWindow>(AppPaths{dir(), dir()}, QStringList{});
    QObject::connect(window.get(), &MainWindow::commandReceived,
                     [this](int id) { commands.append(id); });
  }

  std::filesystem::path dir() const { return directory_.path().toStdString(); }

  bool Show() {
    window->show();
    return QTest::qWaitForWindowActive(window.get());
  }

  // Gives a list `count` plain rows, so the row commands have something to work on.
  void FillList(int side, int count) {
    auto* rows = qobject_cast<QStandardItemModel*>(window->list(side)->model());
    for (int row = 0; row < count; ++row) {
      rows->appendRow({new QStandardItem(QStringLiteral("file%1").arg(row)),
                       new QStandardItem(QStringLiteral("1")), new QStandardItem()});
    }
  }

  std::unique_ptr<MainWindow> window;
  QList<int> commands;
};

}  // namespace tollhaven::testing
