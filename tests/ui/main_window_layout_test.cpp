// The main window's layout for a window size, and the splitter between the panels.
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QTreeView>

#include "app/splitter_drag.h"
#include "app/window_layout.h"
#include "main_window_fixture.h"

using namespace tollhaven;
using tollhaven::testing::WindowUnderTest;

namespace {

// Rectangles as a window of the template's size has them before any layout.
LayoutRects StartingRects() {
  LayoutRects rects;
  rects.leftList = {3, 41, 303, 281};
  rects.rightList = {307, 41, 599, 281};
  rects.leftPath = {3, 23, 303, 39};
  rects.rightPath = {307, 23, 599, 39};
  rects.rightSelector = {307, 2, 441, 23};
  rects.rightReread = {442, 2, 517, 23};
  rects.eventLog = {3, 283, 203, 361};
  return rects;
}

}  // namespace

class MainWindowLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutPlacesTheControlsForTheWindowSize();
  void filenameColumnFollowsTheHalfWidth_data();
  void filenameColumnFollowsTheHalfWidth();
  void dragLimitsAndTheMovedControls();
  void restoreClampKeepsRoomRightOfTheLeftList();
  void dragEndsOnOtherButtonsModifiersAndLimits();
  void resizingTheWindowWidensOnlyTheRightPanel();
  void draggingTheSplitterInTheWindow();
};

void MainWindowLayoutTest::layoutPlacesTheControlsForTheWindowSize() {
  LayoutRects rects = StartingRects();
  const LayoutRects before = rects;
  // W = 992, H = 459, h = 496.
  LayoutMainWindow(rects, {1000, 600});

  QCOMPARE(rects.rightList.right, 990);
  QCOMPARE(rects.rightPath.right, 990);
  QCOMPARE(rects.leftList.bottom, 459);
  QCOMPARE(rects.rightList.bottom, 459);
  QCOMPARE(rects.view, (Rect{497, 461, 565, 491}));
  QCOMPARE(rects.edit, (Rect{566, 461, 636, 491}));
  QCOMPARE(rects.attributes, (Rect{637, 461, 731, 491}));
  QCOMPARE(rects.restart, (Rect{732, 461, 802, 491}));
  QCOMPARE(rects.move, (Rect{497, 491, 565, 521}));
  QCOMPARE(rects.copy, (Rect{566, 491, 636, 521}));
  QCOMPARE(rects.newFolder, (Rect{637, 491, 731, 521}));
  QCOMPARE(rects.remove, (Rect{732, 491, 802, 521}));
  QCOMPARE(rects.eventLog, (Rect{3, 461, 493, 521}));
  QCOMPARE(rects.progress, (Rect{497, 527, 990, 544}));
  // Nothing above the lists and no left edge of a panel moves.
  QCOMPARE(rects.leftList.left, before.leftList.left);
  QCOMPARE(rects.leftList.right, before.leftList.right);
  QCOMPARE(rects.rightList.left, before.rightList.left);
  QCOMPARE(rects.leftList.top, before.leftList.top);
  QCOMPARE(rects.leftPath, before.leftPath);
  QCOMPARE(rects.rightSelector, before.rightSelector);
  QCOMPARE(rects.rightReread, before.rightReread);
}

void MainWindowLayoutTest::filenameColumnFollowsTheHalfWidth_data() {
  QTest::addColumn<int>("windowWidth");
  QTest::addColumn<int>("width");  // -1: stays as it is
  QTest::newRow("h 300") << 608 << 140;
  QTest::newRow("h 342") << 692 << 140;
  QTest::newRow("h 343") << 694 << -1;
  QTest::newRow("h 344") << 696 << -1;
  QTest::newRow("h 344, odd width") << 697 << -1;
  QTest::newRow("h 345") << 698 << 141;
  QTest::newRow("h 496") << 1000 << 292;
}

void MainWindowLayoutTest::filenameColumnFollowsTheHalfWidth() {
  QFETCH(int, windowWidth);
  QFETCH(int, width);
  const std::optional<int> result = FilenameWidthAfterLayout({windowWidth, 500});
  QCOMPARE(result.value_or(-1), width);
}

void MainWindowLayoutTest::dragLimitsAndTheMovedControls() {
  LayoutRects rects = StartingRects();
  rects.rightList.right = 600;
  QVERIFY(!SplitAllowed(rects, 210));
  QVERIFY(SplitAllowed(rects, 211));
  QVERIFY(SplitAllowed(rects, 389));
  QVERIFY(!SplitAllowed(rects, 390));  // 600 - 390 = 210 is refused too

  MoveSplit(rects, 300);
  QCOMPARE(rects.leftList.right, 300);
  QCOMPARE(rects.leftPath.right, 300);
  QCOMPARE(rects.rightList.left, 304);
  QCOMPARE(rects.rightPath.left, 304);
  QCOMPARE(rects.rightSelector, (Rect{304, 2, 438, 23}));
  QCOMPARE(rects.rightReread, (Rect{439, 2, 514, 23}));
  QCOMPARE(rects.rightList.right, 600);

  QVERIFY(!FilenameWidthAfterDrag(328).has_value());
  QCOMPARE(FilenameWidthAfterDrag(329).value_or(-1), 141);
}

void MainWindowLayoutTest::restoreClampKeepsRoomRightOfTheLeftList() {
  LayoutRects rects = StartingRects();  // left list 300 pixels wide
  QVERIFY(!RestoreClampSplit(rects, {525, 400}).has_value());
  QCOMPARE(RestoreClampSplit(rects, {524, 400}).value_or(-1), 299);
  QCOMPARE(RestoreClampSplit(rects, {400, 400}).value_or(-1), 175);
  // Even a window narrower than the left list gets a split, not a failure.
  QCOMPARE(RestoreClampSplit(rects, {100, 400}).value_or(-1), -125);
}

void MainWindowLayoutTest::dragEndsOnOtherButtonsModifiersAndLimits() {
  LayoutRects rects = StartingRects();
  const LayoutRects before = rects;
  SplitterDrag drag;
  QCOMPARE(drag.Move(rects, 250, true), SplitterDrag::Step::Ignored);  // no press on the gap
  QCOMPARE(rects, before);

  drag.Begin();
  QCOMPARE(drag.Move(rects, 250, true), SplitterDrag::Step::Moved);
  QCOMPARE(rects.leftList.right, 250);
  QVERIFY(drag.End());

  drag.Begin();
  QCOMPARE(drag.Move(rects, 280, false), SplitterDrag::Step::Released);
  QCOMPARE(drag.Move(rects, 280, true), SplitterDrag::Step::Ignored);
  QCOMPARE(rects.leftList.right, 250);
  QVERIFY(!drag.End());

  drag.Begin();
  QCOMPARE(drag.Move(rects, 200, true), SplitterDrag::Step::Refused);
  QCOMPARE(rects.leftList.right, 250);
  QVERIFY(!drag.active());
  QVERIFY(!drag.End());  // the refusal already refreshed the right panel
}

void MainWindowLayoutTest::resizingTheWindowWidensOnlyTheRightPanel() {
  WindowUnderTest test;
  QVERIFY(test.Show());
  MainWindow& window = *test.window;
  QWidget* client = window.centralWidget();
  const QRect leftBefore = window.list(kLeft)->geometry();

  const int extraHeight = window.height() - client->height();
  window.resize(1000, 500 + extraHeight);
  QTRY_COMPARE(client->size(), QSize(1000, 500));
  const LayoutRects rects = window.layoutRects();
  // The left list keeps its place and width and only reaches down to 88 pixels above the end.
  QCOMPARE(window.list(kLeft)->geometry().topLeft(), leftBefore.topLeft());
  QCOMPARE(window.list(kLeft)->width(), leftBefore.width());
  QCOMPARE(rects.leftList.bottom, 412);
  QCOMPARE(rects.rightList.right, 998);
  QCOMPARE(rects.rightList.bottom, 412);
  QCOMPARE(rects.progress.bottom, 497);
  // h = 500: "Filename" is h - 204 on both lists.
  QCOMPARE(window.list(kLeft)->columnWidth(0), 296);
  QCOMPARE(window.list(kRight)->columnWidth(0), 296);

  // h = 343 leaves the columns as they were.
  window.resize(686, 500 + extraHeight);
  QTRY_COMPARE(client->width(), 686);
  QCOMPARE(window.list(kRight)->columnWidth(0), 296);
  window.resize(640, 500 + extraHeight);
  QTRY_COMPARE(client->width(), 640);
  QCOMPARE(window.list(kRight)->columnWidth(0), 140);

  // Too narrow for the right panel: the split moves to leave it 225 pixels of window.
  const int leftRight = window.layoutRects().leftList.right;
  window.resize(leftRight + 100, 500 + extraHeight);
  QTRY_COMPARE(client->width(), leftRight + 100);
  QCOMPARE(window.layoutRects().leftList.right, leftRight + 100 + kFrameWidth - kRestoreClamp);
  QCOMPARE(window.layoutRects().rightList.left,
           leftRight + 100 + kFrameWidth - kRestoreClamp + kSplitGap);
}

void MainWindowLayoutTest::draggingTheSplitterInTheWindow() {
  WindowUnderTest test;
  QVERIFY(test.Show());
  MainWindow& window = *test.window;
  QWidget* client = window.centralWidget();
  window.resize(1000, window.height() - client->height() + 500);
  QTRY_COMPARE(client->width(), 1000);
  QWidget* handle = client->findChild<QWidget*>(QStringLiteral("splitter"));
  QVERIFY(handle != nullptr);
  QCOMPARE(handle->geometry().left(), window.layoutRects().leftList.right);
  QCOMPARE(handle->cursor().shape(), Qt::SizeHorCursor);

  auto send = [handle](QEvent::Type type, int clientX, Qt::MouseButton button,
                       Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    const QPointF local(clientX - handle->x(), 5);
    QMouseEvent event(type, local, handle->mapToGlobal(local), button, buttons, modifiers);
    QApplication::sendEvent(handle, &event);
  };
  const int start = window.layoutRects().leftList.right;

  send(QEvent::MouseButtonPress, start + 1, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  send(QEvent::MouseMove, 500, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCOMPARE(window.layoutRects().leftList.right, 500);
  QCOMPARE(window.layoutRects().rightList.left, 504);
  QCOMPARE(handle->geometry().left(), 500);
  // Both lists are wider than 328 pixels: "Filename" is 188 narrower than the list.
  QCOMPARE(window.list(kLeft)->columnWidth(0), 500 - 3 - 188);
  QCOMPARE(window.list(kRight)->columnWidth(0), 998 - 504 - 188);
  // Too near the left edge: the drag ends and the split stays.
  send(QEvent::MouseMove, 150, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  send(QEvent::MouseMove, 400, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCOMPARE(window.layoutRects().leftList.right, 500);
  send(QEvent::MouseButtonRelease, 400, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);

  // With Ctrl held the split does not move; with the right button it does not start.
  send(QEvent::MouseButtonPress, 501, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  send(QEvent::MouseMove, 450, Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
  send(QEvent::MouseMove, 440, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  send(QEvent::MouseButtonRelease, 440, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  send(QEvent::MouseButtonPress, 501, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  send(QEvent::MouseMove, 430, Qt::NoButton, Qt::RightButton, Qt::NoModifier);
  QCOMPARE(window.layoutRects().leftList.right, 500);

  // Resizing afterwards keeps the new split.
  window.resize(1100, window.height());
  QTRY_COMPARE(client->width(), 1100);
  QCOMPARE(window.layoutRects().leftList.right, 500);
}

QTEST_MAIN(MainWindowLayoutTest)
#include "main_window_layout_test.moc"
