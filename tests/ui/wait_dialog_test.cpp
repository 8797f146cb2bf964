#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include "support/ui/wait_dialog.h"
#include "support/worker_signal.h"

using tollhaven::RunWorker;
using tollhaven::WaitDialog;
using tollhaven::WorkerSignal;

namespace {

// Everything a user can do to end a dialog without a button.
void TryToEnd(QWidget* dialog) {
  QTest::keyClick(dialog, Qt::Key_Escape);
  QTest::keyClick(dialog, Qt::Key_Return);
  QTest::keyClick(dialog, Qt::Key_Enter);
  dialog->close();
}

}  // namespace

class WaitDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void staysUntilTheWorkerIsDone() {
    WorkerSignal signal;
    signal.Start();
    WaitDialog dialog(signal);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    TryToEnd(&dialog);
    QTest::qWait(3 * WaitDialog::kPollIntervalMs);  // several polls pass
    QVERIFY(dialog.isVisible());
    QVERIFY(!signal.CancelRequested());  // Enter does not press Cancel

    signal.Finish(0);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 20 * WaitDialog::kPollIntervalMs);
  }

  // Cancel only asks: the dialog stays until the worker says it is done.
  void cancelAsksTheWorkerAndStillWaitsForIt() {
    WorkerSignal signal;
    signal.Start();
    WaitDialog dialog(signal);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"));
    QVERIFY(cancel);
    QVERIFY(!signal.CancelRequested());

    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(signal.CancelRequested());
    QVERIFY(!cancel->isEnabled());
    QTest::qWait(3 * WaitDialog::kPollIntervalMs);
    QVERIFY(dialog.isVisible());

    signal.Finish(-1);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 20 * WaitDialog::kPollIntervalMs);
  }

  // A cancel left from the job before does not reach the next one.
  void runWorkerForgetsAnEarlierCancel() {
    WorkerSignal signal;
    signal.RequestCancel();
    std::atomic<bool> seen{true};
    RunWorker(nullptr, signal, [&] { seen = signal.CancelRequested(); });
    QVERIFY(!seen.load());
  }

  // A worker that is done before the dialog is shown must still end it at the first poll.
  void workerDoneBeforeShow() {
    WorkerSignal signal;
    signal.Start();
    WaitDialog dialog(signal);
    signal.Finish(0);
    dialog.show();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 20 * WaitDialog::kPollIntervalMs);
  }

  void runWorkerHoldsTheDialogWhileTheJobRuns() {
    WorkerSignal signal;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    bool visibleAfterAttempts = false;

    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      QVERIFY(dialog);
      TryToEnd(dialog);
      QTest::qWait(3 * WaitDialog::kPollIntervalMs);
      visibleAfterAttempts = dialog->isVisible();
      release.set_value();
    });
    const int result = RunWorker(nullptr, signal, [&] {
      signal.Start();
      released.wait();
      signal.Finish(0);
    });
    QVERIFY(visibleAfterAttempts);
    QCOMPARE(result, 0);
    QVERIFY(signal.Done());
  }

  void runWorkerOutcome_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("result");
    QTest::newRow("job finishes with success") << 0 << 0;
    QTest::newRow("job finishes with failure") << 1 << -1;
    QTest::newRow("job returns without finishing") << 2 << 0;
    QTest::newRow("job throws") << 3 << -1;
  }
  void runWorkerOutcome() {
    QFETCH(int, kind);
    QFETCH(int, result);
    WorkerSignal signal;
    const int outcome = RunWorker(nullptr, signal, [&signal, kind] {
      switch (kind) {
        case 0:
          signal.Finish(0);
          break;
        case 1:
          signal.Finish(-1);
          break;
        case 3:
          throw std::runtime_error("handset gone");
      }
    });
    QCOMPARE(outcome, result);
    QVERIFY(signal.Done());
  }

  void runWorkerClearsTheFlagFirstAndJoins() {
    WorkerSignal signal;  // a fresh signal reads as done
    std::atomic<int> seenAtStart{-1};
    std::atomic<bool> tailDone{false};
    RunWorker(nullptr, signal, [&] {
      seenAtStart = signal.workerDone.load();
      signal.Finish(0);
      // Work after the flag: RunWorker must still wait for the thread to end.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      tailDone = true;
    });
    QCOMPARE(seenAtStart.load(), 0);
    QVERIFY(tailDone.load());
  }
};

QTEST_MAIN(WaitDialogTest)
#include "wait_dialog_test.moc"
