#include "support/ui/new_path_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "support/ui/control_ids.h"
#include "support/ui/dialog_buttons.h"
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

  QHBoxLayout* buttons = OkCancelRow(this, kOkButtonId, kCancelButtonId);
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
