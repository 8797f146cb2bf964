#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/discovery.h"

namespace tollhaven {

// A USB interface as sysfs shows it, without opening anything.
struct UsbInterfaceEntry {
  std::string sysName;  // e.g. "1-1:1.8"
  int busNumber = 0;    // of the device the interface belongs to
  int deviceAddress = 0;
  uint16_t vendorId = 0;
  uint8_t interfaceNumber = 0;
  bool hasName = false;  // whether the kernel shows the interface's name
  std::string name;      // that name, exactly as the device reports it
};

// Opens a USB device for the test-command transfers. A seam, so the choice of interface can be
// tested on a made-up sysfs tree without any USB device.
class UsbInterfaceOpener {
 public:
  enum class Outcome { Opened, NotMatching, AccessDenied, Failed };

  virtual ~UsbInterfaceOpener() = default;
  // Opens the device of `entry` and claims its interface.
  virtual Outcome OpenAndClaim(const UsbInterfaceEntry& entry, EventLog& log,
                               std::unique_ptr<UsbTransport>& transport) = 0;
  // For an interface whose name the kernel does not show: opens the device, reads the name from
  // the device and claims the interface only when the name is `wanted`.
  virtual Outcome OpenIfNamed(const UsbInterfaceEntry& entry, std::string_view wanted,
                              EventLog& log, std::unique_ptr<UsbTransport>& transport) = 0;
};

// Discovery on Linux: the modem port and the interfaces are found in sysfs, so nothing but the
// handset's own port and interface is ever opened.
class LinuxDiscovery : public Discovery {
 public:
  // `sysRoot` and `devRoot` stand for /sys and /dev; `opener` defaults to libusb.
  explicit LinuxDiscovery(std::filesystem::path sysRoot = "/sys",
                          std::filesystem::path devRoot = "/dev",
                          std::unique_ptr<UsbInterfaceOpener> opener = nullptr);

  // The first /dev/ttyACM* (in number order) whose USB device has the handset maker's vendor id.
  int FindModemPort(std::string& port) override;
  int SendModeSwitch(const std::string& port) override;
  FoundInterface OpenTestInterface(EventLog& log) override;
  // libusb's hot-plug events for the handset maker's devices.
  std::unique_ptr<UsbHotplugWatch> WatchDevices() override;

  // Every USB interface of the active configurations, in enumeration order: by bus, port path,
  // configuration and interface number.
  std::vector<UsbInterfaceEntry> ListInterfaces() const;

 private:
  std::filesystem::path sysRoot_;
  std::filesystem::path devRoot_;
  std::unique_ptr<UsbInterfaceOpener> opener_;
};

// The handset maker's USB vendor id.
inline constexpr uint16_t kHandsetVendorId = 0x22b8;

}  // namespace tollhaven
