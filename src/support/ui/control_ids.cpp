#include "support/ui/control_ids.h"

#include <QVariant>

namespace tollhaven {

void SetControlId(QWidget* control, int id, const QString& objectName) {
  control->setObjectName(objectName);
  control->setProperty(kControlIdProperty, id);
}

QWidget* FindControl(const QWidget* root, int id) {
  const auto children = root->findChildren<QWidget*>();
  for (QWidget* child : children) {
    if (child->property(kControlIdProperty).toInt() == id) {
      return child;
    }
  }
  return nullptr;
}

}  // namespace tollhaven
