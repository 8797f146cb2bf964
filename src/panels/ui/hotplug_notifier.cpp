#include "panels/ui/hotplug_notifier.h"

#include <QSocketNotifier>
#include <utility>

namespace tollhaven {

HotplugNotifier::HotplugNotifier(std::unique_ptr<UsbHotplugWatch> watch,
                                 std::function<void(HotplugEvents)> onEvents, QObject* parent)
    : QObject(parent), watch_(std::move(watch)), onEvents_(std::move(onEvents)) {
  setObjectName(QStringLiteral("hotplugNotifier"));
  for (int descriptor : watch_->Descriptors()) {
    auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &HotplugNotifier::Take);
  }
}

void HotplugNotifier::Take() {
  HotplugEvents events = watch_->Take();
  if (!events.empty()) {
    onEvents_(std::move(events));
  }
}

}  // namespace tollhaven
