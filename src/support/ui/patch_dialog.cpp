#include "support/ui/patch_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "support/ui/control_ids.h"

namespace tollhaven {

PatchDialog::PatchDialog(const QString& patchPath, const std::vector<std::string>& lines,
                         std::function<void()> start, QWidget* parent)
    : QDialog(parent),
      start_(std::move(start)),
      list_(new QListWidget(this)),
      startButton_(new QPushButton(tr("Start"), this)),
      cancelButton_(new QPushButton(tr("Cancel"), this)) {
  SetControlId(this, kDialogId, QStringLiteral("patchDialog"));
  setWindowTitle(QStringLiteral("Tollhaven patch file"));

  SetControlId(list_, kLinesListId, QStringLiteral("patchLines"));
  list_->setSortingEnabled(false);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMinimumSize(420, 260);
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(lines.size()) + 2);
  texts << patchPath << QString::fromLatin1(kSeparator);
  for (const std::string& line : lines) {
    texts << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
  }
  list_->addItems(texts);

  SetControlId(startButton_, kStartButtonId, QStringLiteral("startButton"));
  startButton_->setDefault(true);
  SetControlId(cancelButton_, kCancelButtonId, QStringLiteral("cancelButton"));
  connect(startButton_, &QPushButton::clicked, this, &PatchDialog::Start);
  connect(cancelButton_, &QPushButton::clicked, this, &PatchDialog::Cancel);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(startButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(buttons);

  startButton_->setFocus();
}

void PatchDialog::Start() {
  if (running_) {
    return;
  }
  running_ = true;
  startButton_->setEnabled(false);
  cancelButton_->setEnabled(false);
  if (start_) {
    start_();
  }
  running_ = false;
  outcome_ = Outcome::Started;
  accept();
}

void PatchDialog::Cancel() {
  if (running_) {
    return;
  }
  outcome_ = Outcome::Cancelled;
  reject();
}

void PatchDialog::closeEvent(QCloseEvent* event) {
  // The script runs to its end once started: the close box waits like the buttons do.
  if (running_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void PatchDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    Cancel();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace tollhaven
