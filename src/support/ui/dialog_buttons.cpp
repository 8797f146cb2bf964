#include "support/ui/dialog_buttons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

#include "support/ui/control_ids.h"

namespace tollhaven {

QHBoxLayout* OkCancelRow(QDialog* dialog, int okId, int cancelId) {
  auto* ok = new QPushButton(QDialog::tr("OK"), dialog);
  SetControlId(ok, okId, QStringLiteral("okButton"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QDialog::tr("Cancel"), dialog);
  SetControlId(cancel, cancelId, QStringLiteral("cancelButton"));
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

}  // namespace tollhaven
