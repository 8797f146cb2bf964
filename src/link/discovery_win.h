#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/discovery.h"
#include "link/driver_transport_win.h"

namespace tollhaven {

// The device-interface class of the maker's driver.
inline constexpr GUID kHandsetInterfaceClass = {
    0x4e1e1e15, 0x52d7, 0x11d4, {0x85, 0x2d, 0x00, 0x10, 0x5a, 0xa6, 0xf8, 0x0b}};
// Where Windows lists the serial ports, and the value that names the handset's modem port.
inline constexpr char kSerialPortMapKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
inline constexpr char kHandsetModemValue[] = "\\Device\\USBSER000";
// Selector of the driver's name query that gives the interface's name.
inline constexpr uint16_t kInterfaceNameSelector = 2;

// The system calls of discovery, as a seam: tests stand in for the modem port and for the
// driver's interfaces, which exist nowhere but beside a handset.
class WindowsDeviceCalls {
 public:
  virtual ~WindowsDeviceCalls() = default;
  // Opens the serial port `portName` (as the port map names it, e.g. "COM3") and writes `bytes`
  // in one write. False when the port cannot be opened or the write fails.
  virtual bool WriteToPort(const std::string& portName, std::string_view bytes);
  // The device paths of the present interfaces of `interfaceClass`, in enumeration order.
  virtual std::vector<std::string> InterfacePaths(const GUID& interfaceClass);
  // Opens an interface for the transfers (without overlapped I/O); null when it cannot be.
  virtual std::unique_ptr<DriverTransport> OpenInterface(const std::string& devicePath,
                                                         EventLog& log);
};

// Discovery on Windows with the maker's driver: the modem port from the serial-port map, the
// test-command interface among the driver's device interfaces.
class WindowsDiscovery : public Discovery {
 public:
  // `calls` defaults to the system's.
  explicit WindowsDiscovery(std::unique_ptr<WindowsDeviceCalls> calls = nullptr);

  // The port named by the map's "\Device\USBSER000" value, when it is a COM port.
  int FindModemPort(std::string& port) override;
  int SendModeSwitch(const std::string& port) override;
  // The first interface of the driver's class that reports the name "Motorola Test Command".
  FoundInterface OpenTestInterface(EventLog& log) override;

  // The device path of the interface found last; empty before one is found.
  const std::string& devicePath() const { return devicePath_; }

 private:
  std::unique_ptr<WindowsDeviceCalls> calls_;
  std::string devicePath_;
};

}  // namespace tollhaven
