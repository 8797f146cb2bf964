#pragma once

#include <QAccessibleWidget>

namespace tollhaven {

class HyperLink;

// What assistive tools see of a HyperLink: a link named by its text, whose one action opens it.
class HyperLinkAccessible : public QAccessibleWidget {
 public:
  explicit HyperLinkAccessible(HyperLink* link);

  QString text(QAccessible::Text kind) const override;
  QAccessible::State state() const override;
  QStringList actionNames() const override;
  void doAction(const QString& action) override;
  QStringList keyBindingsForAction(const QString& action) const override;

 private:
  HyperLink* link() const;
};

// Installed with QAccessible::installFactory: the interface for HyperLink widgets, null for any
// other object.
QAccessibleInterface* HyperLinkAccessibleFactory(const QString& className, QObject* object);

}  // namespace tollhaven
