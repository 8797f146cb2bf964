#pragma once

#include "link/discovery.h"
#include "link/phone_link.h"

namespace tollhaven {

enum class LinkChange {
  None,
  Lost,  // the handset stopped answering; its device was let go
  Back,  // a handset was found again
};

// Notices a handset that has gone (unplugged, restarted, gone quiet) and finds it again once it
// is back, without a restart of the program. The front end calls Check now and then, never
// while a worker holds the link; on Lost it forgets the file list, on Back it reads the volumes.
// From the moment the link counts as lost until then, its commands fail at once.
class LinkRecovery {
 public:
  LinkRecovery(PhoneLink& link, Discovery& discovery);

  LinkChange Check();
  // The system reported `device` gone: when it is the handset's device, the handset is let go
  // at once (Lost), without waiting for its commands to go unanswered. The same rule as for
  // Check: never while a worker holds the link.
  LinkChange DeviceLeft(const UsbDeviceAddress& device);
  // True from a Lost until the handset is back.
  bool waiting() const { return waiting_; }

 private:
  LinkChange Lose();

  PhoneLink& link_;
  Discovery& discovery_;
  bool waiting_ = false;
};

}  // namespace tollhaven
