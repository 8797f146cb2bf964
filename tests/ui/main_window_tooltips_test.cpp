// The help texts of the main window's controls.
#include <QTest>

#include "app/control_ids.h"
#include "main_window_fixture.h"
#include "support/ui/control_ids.h"

using namespace tollhaven;
using tollhaven::testing::WindowUnderTest;

class MainWindowToolTipsTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsCarryTheirTexts_data();
  void controlsCarryTheirTexts();
  void noOtherWidgetHasATip();
};

void MainWindowToolTipsTest::controlsCarryTheirTexts_data() {
  QTest::addColumn<int>("id");
  QTest::addColumn<QString>("text");
  QTest::newRow("event log") << ids::kEventLog << "Log window, informations on events.";
  QTest::newRow("move") << ids::kMoveButton << "F6: Copy and delete the source";
  QTest::newRow("left drive selector")
      << ids::kLeftDriveSelector << "Alt-F1: Select drive letter for the left panel.";
  QTest::newRow("right drive selector")
      << ids::kRightDriveSelector << "Alt-F2: Select drive letter for the right panel.";
  QTest::newRow("view") << ids::kViewButton << "F3: View the actual file with Lister or Notepad.";
  QTest::newRow("attributes") << ids::kAttributesButton << "F2: Change attributes of actual file";
  QTest::newRow("new folder") << ids::kNewFolderButton
                              << "F7: Make new directory, even if on P2K drive!!!";
  QTest::newRow("restart") << ids::kRestartButton << "F9: Restart phone.";
  QTest::newRow("delete") << ids::kDeleteButton
                          << "F8/del: Deletes the actual file, or P2K directory with files in it!!";
  QTest::newRow("left re-read") << ids::kLeftRereadButton
                                << "Alt-R: Re-read the files from actual drive to the left panel.";
  QTest::newRow("right re-read")
      << ids::kRightRereadButton
      << "Alt-R: Re-read the files from actual drive to the right panel.";
  QTest::newRow("progress bar") << ids::kProgressBar << "Completion bar for getting filelist.";
  QTest::newRow("right path field") << ids::kRightPathField << "Shows the actual path.";
  QTest::newRow("left path field") << ids::kLeftPathField << "Shows the actual path.";
  QTest::newRow("edit") << ids::kEditButton << "F4: Edit the actual file with Notepad.";
  QTest::newRow("copy") << ids::kCopyButton
                        << "F5: Copy the actual file to the directory on opposite panel.";
}

void MainWindowToolTipsTest::controlsCarryTheirTexts() {
  QFETCH(int, id);
  QFETCH(QString, text);
  WindowUnderTest test;
  QWidget* control = FindControl(test.window.get(), id);
  QVERIFY(control != nullptr);
  QCOMPARE(control->toolTip(), text);
  QVERIFY(test.window->testAttribute(Qt::WA_AlwaysShowToolTips));
}

void MainWindowToolTipsTest::noOtherWidgetHasATip() {
  WindowUnderTest test;
  QStringList withTips;
  for (QWidget* widget : test.window->findChildren<QWidget*>()) {
    if (!widget->toolTip().isEmpty()) {
      withTips << widget->objectName();
    }
  }
  withTips.sort();
  QCOMPARE(withTips,
           QStringList({"attributesButton", "copyButton", "deleteButton", "editButton", "eventLog",
                        "leftDriveSelector", "leftPathField", "leftRereadButton", "moveButton",
                        "newFolderButton", "progressBar", "restartButton", "rightDriveSelector",
                        "rightPathField", "rightRereadButton", "viewButton"}));
}

QTEST_MAIN(MainWindowToolTipsTest)
#include "main_window_tooltips_test.moc"
