// Keys, buttons, menus and list notifications of the main window.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "app/accelerator_table.h"
#include "app/control_ids.h"
#include "main_window_fixture.h"
#include "support/ui/control_ids.h"

using namespace tollhaven;
using tollhaven::testing::WindowUnderTest;

class MainWindowCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void everyKeyReachesItsCommand_data();
  void everyKeyReachesItsCommand();
  void keysWithOtherModifiersAreNotCommands();
  void bothKeysOfADriveSelectorOpenIt_data();
  void bothKeysOfADriveSelectorOpenIt();
  void noKeyIsTakenWhileAModalDialogIsOpen();
  void tabMovesBetweenTheListsAndMarksTheActivePathField();
  void backspaceGoesUpExceptAtARoot_data();
  void backspaceGoesUpExceptAtARoot();
  void keypadZeroSelectsAndAdvancesOnTheLeftList();
  void rightClickOnAListShowsTheCommandsPopup();
  void textTypedIntoAPathFieldIsTakenBackOnLeavingIt();
  void listNotificationsEnableTheCommandsOfThePanelKind();
  void menuItemsAndButtonsArriveAsCommands();
};

void MainWindowCommandsTest::everyKeyReachesItsCommand_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("command");
  QTest::addColumn<bool>("inPathField");
  const struct {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    int command;
  } keys[] = {
      {"F2", Qt::Key_F2, Qt::NoModifier, ids::kAttributesButton},
      {"F3", Qt::Key_F3, Qt::NoModifier, ids::kViewButton},
      {"F4", Qt::Key_F4, Qt::NoModifier, ids::kEditButton},
      {"F5", Qt::Key_F5, Qt::NoModifier, ids::kCopyButton},
      {"F6", Qt::Key_F6, Qt::NoModifier, ids::kMoveButton},
      {"F7", Qt::Key_F7, Qt::NoModifier, ids::kNewFolderButton},
      {"F8", Qt::Key_F8, Qt::NoModifier, ids::kDeleteButton},
      {"Delete", Qt::Key_Delete, Qt::NoModifier, ids::kDeleteButton},
      {"F9", Qt::Key_F9, Qt::NoModifier, ids::kRestartButton},
      {"F10", Qt::Key_F10, Qt::NoModifier, ids::kCloseKey},
      {"Alt+F1", Qt::Key_F1, Qt::AltModifier, ids::kLeftSelectorKey},
      {"Alt+F2", Qt::Key_F2, Qt::AltModifier, ids::kRightSelectorKey},
      {"Alt+Shift+F1", Qt::Key_F1, Qt::AltModifier | Qt::ShiftModifier, ids::kLeftSelectorKey},
      {"Alt+Shift+F2", Qt::Key_F2, Qt::AltModifier | Qt::ShiftModifier, ids::kRightSelectorKey},
      {"Alt+R", Qt::Key_R, Qt::AltModifier, ids::kRereadKey},
      {"Tab", Qt::Key_Tab, Qt::NoModifier, ids::kTabKey},
      {"keypad 0", Qt::Key_0, Qt::KeypadModifier, ids::kSelectKey},
      {"Backspace", Qt::Key_Backspace, Qt::NoModifier, ids::kBackKey},
  };
  for (const auto& entry : keys) {
    for (bool inPathField : {false, true}) {
      QTest::addRow("%s in the %s", entry.name, inPathField ? "path field" : "left list")
          << entry.key << int(entry.modifiers) << entry.command << inPathField;
    }
  }
}

void MainWindowCommandsTest::everyKeyReachesItsCommand() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(int, command);
  QFETCH(bool, inPathField);
  WindowUnderTest test;
  QVERIFY(test.Show());
  QLineEdit* path = test.window->pathField(kLeft);
  path->setText(QStringLiteral("/ab"));
  path->setCursorPosition(2);  // so Backspace and Delete would both change the text
  QWidget* target = inPathField ? static_cast<QWidget*>(path) : test.window->list(kLeft);
  target->setFocus();
  QCOMPARE(QApplication::focusWidget(), target);
  int edits = 0;
  connect(path, &QLineEdit::textEdited, [&edits] { ++edits; });

  QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

  QVERIFY(!test.commands.isEmpty());
  QCOMPARE(test.commands.first(), command);
  // The key never reached the path field itself (the command may show another path there).
  QCOMPARE(edits, 0);
  test.window->driveSelector(kLeft)->hidePopup();
  test.window->driveSelector(kRight)->hidePopup();
}

void MainWindowCommandsTest::keysWithOtherModifiersAreNotCommands() {
  // A key matches only with exactly its own modifiers; the main block's 0 is not the keypad's.
  QCOMPARE(CommandForKey(Qt::Key_F5, Qt::ShiftModifier), 0);
  QCOMPARE(CommandForKey(Qt::Key_F5, Qt::ControlModifier), 0);
  QCOMPARE(CommandForKey(Qt::Key_R, Qt::NoModifier), 0);
  QCOMPARE(CommandForKey(Qt::Key_R, Qt::AltModifier | Qt::ShiftModifier), 0);
  QCOMPARE(CommandForKey(Qt::Key_0, Qt::NoModifier), 0);
  QCOMPARE(CommandForKey(Qt::Key_F1, Qt::NoModifier), 0);
  // The keypad's Delete is Delete.
  QCOMPARE(CommandForKey(Qt::Key_Delete, Qt::KeypadModifier), ids::kDeleteButton);

  WindowUnderTest test;
  QVERIFY(test.Show());
  QTest::keyClick(test.window->list(kLeft), Qt::Key_F5, Qt::ShiftModifier);
  QTest::keyClick(test.window->list(kLeft), Qt::Key_0);
  QVERIFY(test.commands.isEmpty());
}

void MainWindowCommandsTest::bothKeysOfADriveSelectorOpenIt_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("side");
  const int altShift = int(Qt::AltModifier | Qt::ShiftModifier);
  QTest::newRow("Alt+F1") << int(Qt::Key_F1) << int(Qt::AltModifier) << kLeft;
  QTest::newRow("Alt+Shift+F1") << int(Qt::Key_F1) << altShift << kLeft;
  QTest::newRow("Alt+F2") << int(Qt::Key_F2) << int(Qt::AltModifier) << kRight;
  QTest::newRow("Alt+Shift+F2") << int(Qt::Key_F2) << altShift << kRight;
}

void MainWindowCommandsTest::bothKeysOfADriveSelectorOpenIt() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(int, side);
  WindowUnderTest test;
  QVERIFY(test.Show());
  MainWindow& window = *test.window;
  // From the other panel, so the key and not the focus decides which selector opens.
  window.list(1 - side)->setFocus();

  QTest::keyClick(window.list(1 - side), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

  QComboBox* selector = window.driveSelector(side);
  QTRY_VERIFY(selector->view()->isVisible());
  QVERIFY(!window.driveSelector(1 - side)->view()->isVisible());
  // Opening chooses nothing yet: the side still shows what it showed.
  QCOMPARE(window.panel(side).driveIndex, 2);
  selector->hidePopup();
}

void MainWindowCommandsTest::noKeyIsTakenWhileAModalDialogIsOpen() {
  WindowUnderTest test;
  QVERIFY(test.Show());
  QDialog dialog(test.window.get());
  dialog.setModal(true);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
  QTest::keyClick(&dialog, Qt::Key_F5);
  QTest::keyClick(test.window->list(kLeft), Qt::Key_F8);
  QVERIFY(test.commands.isEmpty());
  dialog.close();
  QTest::keyClick(test.window->list(kLeft), Qt::Key_F5);
  QCOMPARE(test.commands, QList<int>{ids::kCopyButton});
}

void MainWindowCommandsTest::tabMovesBetweenTheListsAndMarksTheActivePathField() {
  WindowUnderTest test;
  QVERIFY(test.Show());
  MainWindow& window = *test.window;
  window.list(kLeft)->setFocus();

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), window.list(kRight));
  QCOMPARE(window.activeSide(), kRight);
  QVERIFY(window.tabSwitch());
  QVERIFY(!window.pathField(kLeft)->isEnabled());
  QVERIFY(window.pathField(kRight)->isEnabled());

  // From the right list, a path field or a button, Tab always goes to the left list.
  const QList<QWidget*> starts = {window.list(kRight), window.pathField(kRight),
                                  FindControl(&window, ids::kCopyButton)};
  for (QWidget* start : starts) {
    window.list(kLeft)->setFocus();
    window.OnCommand(ids::kTabKey);  // to the right list, which enables the right path field
    start->setFocus();
    QCOMPARE(QApplication::focusWidget(), start);
    QTest::keyClick(start, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window.list(kLeft));
    QCOMPARE(window.activeSide(), kLeft);
    QVERIFY(window.pathField(kLeft)->isEnabled());
    QVERIFY(!window.pathField(kRight)->isEnabled());
  }
}

void MainWindowCommandsTest::backspaceGoesUpExceptAtARoot_data() {
  QTest::addColumn<int>("driveIndex");
  QTest::addColumn<QString>("path");
  QTest::addColumn<bool>("goesUp");
  QTest::newRow("local root") << 2 << QStringLiteral("/") << false;
  QTest::newRow("one level below the local root") << 2 << QStringLiteral("/usr") << true;
  QTest::newRow("short name below the root") << 2 << QStringLiteral("/ab") << true;
  QTest::newRow("handset root") << 0 << QStringLiteral("P2k:/") << false;
  QTest::newRow("handset partition") << 0 << QStringLiteral("P2k:/a/") << true;
}

void MainWindowCommandsTest::backspaceGoesUpExceptAtARoot() {
  QFETCH(int, driveIndex);
  QFETCH(QString, path);
  QFETCH(bool, goesUp);
  WindowUnderTest test;
  QVERIFY(test.Show());
  test.FillList(kLeft, 3);
  MainWindow& window = *test.window;
  window.panel(kLeft).driveIndex = driveIndex;
  window.pathField(kLeft)->setText(path);
  QItemSelectionModel* selection = window.list(kLeft)->selectionModel();
  selection->select(window.list(kLeft)->model()->index(2, 0),
                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

  QTest::keyClick(window.list(kLeft), Qt::Key_Backspace);

  QCOMPARE(selection->isRowSelected(0), goesUp);
  if (goesUp) {
    QCOMPARE(selection->currentIndex().row(), 0);
  } else {
    QVERIFY(selection->isRowSelected(2));
  }
}

void MainWindowCommandsTest::keypadZeroSelectsAndAdvancesOnTheLeftList() {
  WindowUnderTest test;
  QVERIFY(test.Show());
  test.FillList(kLeft, 3);
  test.FillList(kRight, 3);
  MainWindow& window = *test.window;
  QItemSelectionModel* left = window.list(kLeft)->selectionModel();
  auto selectedRows = [left] { return left->selectedRows().size(); };

  // No focused row: every row becomes selected and row 0 gets the focus.
  window.pathField(kLeft)->setFocus();
  left->clearSelection();
  left->clearCurrentIndex();
  QTest::keyClick(window.pathField(kLeft), Qt::Key_0, Qt::KeypadModifier);
  QCOMPARE(selectedRows(), 3);
  QCOMPARE(left->currentIndex().row(), 0);

  // With the right panel active it is still the left list; the focus moves one row on.
  left->clearSelection();
  window.list(kLeft)->setFocus();
  window.OnCommand(ids::kTabKey);
  QCOMPARE(window.activeSide(), kRight);
  left->setCurrentIndex(window.list(kLeft)->model()->index(1, 0), QItemSelectionModel::NoUpdate);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_0, Qt::KeypadModifier);
  QVERIFY(left->isRowSelected(1));
  QCOMPARE(selectedRows(), 1);
  QCOMPARE(left->currentIndex().row(), 2);
  QVERIFY(window.list(kRight)->selectionModel()->selectedRows().isEmpty());

  // On the last row: selected, and the focus stays.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_0, Qt::KeypadModifier);
  QVERIFY(left->isRowSelected(2));
  QCOMPARE(left->currentIndex().row(), 2);
}

void MainWindowCommandsTest::rightClickOnAListShowsTheCommandsPopup() {
  WindowUnderTest test;
  QVERIFY(test.Show());
  for (int side : {kLeft, kRight}) {
    QWidget* viewport = test.window->list(side)->viewport();
    const QPoint at(10, 10);
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &click);
    QMenu* popup = test.window->commandsMenu();
    QTRY_VERIFY(popup->isVisible());
    QStringList items;
    for (QAction* action : popup->actions()) {
      items << action->text();
    }
    QCOMPARE(items,
             QStringList({"F2 - Attributes", "F3 - View", "F4 - Edit", "F5 - Copy", "F6 - Move",
                          "F7 - New folder", "F8 - Delete", "F9 - Restart handset"}));
    popup->hide();
  }
}

void MainWindowCommandsTest::textTypedIntoAPathFieldIsTakenBackOnLeavingIt() {
  WindowUnderTest test;
  QVERIFY(test.Show());
  QLineEdit* path = test.window->pathField(kLeft);
  path->setText(QStringLiteral("/home"));
  path->setFocus();
  QTest::keyClicks(path, QStringLiteral("xyz"));
  QCOMPARE(path->text(), QStringLiteral("/homexyz"));
  FindControl(test.window.get(), ids::kCopyButton)->setFocus();
  QCOMPARE(path->text(), QStringLiteral("/home"));

  // Leaving by Tab does the same.
  path->setFocus();
  path->setCursorPosition(0);
  QTest::keyClicks(path, QStringLiteral("ab"));
  QTest::keyClick(path, Qt::Key_Tab);
  QCOMPARE(path->text(), QStringLiteral("/home"));
}

void MainWindowCommandsTest::listNotificationsEnableTheCommandsOfThePanelKind() {
  WindowUnderTest test;
  QVERIFY(test.Show());
  test.FillList(kLeft, 2);
  MainWindow& window = *test.window;
  window.panel(kRight).driveIndex = 0;  // the right panel shows the handset
  auto* attributes = FindControl(&window, ids::kAttributesButton);
  auto* view = FindControl(&window, ids::kViewButton);
  auto* edit = FindControl(&window, ids::kEditButton);
  const QList<QAction*> items = window.commandsMenu()->actions();
  auto expectHandsetCommands = [&](bool handset) {
    QCOMPARE(attributes->isEnabled(), handset);
    QCOMPARE(view->isEnabled(), !handset);
    QCOMPARE(edit->isEnabled(), !handset);
    QCOMPARE(items[0]->isEnabled(), handset);
    QCOMPARE(items[1]->isEnabled(), !handset);
    QCOMPARE(items[2]->isEnabled(), !handset);
    QVERIFY(!items[4]->isEnabled());  // Move stays grey
    QVERIFY(!FindControl(&window, ids::kMoveButton)->isEnabled());
  };

  QTest::mouseClick(window.list(kRight)->viewport(), Qt::LeftButton);
  QCOMPARE(window.activeSide(), kRight);
  expectHandsetCommands(true);
  QVERIFY(window.pathField(kRight)->isEnabled());
  QVERIFY(!window.pathField(kLeft)->isEnabled());

  QTest::mouseClick(window.list(kLeft)->viewport(), Qt::LeftButton);
  expectHandsetCommands(false);

  // After Tab, clicks on the other panel change the active side but not the commands...
  window.OnCommand(ids::kTabKey);
  QCOMPARE(window.activeSide(), kRight);
  window.OnCommand(ids::kTabKey);
  QTest::mouseClick(window.list(kRight)->viewport(), Qt::LeftButton);
  QCOMPARE(window.activeSide(), kRight);
  expectHandsetCommands(false);
  // ... until a row is activated.
  QTreeView* left = window.list(kLeft);
  left->setFocus();
  left->setCurrentIndex(left->model()->index(0, 0));
  QTest::keyClick(left, Qt::Key_Return);
  QVERIFY(!window.tabSwitch());
  QTest::mouseClick(window.list(kRight)->viewport(), Qt::LeftButton);
  expectHandsetCommands(true);
}

void MainWindowCommandsTest::menuItemsAndButtonsArriveAsCommands() {
  WindowUnderTest test;
  QVERIFY(test.Show());
  MainWindow& window = *test.window;
  auto* copy = qobject_cast<QPushButton*>(FindControl(&window, ids::kCopyButton));
  QTest::mouseClick(copy, Qt::LeftButton);
  window.commandsMenu()->actions()[6]->trigger();  // "F8 - " delete
  QCOMPARE(test.commands, QList<int>({ids::kCopyButton, ids::kMenuDelete}));

  // The hidden key targets exist, carry their labels and are never shown.
  const QList<std::pair<int, QString>> hidden = {
      {ids::kCloseKey, "F10"}, {ids::kLeftSelectorKey, "AF1"}, {ids::kRightSelectorKey, "AF2"},
      {ids::kTabKey, "TAB"},   {ids::kSelectKey, "SEL"},       {ids::kRereadKey, "RR"},
      {ids::kBackKey, "BS"}};
  for (const auto& [id, label] : hidden) {
    auto* button = qobject_cast<QPushButton*>(FindControl(&window, id));
    QVERIFY(button != nullptr);
    QCOMPARE(button->text(), label);
    QVERIFY(!button->isVisible());
  }

  // The exit item closes the window.
  window.OnCommand(ids::kMenuExit);
  QVERIFY(!window.isVisible());
}

QTEST_MAIN(MainWindowCommandsTest)
#include "main_window_commands_test.moc"
