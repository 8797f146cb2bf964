// Files dropped onto the lists, pasted into them, and rows dragged out of them.
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <chrono>

#include "app/control_ids.h"
#include "app/progress_bar.h"
#include "cancel_under_way.h"
#include "handset_window_fixture.h"
#include "local_files_fixture.h"
#include "panels/ui/drop_and_paste.h"
#include "panels/ui/handset_session.h"

using namespace tollhaven;
using namespace tollhaven::testing;

namespace {

constexpr int kOpenSubCommand = 0x00;
constexpr int kWriteSubCommand = 0x02;
constexpr int kReadSubCommand = 0x01;

QList<QUrl> Urls(const QString& directory, const QStringList& names) {
  QList<QUrl> urls;
  for (const QString& name : names) {
    urls << QUrl::fromLocalFile(QDir(directory).filePath(name));
  }
  return urls;
}

// What the desktop's file manager does when files are let go over a list: the drop events
// alone, without what the list does after them.
void LetGo(MainWindow& window, int side, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  QWidget* viewport = window.list(side)->viewport();
  const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &drop);
  QVERIFY(drop.isAccepted());
}

// A drop and the copies or uploads that follow it.
void Drop(MainWindow& window, int side, const QList<QUrl>& urls) {
  LetGo(window, side, urls);
  QCoreApplication::sendPostedEvents();
}

// The same files pasted with Ctrl+V instead.
void Paste(MainWindow& window, int side, const QList<QUrl>& urls) {
  auto* data = new QMimeData;
  data->setUrls(urls);
  QApplication::clipboard()->setMimeData(data);
  QTest::keyClick(window.list(side), Qt::Key_V, Qt::ControlModifier);
}

void DropOrPaste(bool paste, MainWindow& window, int side, const QList<QUrl>& urls) {
  if (paste) {
    Paste(window, side, urls);
  } else {
    Drop(window, side, urls);
  }
}

bool Logged(MainWindow& window, const std::string& line) {
  const std::vector<std::string> lines = window.eventLog().Lines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool ListsShown(MainWindow& window) {
  return window.list(kLeft)->updatesEnabled() && window.list(kRight)->updatesEnabled() &&
         window.list(kLeft)->isVisible() && window.list(kRight)->isVisible();
}

std::vector<std::string> OpenedPaths(const p2ksim::SimulatedHandset& handset) {
  std::vector<std::string> paths;
  for (const auto& command : handset.Received()) {
    if (command.subCommand() == kOpenSubCommand) {
      paths.emplace_back(command.payload.begin() + 8, command.payload.end());
    }
  }
  return paths;
}

// A local panel on the left, the handset's /a/ on the right, and a folder of files to drop.
struct DropWindow : HandsetWindow {
  DropWindow() {
    QVERIFY(test.Show());
    Choose(window, kRight, 0);
    Activate(window, kRight, QStringLiteral("a"));
    ShowLocal(window, kLeft, local.path());
  }
  QTemporaryDir local;
  QTemporaryDir source;
};

}  // namespace

class DropAndPasteTest : public QObject {
  Q_OBJECT

 private slots:
  void droppedFilesAreHandledLastFirstAndListedAtOnce() {
    DropWindow d;
    const QStringList names{"first.txt", "second.txt", "third.bin"};
    QVERIFY(WriteFile(d.source.filePath(names[0]), "1"));
    QVERIFY(WriteFile(d.source.filePath(names[1]), "22"));
    QVERIFY(WriteFile(d.source.filePath(names[2]), QByteArray(2500, 'x')));
    d.handset.ClearReceived();
    const std::size_t before = d.window.eventLog().Count();
    Drop(d.window, kRight, Urls(d.source.path(), names));

    QCOMPARE(OpenedPaths(d.handset),
             (std::vector<std::string>{"/a/third.bin", "/a/second.txt", "/a/first.txt"}));
    // The last file handled is the first one dropped: one thousand counts as one step.
    QCOMPARE(d.window.progress().maximum(), 1);
    QCOMPARE(RowNamed(d.window, kRight, "third.bin").size, std::string("2500"));
    QCOMPARE(RowNamed(d.window, kRight, "third.bin").column2, std::string("07    0004"));
    QVERIFY(Names(d.window, kRight).contains(QStringLiteral("first.txt")));
    QCOMPARE(d.ListRequests(), 0);
    // The handset's own commands stay out of the log during a drop that went well.
    QCOMPARE(d.window.eventLog().Count(), before);
    QVERIFY(ListsShown(d.window));

    Drop(d.window, kRight, Urls(d.source.path(), {names[2]}));
    QCOMPARE(d.window.progress().maximum(), 3);
    QCOMPARE(d.handset.File("/a/third.bin")->contents.size(), std::size_t{2500});
  }

  void aDropOntoALocalPanelCopiesButNeverOverwrites() {
    DropWindow d;
    ShowLocal(d.window, kRight, d.local.path());
    d.window.panel(kRight).driveIndex = 2;
    QVERIFY(WriteFile(d.source.filePath(QStringLiteral("new.txt")), "new"));
    QVERIFY(WriteFile(d.source.filePath(QStringLiteral("kept.txt")), "from the drop"));
    QVERIFY(WriteFile(d.local.filePath(QStringLiteral("kept.txt")), "mine"));
    ShowLocal(d.window, kLeft, d.local.path());
    Drop(d.window, kLeft, Urls(d.source.path(), {"new.txt", "kept.txt"}));

    QCOMPARE(ReadFile(d.local.filePath(QStringLiteral("new.txt"))), QByteArray("new"));
    QCOMPARE(ReadFile(d.local.filePath(QStringLiteral("kept.txt"))), QByteArray("mine"));
    QVERIFY(Names(d.window, kLeft).contains(QStringLiteral("new.txt")));
    QCOMPARE(d.window.eventLog().Lines().back(), std::string("Copy failed: kept.txt: File exists"));
    QVERIFY(ListsShown(d.window));
  }

  void aDropOntoALocalPanelBesideTheHandsetCopiesThere() {
    DropWindow d;
    QVERIFY(WriteFile(d.source.filePath(QStringLiteral("a.txt")), "a"));
    Drop(d.window, kLeft, Urls(d.source.path(), {"a.txt"}));
    QCOMPARE(ReadFile(d.local.filePath(QStringLiteral("a.txt"))), QByteArray("a"));
    QVERIFY(!d.handset.File("/a/a.txt"));
  }

  void directoriesAndUnreadableFilesAreSkippedWithALine() {
    DropWindow d;
    QVERIFY(QDir(d.source.path()).mkdir(QStringLiteral("folder")));
    d.handset.ClearReceived();
    Drop(d.window, kRight, Urls(d.source.path(), {"folder", "gone.txt"}));
    QVERIFY(OpenedPaths(d.handset).empty());
    const std::vector<std::string> lines = d.window.eventLog().Lines();
    QCOMPARE(lines[lines.size() - 2].substr(0, 25), std::string("Skipped, cannot read gone"));
    QCOMPARE(lines.back(), std::string("Skipped, a directory: folder"));
    QVERIFY(ListsShown(d.window));
  }

  void aLongPathIsTakenWhole() {
    DropWindow d;
    const QString deep = QString(120, QLatin1Char('d'));
    QVERIFY(QDir(d.source.path()).mkpath(deep));
    const QString name = QString(80, QLatin1Char('f')) + QStringLiteral(".txt");
    const QString path = QDir(d.source.filePath(deep)).filePath(name);
    QVERIFY(path.size() >= 200);
    QVERIFY(WriteFile(path, "long"));
    Drop(d.window, kLeft, {QUrl::fromLocalFile(path)});
    QCOMPARE(ReadFile(d.local.filePath(name)), QByteArray("long"));
  }

  void ctrlVPastesFilesButNotText() {
    DropWindow d;
    QVERIFY(WriteFile(d.source.filePath(QStringLiteral("p.txt")), "pasted"));
    QApplication::clipboard()->setText(d.source.filePath(QStringLiteral("p.txt")));
    d.window.list(kLeft)->setFocus();
    QTest::keyClick(d.window.list(kLeft), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(!QFile::exists(d.local.filePath(QStringLiteral("p.txt"))));

    auto* data = new QMimeData;
    data->setUrls(Urls(d.source.path(), {"p.txt"}));
    QApplication::clipboard()->setMimeData(data);
    QTest::keyClick(d.window.list(kRight), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(d.window.list(kLeft), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(ReadFile(d.local.filePath(QStringLiteral("p.txt"))), QByteArray("pasted"));
    QCOMPARE(d.handset.File("/a/p.txt")->contents,
             (std::vector<uint8_t>{'p', 'a', 's', 't', 'e', 'd'}));
  }

  void handsetRowsDraggedOutArriveWhereTheyAreDropped() {
    DropWindow d;
    d.handset.AddFile("/a/song.mid", {'m', 'i', 'd', 'i'});
    d.window.OnCommand(ids::kRightRereadButton);
    QItemSelectionModel* selection = d.window.list(kRight)->selectionModel();
    selection->clearSelection();
    for (const QString& name : {QStringLiteral("song.mid"), QStringLiteral("audio")}) {
      const int row = static_cast<int>(Names(d.window, kRight).indexOf(name));
      selection->select(d.window.list(kRight)->model()->index(row, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QTemporaryDir staging;
    const std::unique_ptr<QMimeData> data = DragOutData(d.window, kRight, staging);
    QVERIFY(data);
    // The directory row has no file to offer; the file is downloaded before it is offered.
    QCOMPARE(data->urls(), Urls(staging.path(), {"song.mid"}));

    QTemporaryDir desktop;
    ShowLocal(d.window, kLeft, desktop.path());
    Drop(d.window, kLeft, data->urls());
    QCOMPARE(ReadFile(desktop.filePath(QStringLiteral("song.mid"))), QByteArray("midi"));
  }

  void localRowsDraggedOutAreOfferedAsTheirFiles() {
    DropWindow d;
    QVERIFY(WriteFile(d.local.filePath(QStringLiteral("x.txt")), "x"));
    ShowLocal(d.window, kLeft, d.local.path());
    const int row = static_cast<int>(Names(d.window, kLeft).indexOf(QStringLiteral("x.txt")));
    d.window.list(kLeft)->selectionModel()->select(
        d.window.list(kLeft)->model()->index(row, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTemporaryDir staging;
    const std::unique_ptr<QMimeData> data = DragOutData(d.window, kLeft, staging);
    QVERIFY(data);
    QCOMPARE(data->urls(), Urls(d.local.path(), {"x.txt"}));
    QVERIFY(QDir(staging.path()).isEmpty());
  }

  // The drop event is answered at once; the uploads, each under its wait dialog, come after it.
  void aDropIsAnsweredBeforeItsUploads() {
    DropWindow d;
    QVERIFY(WriteFile(d.source.filePath(QStringLiteral("a.txt")), "a"));
    d.handset.ClearReceived();
    LetGo(d.window, kRight, Urls(d.source.path(), {"a.txt"}));
    QVERIFY(d.handset.Received().empty());
    QCoreApplication::sendPostedEvents();
    QCOMPARE(OpenedPaths(d.handset), std::vector<std::string>{"/a/a.txt"});
  }

  void cancelStopsTheRestOfADropOrAPaste_data() {
    QTest::addColumn<bool>("paste");
    QTest::newRow("drop") << false;
    QTest::newRow("paste") << true;
  }
  void cancelStopsTheRestOfADropOrAPaste() {
    QFETCH(bool, paste);
    DropWindow d;
    QVERIFY(WriteFile(d.source.filePath(QStringLiteral("small.txt")), "s"));
    QVERIFY(WriteFile(d.source.filePath(QStringLiteral("big2.bin")), QByteArray(200 * 1024, 'b')));
    QVERIFY(WriteFile(d.source.filePath(QStringLiteral("big1.bin")), QByteArray(200 * 1024, 'a')));
    d.handset.ClearReceived();
    d.handset.SetLatency(std::chrono::milliseconds(2));
    CancelUnderWay cancel(d.handset, kWriteSubCommand, 3);
    // Handled last first: big1.bin is the one under way.
    DropOrPaste(paste, d.window, kRight,
                Urls(d.source.path(), {"small.txt", "big2.bin", "big1.bin"}));
    d.handset.SetLatency(std::chrono::microseconds(0));

    QVERIFY(cancel.pressed);
    QCOMPARE(OpenedPaths(d.handset), std::vector<std::string>{"/a/big1.bin"});
    QVERIFY(Logged(d.window, "Cancelled: /a/big1.bin"));
    QVERIFY(!d.handset.File("/a/big2.bin"));
    QVERIFY(!d.handset.File("/a/small.txt"));
  }

  // Once the handset has gone, an upload fails and its refill turns the panel to a local drive:
  // the files of a drop onto it must not be copied there.
  void aDropOntoAHandsetThatHasGoneOnlyEverUploads_data() {
    cancelStopsTheRestOfADropOrAPaste_data();
  }
  void aDropOntoAHandsetThatHasGoneOnlyEverUploads() {
    QFETCH(bool, paste);
    DropWindow d;
    // Names no one else has: the test removes them from wherever a fault copied them.
    const QStringList names{"dropped-while-gone-1.txt", "dropped-while-gone-2.txt",
                            "dropped-while-gone-3.txt"};
    for (const QString& name : names) {
      QVERIFY(WriteFile(d.source.filePath(name), "x"));
    }
    // Unplugged and let go, while the panel still shows the handset's rows.
    d.handset.DisconnectAfter(0);
    d.discovery->plugged = false;
    HandsetSession& session = d.window.handsetSession();
    for (int i = 0; i < PhoneLink::kLinkLostAfter; ++i) {
      session.handset().PhoneClose();
    }
    session.WatchLink();
    QVERIFY(!session.connected());
    QCOMPARE(d.window.panel(kRight).driveIndex, 0);
    DropOrPaste(paste, d.window, kRight, Urls(d.source.path(), names));

    const QDir shown(d.window.pathField(kRight)->text());
    QStringList copied;
    for (const QString& name : names) {
      if (QFile::exists(shown.filePath(name))) {
        copied << name;
        QFile::remove(shown.filePath(name));
      }
    }
    QCOMPARE(copied, QStringList());
    const std::vector<std::string> lines = d.window.eventLog().Lines();
    QCOMPARE(lines.back(), std::string("Skipped, the handset is gone: 3 files not uploaded"));
    QCOMPARE(std::count_if(lines.begin(), lines.end(),
                           [](const std::string& line) { return line.starts_with("Skipped"); }),
             1L);
  }

  // Dragging handset rows out: the files are fetched after the mouse move that began the drag,
  // not inside it, and the drag starts only while the button is still held.
  void aDragOutOfTheHandsetFetchesAfterTheMoveAndNeedsTheButtonHeld() {
    DropWindow d;
    d.handset.AddFile("/a/song.mid", {'m', 'i', 'd', 'i'});
    d.window.OnCommand(ids::kRightRereadButton);
    QTreeView* list = d.window.list(kRight);
    auto* handler = list->findChild<PanelDropHandler*>();
    QVERIFY(handler != nullptr);
    QSignalSpy started(handler, &PanelDropHandler::dragStarted);
    const int row = static_cast<int>(Names(d.window, kRight).indexOf(QStringLiteral("song.mid")));
    const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
    const QPoint away = at + QPoint(QApplication::startDragDistance() + 5, 0);
    QWindow* window = d.window.windowHandle();
    const auto inWindow = [&](QPoint point) { return list->viewport()->mapTo(&d.window, point); };
    // The press through the window system, so the application knows the button is down; the
    // move straight to the list, so that nothing runs after it but the list's own handling.
    const auto beginDrag = [&] {
      QTest::mousePress(window, Qt::LeftButton, {}, inWindow(at));
      QMouseEvent move(QEvent::MouseMove, QPointF(away),
                       QPointF(list->viewport()->mapToGlobal(away)), Qt::NoButton, Qt::LeftButton,
                       Qt::NoModifier);
      d.handset.ClearReceived();
      QApplication::sendEvent(list->viewport(), &move);
      QVERIFY(d.handset.Received().empty());
    };

    beginDrag();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(started.count(), 1);
    const QList<QUrl> urls = started[0][0].value<QList<QUrl>>();
    QCOMPARE(urls.size(), 1);
    QCOMPARE(ReadFile(urls[0].toLocalFile()), QByteArray("midi"));
    QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow(away));

    // Let go before the files are there: no drag to stick to the cursor.
    beginDrag();
    QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow(away));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(started.count(), 1);
    QVERIFY(Logged(d.window,
                   "Drag not started: the mouse button was released before the files were ready."));

    // Cancel while the files come gives up the drag.
    d.handset.AddFile("/a/big.bin", std::vector<uint8_t>(200 * 1024, 7));
    d.window.OnCommand(ids::kRightRereadButton);
    QItemSelectionModel* selection = list->selectionModel();
    for (const QString& name : {QStringLiteral("big.bin"), QStringLiteral("song.mid")}) {
      selection->select(
          list->model()->index(static_cast<int>(Names(d.window, kRight).indexOf(name)), 0),
          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    d.handset.SetLatency(std::chrono::milliseconds(2));
    CancelUnderWay cancel(d.handset, kReadSubCommand, 3);
    QTemporaryDir staging;
    const std::unique_ptr<QMimeData> data = DragOutData(d.window, kRight, staging);
    d.handset.SetLatency(std::chrono::microseconds(0));
    QVERIFY(cancel.pressed);
    QVERIFY(!data);
    QVERIFY(Logged(d.window, "Cancelled: /a/big.bin"));
    QVERIFY(!QFile::exists(staging.filePath(QStringLiteral("song.mid"))));
  }
};

QTEST_MAIN(DropAndPasteTest)
#include "drop_and_paste_test.moc"
