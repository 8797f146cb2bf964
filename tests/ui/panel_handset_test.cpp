// The handset panel and the handset entry of the drive selectors, against a simulated handset.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>
#include <QWheelEvent>
#include <algorithm>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/status_bar.h"
#include "demo/demo_handset.h"
#include "handset_window_fixture.h"
#include "panels/ui/handset_session.h"
#include "panels/ui/panels_state.h"

using namespace tollhaven;
using tollhaven::testing::Names;
using tollhaven::testing::WindowUnderTest;
using namespace tollhaven::testing;

class PanelHandsetTest : public QObject {
  Q_OBJECT

 private slots:
  void bothSidesShareOneFetchedList() {
    HandsetWindow h;
    Choose(h.window, kLeft, 0);
    const long requests = h.ListRequests();
    QVERIFY(requests > 0);
    QCOMPARE(Names(h.window, kLeft), (QStringList{"a"}));
    QCOMPARE(h.window.pathField(kLeft)->text(), QStringLiteral("P2k:/"));
    QCOMPARE(h.window.list(kLeft)->model()->headerData(2, Qt::Horizontal).toString(),
             QStringLiteral("Ownr/Attr"));

    Choose(h.window, kRight, 0);
    QCOMPARE(h.ListRequests(), requests);
    QCOMPARE(Names(h.window, kRight), (QStringList{"a"}));
    QCOMPARE(h.window.panel(kRight).driveIndex, 0);
  }

  void withoutAHandsetTheSideFallsBackToHome() {
    HandsetWindow h;
    h.discovery->plugged = false;
    Choose(h.window, kLeft, 0);
    QCOMPARE(h.window.panel(kLeft).driveIndex, 2);
    QCOMPARE(h.window.driveSelector(kLeft)->currentIndex(), 2);
    QCOMPARE(h.window.pathField(kLeft)->text(), QDir::homePath());
    QCOMPARE(h.window.list(kLeft)->model()->headerData(2, Qt::Horizontal).toString(),
             QStringLiteral("Date/Time"));
    QVERIFY(h.window.eventLog().Lines().back() == "No p2k device found, NOT connected !");

    // While a patch runs, the right panel stays where it is.
    h.window.handsetSession().patchRunning = true;
    const QStringList before = Names(h.window, kRight);
    Choose(h.window, kRight, 0);
    QCOMPARE(h.window.panel(kRight).driveIndex, 0);
    QCOMPARE(Names(h.window, kRight), before);
  }

  void walksIntoAndOutOfDirectoriesAndLeavesFilesAlone() {
    HandsetWindow h;
    Choose(h.window, kRight, 0);
    Activate(h.window, kRight, QStringLiteral("a"));
    QCOMPARE(h.window.pathField(kRight)->text(), QStringLiteral("P2k:/a/"));
    QCOMPARE(Names(h.window, kRight), (QStringList{"..", "audio", "odd.zzz", "ring.mp3"}));
    QCOMPARE(RowNamed(h.window, kRight, "ring.mp3").column2, std::string("07    0020"));

    Activate(h.window, kRight, QStringLiteral("ring.mp3"));
    QCOMPARE(h.window.pathField(kRight)->text(), QStringLiteral("P2k:/a/"));

    Activate(h.window, kRight, QStringLiteral("audio"));
    QCOMPARE(QString::fromStdString(h.window.panel(kRight).handsetDir),
             QStringLiteral("/a/audio/"));
    QCOMPARE(Names(h.window, kRight), (QStringList{"..", "deeper", "tune.mid"}));
    Activate(h.window, kRight, QStringLiteral(".."));
    Activate(h.window, kRight, QStringLiteral(".."));
    QCOMPARE(h.window.pathField(kRight)->text(), QStringLiteral("P2k:/"));
    QCOMPARE(QString::fromStdString(h.window.panel(kRight).handsetDir), QStringLiteral("/"));
  }

  void rowIconsComeFromTheTemplatesFolder() {
    HandsetWindow h;
    const QDir templates(QString::fromStdString((h.test.dir() / "Templates").string()));
    QVERIFY(templates.mkpath(QStringLiteral("D")));
    QFile sample(templates.filePath(QStringLiteral("_.mp3")));
    QVERIFY(sample.open(QIODevice::WriteOnly));
    sample.close();

    Choose(h.window, kLeft, 0);
    Activate(h.window, kLeft, QStringLiteral("a"));
    const int mp3 = RowNamed(h.window, kLeft, "ring.mp3").icon;
    QVERIFY(mp3 > PanelIcons::kGenericFile);
    QCOMPARE(RowNamed(h.window, kLeft, "odd.zzz").icon, PanelIcons::kGenericFile);
    QVERIFY(RowNamed(h.window, kLeft, "audio").icon > PanelIcons::kGenericFile);
    QVERIFY(RowNamed(h.window, kLeft, "audio").icon != mp3);
  }

  void aStaleListIsFetchedAgainOnReread() {
    HandsetWindow h;
    Choose(h.window, kLeft, 0);
    const long requests = h.ListRequests();
    h.handset.AddFile("/a/new.txt", {});
    h.window.OnCommand(ids::kLeftRereadButton);
    QVERIFY(h.ListRequests() > requests);
    QCOMPARE(Names(h.window, kLeft), (QStringList{"a"}));
    Activate(h.window, kLeft, QStringLiteral("a"));
    QVERIFY(Names(h.window, kLeft).contains(QStringLiteral("new.txt")));
  }

  // A wheel turn over a closed selector is no drive choice: turned up from entry 1 it would land
  // on the handset entry, connect and load the list.
  void theWheelOverAClosedSelectorChoosesNothing() {
    HandsetWindow h;
    QVERIFY(h.test.Show());
    for (int side : {kLeft, kRight}) {
      QComboBox* selector = h.window.driveSelector(side);
      Choose(h.window, side, 1);
      const QPoint middle = selector->rect().center();
      for (int steps : {1, -1, 3, -3}) {
        QWheelEvent wheel(middle, selector->mapToGlobal(middle), QPoint(), QPoint(0, 120 * steps),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(selector, &wheel);
        QCOMPARE(selector->currentIndex(), 1);
        QCOMPARE(h.window.panel(side).driveIndex, 1);
      }
    }
    QCOMPARE(h.discovery->searches, 0);
    QCOMPARE(h.ListRequests(), 0L);
    QVERIFY(h.test.commands.isEmpty());

    // The open list still scrolls with the wheel, and scrolling chooses nothing either.
    QComboBox* selector = h.window.driveSelector(kLeft);
    for (int extra = 0; extra < 40; ++extra) {
      selector->addItem(QStringLiteral("/media/extra%1 Removable disk").arg(extra));
    }
    selector->showPopup();
    QAbstractItemView* list = selector->view();
    QTRY_VERIFY(list->isVisible());
    QScrollBar* bar = list->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    const int before = bar->value();
    const QPoint middle = list->viewport()->rect().center();
    QWheelEvent wheel(middle, list->viewport()->mapToGlobal(middle), QPoint(), QPoint(0, -240),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list->viewport(), &wheel);
    QVERIFY(bar->value() > before);
    selector->hidePopup();
    QCOMPARE(selector->currentIndex(), 1);
    QCOMPARE(h.discovery->searches, 0);
  }
};

QTEST_MAIN(PanelHandsetTest)
#include "panel_handset_test.moc"
