// The window notices a handset that went away and finds it again when it is back.
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "app/control_ids.h"
#include "app/file_prompts.h"
#include "handset_window_fixture.h"
#include "panels/ui/handset_session.h"
#include "support/ui/wait_dialog.h"

using namespace tollhaven;
using namespace tollhaven::testing;

namespace {

constexpr char kLostLine[] =
    "Handset disconnected. The file list is loaded again once the handset is back.";
constexpr char kBackLine[] = "Handset connected again.";

long Count(MainWindow& window, const std::string& line) {
  const std::vector<std::string> lines = window.eventLog().Lines();
  return std::count(lines.begin(), lines.end(), line);
}

}  // namespace

class LinkRecoveryTest : public QObject {
  Q_OBJECT

 private slots:
  void unpluggedHandsetIsListedAgainOnceItIsBack() {
    HandsetWindow h;
    Choose(h.window, kRight, 0);
    Activate(h.window, kRight, QStringLiteral("a"));
    HandsetSession& session = h.window.handsetSession();
    QVERIFY(Names(h.window, kRight).contains(QStringLiteral("ring.mp3")));

    h.handset.DisconnectAfter(0);
    h.discovery->plugged = false;
    for (int i = 0; i < PhoneLink::kLinkLostAfter; ++i) {
      h.window.OnCommand(ids::kRightRereadButton);
    }
    session.WatchLink();
    QCOMPARE(Count(h.window, kLostLine), 1L);
    QVERIFY(!session.connected());
    QCOMPARE(session.fileList().fileListLoaded, 0);

    // Plugged back in: the window's own timer finds it.
    h.handset.Replug();
    h.discovery->plugged = true;
    QTRY_COMPARE_WITH_TIMEOUT(Count(h.window, kBackLine), 1L,
                              3 * HandsetSession::kLinkWatchIntervalMs);
    QVERIFY(session.connected());
    h.window.OnCommand(ids::kRightRereadButton);
    QCOMPARE(session.fileList().fileListLoaded, 1);
    QVERIFY(Names(h.window, kRight).contains(QStringLiteral("ring.mp3")));
    QCOMPARE(Count(h.window, kLostLine), 1L);
  }

  // The wait dialog runs the window's timers. The link is left alone until the starting side has
  // taken the worker's result back, even once the worker is done.
  void nothingIsLetGoWhileAWorkersWaitRuns() {
    HandsetWindow h;
    Choose(h.window, kRight, 0);
    Activate(h.window, kRight, QStringLiteral("a"));
    HandsetSession& session = h.window.handsetSession();
    session.link().silentTransactions = PhoneLink::kLinkLostAfter;  // as after silent commands
    long lostDuringWait = -1;
    // Before the dialog's first look at the finished worker.
    QTimer::singleShot(WaitDialog::kPollIntervalMs / 2, &h.window, [&] {
      session.WatchLink();
      lostDuringWait = Count(h.window, kLostLine);
    });
    RunWorker(&h.window, session.signal(), [] {});
    QCOMPARE(lostDuringWait, 0L);
    QVERIFY(session.connected());

    session.WatchLink();
    QCOMPARE(Count(h.window, kLostLine), 1L);
    QVERIFY(!session.connected());
  }

  // Gone quiet but still on the bus. The window's own commands run on its thread with no dialog
  // and no look at the link in between: once three commands went unanswered, the rest fail at
  // once instead of waiting out the answer limit each.
  void aDeleteAfterTheLinkIsKnownLostReturnsAtOnce() {
    HandsetWindow h;
    h.handset.AddFile("/a/b1.txt", {1});
    h.handset.AddFile("/a/b2.txt", {2});
    Choose(h.window, kRight, 0);
    Activate(h.window, kRight, QStringLiteral("a"));
    HandsetSession& session = h.window.handsetSession();
    h.window.setActiveSide(kRight);
    h.window.list(kRight)->selectAll();
    QCOMPARE(h.window.list(kRight)->selectionModel()->selectedRows().size(), 6);  // ".." too
    h.window.prompts().askYesNoMany = [](const QString&, const QString&) {
      return ManyAnswer::YesToAll;
    };

    h.handset.OverridePollCount(0, 1 << 30);
    for (int i = 0; i < PhoneLink::kLinkLostAfter; ++i) {
      QVERIFY(session.handset().PhoneClose() != 0);  // as the status bar's questions would
    }
    QVERIFY(session.link().LinkLost());
    h.handset.ClearReceived();
    const uint32_t start = h.clock->TickCount();
    h.window.OnCommand(ids::kDeleteButton);

    QVERIFY2(h.clock->TickCount() - start < 5000,
             qPrintable(QString::number(h.clock->TickCount() - start)));
    QVERIFY(h.handset.Received().empty());
    const std::vector<std::string> lines = h.window.eventLog().Lines();
    QCOMPARE(
        std::count_if(lines.begin(), lines.end(),
                      [](const std::string& line) { return line.starts_with("Delete failed"); }),
        5L);
  }

  void aHandsetThatAnswersIsLeftAlone() {
    HandsetWindow h;
    Choose(h.window, kRight, 0);
    Activate(h.window, kRight, QStringLiteral("a"));
    HandsetSession& session = h.window.handsetSession();
    session.WatchLink();
    QVERIFY(session.connected());
    QCOMPARE(session.fileList().fileListLoaded, 1);
    QCOMPARE(Count(h.window, kLostLine), 0L);
  }
};

QTEST_MAIN(LinkRecoveryTest)
#include "link_recovery_test.moc"
