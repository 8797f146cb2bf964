#include "panels/ui/selector_wheel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>

namespace tollhaven {
namespace {

class ClosedSelectorWheel : public QObject {
 public:
  explicit ClosedSelectorWheel(QComboBox* selector) : QObject(selector), selector_(selector) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The open list is a window of its own and gets its wheel turns itself; the selector sees
    // them only while it is closed.
    return watched == selector_ && event->type() == QEvent::Wheel &&
           !selector_->view()->isVisible();
  }

 private:
  QComboBox* selector_;
};

}  // namespace

void IgnoreWheelWhileClosed(QComboBox* selector) {
  selector->setFocusPolicy(Qt::StrongFocus);
  selector->installEventFilter(new ClosedSelectorWheel(selector));
}

}  // namespace tollhaven
