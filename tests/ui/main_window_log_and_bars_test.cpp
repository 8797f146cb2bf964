// The event log's list, the progress bar and the status bar, fed from a worker thread.
#include <QListWidget>
#include <QTest>
#include <thread>

#include "app/control_ids.h"
#include "app/progress_bar.h"
#include "app/status_bar.h"
#include "main_window_fixture.h"
#include "support/ui/control_ids.h"

using namespace tollhaven;
using tollhaven::testing::WindowUnderTest;

class MainWindowLogAndBarsTest : public QObject {
  Q_OBJECT

 private slots:
  void logListMirrorsLinesFromAWorker();
  void pickingALineSelectsItInTheLog();
  void progressBarFollowsAWorker();
  void statusBarTakesTextsFromAWorker();
};

void MainWindowLogAndBarsTest::logListMirrorsLinesFromAWorker() {
  WindowUnderTest test;
  EventLog& log = test.window->eventLog();
  auto* list = qobject_cast<QListWidget*>(FindControl(test.window.get(), ids::kEventLog));
  QVERIFY(list != nullptr);
  std::thread worker([&log] {
    log.AppendLog("Loading");
    for (int n = 0; n < 200; ++n) {
      log.ReplaceLogLine("file " + std::to_string(n));
    }
    log.AddDirect("direct line");
    log.AppendLog("done");
  });
  worker.join();
  const std::vector<std::string> lines = log.Lines();
  QTRY_COMPARE(list->count(), int(lines.size()));
  for (int row = 0; row < list->count(); ++row) {
    QCOMPARE(list->item(row)->text().toStdString(), lines[row]);
  }
  QCOMPARE(list->item(list->count() - 3)->text(), QStringLiteral("file 199"));
  QCOMPARE(list->currentRow(), log.Selection());
  QCOMPARE(list->currentRow(), list->count() - 1);
}

void MainWindowLogAndBarsTest::pickingALineSelectsItInTheLog() {
  WindowUnderTest test;
  EventLog& log = test.window->eventLog();
  auto* list = qobject_cast<QListWidget*>(FindControl(test.window.get(), ids::kEventLog));
  log.AppendLog("third");
  QTRY_COMPARE(list->count(), 3);
  list->setCurrentRow(0);
  QCOMPARE(log.Selection(), 0);
  // A progress line now replaces the picked line, as it always has.
  log.ReplaceLogLine("new");
  QTRY_COMPARE(list->item(list->count() - 1)->text(), QStringLiteral("new"));
  QCOMPARE(list->count(), 3);
  QCOMPARE(list->currentRow(), 2);
}

void MainWindowLogAndBarsTest::progressBarFollowsAWorker() {
  WindowUnderTest test;
  ProgressBar& bar = test.window->progress();
  std::thread worker([&bar] {
    bar.SetRange(0, 3);
    bar.SetStep(1);
    bar.SetPosition(0);
    for (int n = 0; n < 3; ++n) {
      bar.StepIt();
    }
  });
  worker.join();
  QTRY_COMPARE(bar.value(), 3);
  QCOMPARE(bar.maximum(), 3);
  bar.StepIt();  // past the end it starts again
  QTRY_COMPARE(bar.value(), 0);
  bar.SetPosition(99);  // clamped to the range
  QTRY_COMPARE(bar.value(), 3);
}

void MainWindowLogAndBarsTest::statusBarTakesTextsFromAWorker() {
  WindowUnderTest test;
  StatusBar& status = test.window->status();
  std::thread worker([&status] {
    status.SetStatusText(0, "Space: 1 KBytes");
    status.SetStatusText(3, "Model: E398");
    status.SetStatusText(4, "ignored");
    status.SetStatusText(-1, "ignored");
  });
  worker.join();
  QTRY_COMPARE(status.partText(3), QStringLiteral("Model: E398"));
  QCOMPARE(status.partText(0), QStringLiteral("Space: 1 KBytes"));
  QCOMPARE(status.partText(1), QStringLiteral("Vols: "));
}

QTEST_MAIN(MainWindowLogAndBarsTest)
#include "main_window_log_and_bars_test.moc"
