#pragma once

#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "support/worker_signal.h"

namespace tollhaven {

// Holds the user interface while a worker thread talks to the handset. It looks at the worker's
// flag every 100 ms and ends at the first look that finds the worker done. Nothing else ends it:
// Enter, Escape and the close box are ignored while the worker runs, because the caller must not
// touch the job's buffers, or the handset, before the worker has let go of them. Its Cancel button
// only asks the worker to stop after the transaction under way; the dialog still waits for it.
class WaitDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 1700;
  static constexpr int kNoticeLabelId = 1701;
  static constexpr int kThanksLabelId = 1001;
  static constexpr int kCountLabelId = 1702;
  static constexpr int kCountTextLabelId = 1703;
  static constexpr int kPollTimerId = 5555;
  static constexpr int kPollIntervalMs = 100;

  explicit WaitDialog(WorkerSignal& signal, QWidget* parent = nullptr);

  // Ends the dialog only once the worker is done.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Poll();
  void RequestCancel();

  WorkerSignal& signal_;
  QPushButton* cancelButton_ = nullptr;
  QTimer pollTimer_;
};

// Runs `job` on a thread of its own under a modal WaitDialog and returns once the thread has
// ended, with the worker's outcome (0 when every command succeeded, -1 otherwise). The flag is
// cleared, and any earlier cancel request forgotten, before the thread exists. A job may call
// signal.Start() and signal.Finish() itself; a job that returns without finishing counts as a
// success, one that throws as a failure.
int RunWorker(QWidget* parent, WorkerSignal& signal, std::function<void()> job);

}  // namespace tollhaven
