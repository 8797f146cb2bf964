// Files dropped onto the lists, pasted into them, and rows dragged out of them.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "app/control_ids.h"
#include "app/progress_bar.h"
#include "handset_window_fixture.h"
#include "local_files_fixture.h"
#include "panels/ui/drop_and_paste.h"

using namespace tollhaven;
using namespace tollhaven::testing;

namespace {

constexpr int kOpenSubCommand = 0x00;

QList<QUrl> Urls(const QString& directory, const QStringList& names) {
  QList<QUrl> urls;
  for (const QString& name : names) {
    urls << QUrl::fromLocalFile(QDir(directory).filePath(name));
  }
  return urls;
}

// What the desktop's file manager does when files are let go over a list.
void Drop(MainWindow& window, int side, const QList<QUrl>& urls) {
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
};

QTEST_MAIN(DropAndPasteTest)
#include "drop_and_paste_test.moc"
