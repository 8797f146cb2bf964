#include "support/ui/wait_dialog.h"

#include <QLabel>
#include <QVBoxLayout>
#include <system_error>
#include <thread>

#include "support/ui/control_ids.h"

namespace tollhaven {

WaitDialog::WaitDialog(WorkerSignal& signal, QWidget* parent) : QDialog(parent), signal_(signal) {
  SetControlId(this, kDialogId, QStringLiteral("waitDialog"));
  setWindowTitle(tr("Please wait until the operation has finished"));
  setModal(true);

  auto* notice = new QLabel(
      tr("Unlike older versions, you can go on using other programs while this runs."), this);
  SetControlId(notice, kNoticeLabelId, QStringLiteral("noticeLabel"));
  notice->setAlignment(Qt::AlignCenter);
  notice->setWordWrap(true);
  auto* thanks = new QLabel(tr("Thank you for using Tollhaven."), this);
  SetControlId(thanks, kThanksLabelId, QStringLiteral("thanksLabel"));
  thanks->setAlignment(Qt::AlignCenter);
  // Two labels the window has always carried but never shows.
  auto* count = new QLabel(this);
  SetControlId(count, kCountLabelId, QStringLiteral("countLabel"));
  count->hide();
  auto* countText = new QLabel(QStringLiteral("filenames loaded."), this);
  SetControlId(countText, kCountTextLabelId, QStringLiteral("countTextLabel"));
  countText->hide();

  cancelButton_ = new QPushButton(tr("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("cancelButton"));
  // Enter must not cancel by accident: the button is pressed on purpose or not at all.
  cancelButton_->setAutoDefault(false);
  connect(cancelButton_, &QPushButton::clicked, this, &WaitDialog::RequestCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(notice);
  layout->addWidget(thanks);
  layout->addWidget(cancelButton_, 0, Qt::AlignCenter);
  setMinimumWidth(340);

  pollTimer_.setObjectName(QStringLiteral("pollTimer"));
  pollTimer_.setInterval(kPollIntervalMs);
  connect(&pollTimer_, &QTimer::timeout, this, &WaitDialog::Poll);
}

void WaitDialog::showEvent(QShowEvent* event) {
  // Started when shown rather than when built, so a worker that is already done by then cannot
  // end the dialog before it is up and leave a later exec() waiting for ever.
  pollTimer_.start();
  QDialog::showEvent(event);
}

void WaitDialog::Poll() {
  if (signal_.Done()) {
    done(QDialog::Accepted);
  }
}

void WaitDialog::RequestCancel() {
  signal_.RequestCancel();
  cancelButton_->setEnabled(false);
  cancelButton_->setText(tr("Cancelling..."));
}

void WaitDialog::done(int result) {
  if (!signal_.Done()) {
    return;
  }
  pollTimer_.stop();
  QDialog::done(result);
}

int RunWorker(QWidget* parent, WorkerSignal& signal, std::function<void()> job) {
  struct HandOut {
    WorkerSignal& signal;
    explicit HandOut(WorkerSignal& s) : signal(s) { signal.handedOut.store(true); }
    ~HandOut() { signal.handedOut.store(false); }
  } handOut(signal);
  signal.ClearCancel();
  signal.Start();
  std::thread worker;
  try {
    worker = std::thread([&signal, job = std::move(job)] {
      try {
        job();
      } catch (...) {
        signal.Finish(-1);
        return;
      }
      if (!signal.Done()) {
        signal.Finish(0);
      }
    });
  } catch (const std::system_error&) {
    signal.Finish(-1);
    return -1;
  }
  WaitDialog dialog(signal, parent);
  dialog.exec();
  worker.join();
  return signal.outcome.load();
}

}  // namespace tollhaven
