#include "support/ui/copy_to_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "support/ui/control_ids.h"
#include "support/ui/dialog_buttons.h"

namespace tollhaven {

CopyToDialog::CopyToDialog(const std::string& currentName, std::string& otherPath, QWidget* parent)
    : QDialog(parent), otherPath_(otherPath), destinationEdit_(new QLineEdit(this)) {
  SetControlId(this, kDialogId, QStringLiteral("copyToDialog"));
  setWindowTitle(QStringLiteral("Tollhaven"));

  auto* copyFile = new QLabel(tr("Copy file"), this);
  SetControlId(copyFile, kCopyFileLabelId, QStringLiteral("copyFileLabel"));
  auto* fileName = new QLabel(QString::fromStdString(currentName), this);
  SetControlId(fileName, kFileNameLabelId, QStringLiteral("fileNameLabel"));
  fileName->setTextFormat(Qt::PlainText);
  auto* to = new QLabel(tr("to:"), this);
  SetControlId(to, kToLabelId, QStringLiteral("toLabel"));
  to->setBuddy(destinationEdit_);

  SetControlId(destinationEdit_, kDestinationEditId, QStringLiteral("destinationEdit"));
  destinationEdit_->setText(QString::fromStdString(otherPath));
  destinationEdit_->setMinimumWidth(320);

  auto* fields = new QGridLayout;
  fields->addWidget(copyFile, 0, 0);
  fields->addWidget(fileName, 0, 1);
  fields->addWidget(to, 1, 0);
  fields->addWidget(destinationEdit_, 1, 1);
  QHBoxLayout* buttons = OkCancelRow(this, kOkButtonId, kCancelButtonId);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(buttons);

  destinationEdit_->setFocus();
}

void CopyToDialog::accept() {
  // The whole path: a local path has no limit of a name buffer, and a cut one would name
  // another file or directory than the one the user typed.
  otherPath_ = destinationEdit_->text().toStdString();
  QDialog::accept();
}

}  // namespace tollhaven
