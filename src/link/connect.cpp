#include "link/connect.h"

#include <string>
#include <utility>

namespace tollhaven {

namespace {

constexpr char kConnectedLine[] = "Usb p2k device found, phone connected !";
constexpr char kNotConnectedLine[] = "No p2k device found, NOT connected !";
// Without this line a user whose handset is plugged in sees only "NOT connected" and has no way
// to tell that the system's device permissions are the reason.
constexpr char kAccessDeniedLine[] =
    "USB: no permission to open the \"Motorola Test Command\" interface; install the udev rule "
    "70-tollhaven-p2k.rules (./build.sh install-udev) and replug the handset.";

}  // namespace

void Connect(PhoneLink& link, Discovery& discovery) {
  std::string port;
  if (discovery.FindModemPort(port) == 0) {
    // Whether the write worked or not, the handset may already be switching: wait either way.
    discovery.SendModeSwitch(port);
    link.clock().Sleep(kModeSwitchWaitMs);
  }

  FoundInterface found = discovery.OpenTestInterface(link.log());
  if (found.transport) {
    // Replacing the transport closes the handle of an earlier Connect.
    link.SetTransport(std::move(found.transport));
    link.testInterface = found.interfaceNumber;
  } else if (found.accessDenied && link.transport() == nullptr) {
    link.log().AddDirect(kAccessDeniedLine);
  }

  if (link.transport() != nullptr) {
    link.handsetConnected = 1;
    link.log().AddDirect(kConnectedLine);
  } else {
    link.log().AddDirect(kNotConnectedLine);
  }
}

}  // namespace tollhaven
