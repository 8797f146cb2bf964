#include "support/ui/new_path_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "support/ui/control_ids.h"
#include "support/ui/dialog_text.h"

namespace tollhaven {

NewPathDialog::NewPathDialog(std::string& currentName, QWidget* parent)
    : QDialog(parent), currentName_(currentName), nameEdit_(new QLineEdit(this)) {
  SetControlId(this, kDialogId, QStringLiteral("newPathDialog"));
  setWindowTitle(QStringLiteral("Tollhaven"));

  auto* label = new QLabel(tr("New path:"), this);
  SetControlId(label, kPathLabelId, QStringLiteral("newPathLabel"));
  SetControlId(nameEdit_, kNameEditId, QStringLiteral("newPathEdit"));
  nameEdit_->setMaxLength(static_cast<int>(kDialogTextLimit));
  label->setBuddy(nameEdit_);

  auto* ok = new QPushButton(tr("OK"), this);
  SetControlId(ok, kOkButtonId, QStringLiteral("okButton"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  SetControlId(cancel, kCancelButtonId, QStringLiteral("cancelButton"));
  connect(ok, &QPushButton::clicked, this, &NewPathDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &NewPathDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(nameEdit_);
  layout->addLayout(buttons);

  nameEdit_->setFocus();
}

void NewPathDialog::accept() {
  currentName_ = Utf8Prefix(nameEdit_->text());
  QDialog::accept();
}

}  // namespace tollhaven
