#include "support/ui/hyperlink_accessible.h"

#include "support/ui/hyperlink.h"

namespace tollhaven {

HyperLinkAccessible::HyperLinkAccessible(HyperLink* link)
    : QAccessibleWidget(link, QAccessible::Link) {}

HyperLink* HyperLinkAccessible::link() const {
  return static_cast<HyperLink*>(widget());
}

QString HyperLinkAccessible::text(QAccessible::Text kind) const {
  switch (kind) {
    case QAccessible::Name:
      return link()->text();
    case QAccessible::Value:
      return link()->LinkUrl().toString();
    default:
      return QAccessibleWidget::text(kind);
  }
}

QAccessible::State HyperLinkAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.linked = true;
  return state;
}

QStringList HyperLinkAccessible::actionNames() const {
  return {pressAction()};
}

void HyperLinkAccessible::doAction(const QString& action) {
  if (action == pressAction()) {
    link()->Open();
  }
}

QStringList HyperLinkAccessible::keyBindingsForAction(const QString& action) const {
  if (action == pressAction()) {
    return {QStringLiteral("Return"), QStringLiteral("Space")};
  }
  return {};
}

QAccessibleInterface* HyperLinkAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String(HyperLink::staticMetaObject.className()) && object != nullptr &&
      object->isWidgetType()) {
    return new HyperLinkAccessible(static_cast<HyperLink*>(object));
  }
  return nullptr;
}

}  // namespace tollhaven
