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
#include "demo/demo_handset.h"
#include "fake_panel_host.h"
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
  // The panel operations on a host of their own.
  void bothSidesShareOneFetchedList() {
    HandsetHost h;
    Choose(h.host, kLeft, 0);
    const long requests = h.ListRequests();
    QVERIFY(requests > 0);
    QCOMPARE(Names(h.host, kLeft), (QStringList{"a"}));
    QCOMPARE(h.host.pathField(kLeft)->text(), QStringLiteral("P2k:/"));
    QCOMPARE(h.host.list(kLeft)->model()->headerData(2, Qt::Horizontal).toString(),
             QStringLiteral("Ownr/Attr"));

    Choose(h.host, kRight, 0);
    QCOMPARE(h.ListRequests(), requests);
    QCOMPARE(Names(h.host, kRight), (QStringList{"a"}));
    QCOMPARE(h.host.panel(kRight).driveIndex, 0);
  }

  void withoutAHandsetTheSideFallsBackToHome() {
    HandsetHost h;
    h.discovery->plugged = false;
    Choose(h.host, kLeft, 0);
    QCOMPARE(h.host.panel(kLeft).driveIndex, 2);
    QCOMPARE(h.host.driveSelector(kLeft)->currentIndex(), 2);
    QCOMPARE(h.host.pathField(kLeft)->text(), QDir::homePath());
    QCOMPARE(h.host.list(kLeft)->model()->headerData(2, Qt::Horizontal).toString(),
             QStringLiteral("Date/Time"));
    QVERIFY(h.host.eventLog().Lines().back() == "No p2k device found, NOT connected !");

    // While a patch runs, the right panel stays where it is.
    h.host.handsetSession().patchRunning = true;
    const QStringList before = Names(h.host, kRight);
    Choose(h.host, kRight, 0);
    QCOMPARE(h.host.panel(kRight).driveIndex, 0);
    QCOMPARE(Names(h.host, kRight), before);
  }

  void walksIntoAndOutOfDirectoriesAndLeavesFilesAlone() {
    HandsetHost h;
    Choose(h.host, kRight, 0);
    Activate(h.host, kRight, QStringLiteral("a"));
    QCOMPARE(h.host.pathField(kRight)->text(), QStringLiteral("P2k:/a/"));
    QCOMPARE(Names(h.host, kRight), (QStringList{"..", "audio", "odd.zzz", "ring.mp3"}));
    QCOMPARE(RowNamed(h.host, kRight, "ring.mp3").column2, std::string("07    0020"));

    Activate(h.host, kRight, QStringLiteral("ring.mp3"));
    QCOMPARE(h.host.pathField(kRight)->text(), QStringLiteral("P2k:/a/"));

    Activate(h.host, kRight, QStringLiteral("audio"));
    QCOMPARE(QString::fromStdString(h.host.panel(kRight).handsetDir), QStringLiteral("/a/audio/"));
    QCOMPARE(Names(h.host, kRight), (QStringList{"..", "deeper", "tune.mid"}));
    Activate(h.host, kRight, QStringLiteral(".."));
    Activate(h.host, kRight, QStringLiteral(".."));
    QCOMPARE(h.host.pathField(kRight)->text(), QStringLiteral("P2k:/"));
    QCOMPARE(QString::fromStdString(h.host.panel(kRight).handsetDir), QStringLiteral("/"));
  }

  void rowIconsComeFromTheTemplatesFolder() {
    HandsetHost h;
    const QDir templates(QString::fromStdString((h.host.dir() / "Templates").string()));
    QVERIFY(templates.mkpath(QStringLiteral("D")));
    QFile sample(templates.filePath(QStringLiteral("_.mp3")));
    QVERIFY(sample.open(QIODevice::WriteOnly));
    sample.close();

    Choose(h.host, kLeft, 0);
    Activate(h.host, kLeft, QStringLiteral("a"));
    const int mp3 = RowNamed(h.host, kLeft, "ring.mp3").icon;
    QVERIFY(mp3 > PanelIcons::kGenericFile);
    QCOMPARE(RowNamed(h.host, kLeft, "odd.zzz").icon, PanelIcons::kGenericFile);
    QVERIFY(RowNamed(h.host, kLeft, "audio").icon > PanelIcons::kGenericFile);
    QVERIFY(RowNamed(h.host, kLeft, "audio").icon != mp3);
  }

  // In the main window: its re-read button and its drive selectors.
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
