#pragma once

#include <QList>
#include <QObject>
#include <QStandardItemModel>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "app/file_prompts.h"
#include "app/main_window.h"
#include "panels/ui/panels_state.h"
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

// The names in column 0 of a side's list, top to bottom.
inline QStringList Names(const PanelHost& window, int side) {
  QStringList names;
  QAbstractItemModel* model = window.list(side)->model();
  for (int row = 0; row < model->rowCount(); ++row) {
    names << model->data(model->index(row, 0)).toString();
  }
  return names;
}

// A main window over a fresh temporary directory that serves as exeDir and configuration
// directory, with the ".config" written beforehand, recording every command id it receives.
class WindowUnderTest {
  QTemporaryDir directory_;  // first in, last out: the window may write into it while it goes

 public:
  // `arguments`: the command line the program was started with, its path first. The window
  // reaches its handset through `reach`: a USB search finds none on a test machine.
  explicit WindowUnderTest(const Settings& settings = QuietSettings(), QStringList arguments = {},
                           HandsetReach reach = UsbReach()) {
    SaveSettings(settings, dir() / kSettingsFileName);
    window = std::make_unique<MainWindow>(AppPaths{dir(), dir()}, std::move(arguments),
                                          std::move(reach));
    // Activating a file row would start the desktop's viewer.
    window->panels().openFile = [](const QString&) {};
    // The file commands ask nothing and start nothing unless a test answers for the user.
    FilePrompts& prompts = window->prompts();
    prompts.askYesNo = [](const QString&, const QString&) { return false; };
    prompts.askYesNoMany = [](const QString&, const QString&) { return ManyAnswer::No; };
    prompts.askReplaceCaseTwin = [](const QString&, const QString&) { return false; };
    prompts.askNewName = [](std::string&) {};
    prompts.askCopyDestination = [](const std::string&, std::string&) {};
    prompts.askAttributes = [](std::string_view, const QString&) -> std::optional<uint32_t> {
      return std::nullopt;
    };
    prompts.showMessage = [](QMessageBox::Icon, const QString&, const QString&,
                             QMessageBox::StandardButtons buttons) {
      return buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
    };
    prompts.launcher.openDefault = [](const QString&) {};
    prompts.launcher.startProgram = [](const QString&, const QStringList&) { return true; };
    prompts.launcher.openAsText = [](const QString&) {};
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
    std::vector<PanelRow> rows;
    for (int row = 0; row < count; ++row) {
      rows.push_back({"file" + std::to_string(row), "1", "", 0, 0});
    }
    window->panels().model(side).SetRows(std::move(rows), PanelModel::Names::Local);
  }

  std::unique_ptr<MainWindow> window;
  QList<int> commands;
};

}  // namespace tollhaven::testing
