// A file's whole trip in tollhaven-demo, as a user makes it with the keys: up to the simulated
// handset, listed there, back down into another directory, byte for byte, and deleted on the
// handset. With TOLLHAVEN_TRANSFER_SCREENSHOT set to a file name, a picture of an upload under
// way is saved there.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "app/file_prompts.h"
#include "handset_window_fixture.h"
#include "local_files_fixture.h"
#include "panels/ui/handset_session.h"

using namespace tollhaven;
using namespace tollhaven::testing;

namespace {

QByteArray Contents(int size) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 31 + 7) & 0xFF);
  }
  return bytes;
}

// Clicks the row of that name: it is selected alone and its panel becomes the active one.
void Focus(MainWindow& window, int side, const QString& name) {
  const int row = static_cast<int>(Names(window, side).indexOf(name));
  QVERIFY2(row >= 0, qPrintable(name));
  QTreeView* list = window.list(side);
  const QModelIndex index = list->model()->index(row, 0);
  list->scrollTo(index);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
  QCOMPARE(window.activeSide(), side);
  QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
}

// The main window with the wait dialog over it, as the screen shows them.
QImage Composite(MainWindow& window) {
  QImage picture = window.grab().toImage();
  if (QWidget* dialog = QApplication::activeModalWidget()) {
    QPainter painter(&picture);
    const QPoint at = dialog->frameGeometry().topLeft() - window.frameGeometry().topLeft();
    painter.drawPixmap(at, dialog->grab());
  }
  return picture;
}

}  // namespace

class DemoRoundTripTest : public QObject {
  Q_OBJECT

 private slots:
  void aFileGoesUpAndComesBackUnchanged() {
    const std::unique_ptr<p2ksim::SimulatedHandset> handset =
        MakeDemoHandset(std::chrono::microseconds(0));
    WindowUnderTest test(QuietSettings(), {},
                         SimulatedReach(*handset, std::make_unique<ManualClock>()));
    MainWindow& window = *test.window;
    QVERIFY(test.Show());
    QTemporaryDir up, down;
    const QByteArray bytes = Contents(5000);
    QVERIFY(WriteFile(up.filePath(QStringLiteral("tune.mid")), bytes));

    Choose(window, kRight, 0);
    Activate(window, kRight, QStringLiteral("a"));
    Activate(window, kRight, QStringLiteral("mobile"));
    Activate(window, kRight, QStringLiteral("audio"));
    ShowLocal(window, kLeft, up.path());
    Focus(window, kLeft, QStringLiteral("tune.mid"));
    QTest::keyClick(window.list(kLeft), Qt::Key_F5);
    QVERIFY(Names(window, kRight).contains(QStringLiteral("tune.mid")));
    QCOMPARE(RowNamed(window, kRight, "tune.mid").size, std::string("5000"));

    ShowLocal(window, kLeft, down.path());
    Focus(window, kRight, QStringLiteral("tune.mid"));
    QTest::keyClick(window.list(kRight), Qt::Key_F5);
    QFile back(down.filePath(QStringLiteral("tune.mid")));
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), bytes);
    QVERIFY(Names(window, kLeft).contains(QStringLiteral("tune.mid")));

    window.prompts().askYesNo = [](const QString&, const QString&) { return true; };
    Focus(window, kRight, QStringLiteral("tune.mid"));
    QTest::keyClick(window.list(kRight), Qt::Key_Delete);
    QVERIFY(!handset->File("/a/mobile/audio/tune.mid"));
    QVERIFY(!Names(window, kRight).contains(QStringLiteral("tune.mid")));
  }

  void pictureOfAnUploadUnderWay() {
    const QString screenshot = qEnvironmentVariable("TOLLHAVEN_TRANSFER_SCREENSHOT");
    if (screenshot.isEmpty()) {
      QSKIP("TOLLHAVEN_TRANSFER_SCREENSHOT names no file for the picture");
    }
    const std::unique_ptr<p2ksim::SimulatedHandset> handset = MakeDemoHandset();
    WindowUnderTest test(QuietSettings(), {},
                         SimulatedReach(*handset, std::make_unique<SystemClock>()));
    MainWindow& window = *test.window;
    QVERIFY(test.Show());
    QTemporaryDir up;
    QVERIFY(WriteFile(up.filePath(QStringLiteral("skin_blue.zip")), Contents(400 * 1024)));
    QVERIFY(WriteFile(up.filePath(QStringLiteral("ringtone.mp3")), Contents(90 * 1024)));
    Choose(window, kRight, 0);
    Activate(window, kRight, QStringLiteral("a"));
    Activate(window, kRight, QStringLiteral("mobile"));
    Activate(window, kRight, QStringLiteral("skins"));
    ShowLocal(window, kLeft, up.path());
    Focus(window, kLeft, QStringLiteral("skin_blue.zip"));
    bool saved = false;
    QTimer::singleShot(300, [&] { saved = Composite(window).save(screenshot); });
    QTest::keyClick(window.list(kLeft), Qt::Key_F5);
    QVERIFY(saved);
  }
};

QTEST_MAIN(DemoRoundTripTest)
#include "demo_round_trip_test.moc"
