#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "link/usb_hotplug_watch.h"

namespace tollhaven {

// Hands a UsbHotplugWatch's events to `onEvents` on the thread of the Qt event loop, as soon as
// libusb has them: the watch's descriptors are watched by the loop, no thread of its own.
class HotplugNotifier : public QObject {
  Q_OBJECT

 public:
  HotplugNotifier(std::unique_ptr<UsbHotplugWatch> watch,
                  std::function<void(HotplugEvents)> onEvents, QObject* parent);

 private:
  void Take();

  std::unique_ptr<UsbHotplugWatch> watch_;
  std::function<void(HotplugEvents)> onEvents_;
};

}  // namespace tollhaven
