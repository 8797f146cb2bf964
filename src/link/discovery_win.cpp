#include "link/discovery_win.h"

#include <setupapi.h>

#include <cstring>
#include <utility>

#include "link/phone_link.h"

namespace tollhaven {

namespace {

// The port map's data area; a port counts only when its name begins with "COM".
constexpr DWORD kPortNameCapacity = 256;

// Owns the list SetupDi hands out.
struct DeviceInfoList {
  HDEVINFO set;
  ~DeviceInfoList() { SetupDiDestroyDeviceInfoList(set); }
};

}  // namespace

bool WindowsDeviceCalls::WriteToPort(const std::string& portName, std::string_view bytes) {
  // The device namespace prefix reaches COM10 and above too, which the bare name does not;
  // serial ports are opened as existing devices.
  const std::string device = "\\\\.\\" + portName;
  HANDLE port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD written = 0;
  const BOOL wrote =
      WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(port);
  return wrote && written == bytes.size();
}

std::vector<std::string> WindowsDeviceCalls::InterfacePaths(const GUID& interfaceClass) {
  std::vector<std::string> paths;
  HDEVINFO set = SetupDiGetClassDevsA(&interfaceClass, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) {
    return paths;
  }
  DeviceInfoList list{set};
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &interfaceClass, index, &data)) {
      break;
    }
    DWORD required = 0;
    if (!SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      break;
    }
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
      continue;
    }
    std::vector<std::byte> storage(required);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr)) {
      continue;
    }
    paths.emplace_back(detail->DevicePath);
  }
  return paths;
}

std::unique_ptr<DriverTransport> WindowsDeviceCalls::OpenInterface(const std::string& devicePath,
                                                                   EventLog& log) {
  HANDLE device =
      CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    return nullptr;
  }
  return std::make_unique<DriverTransport>(device, log);
}

WindowsDiscovery::WindowsDiscovery(std::unique_ptr<WindowsDeviceCalls> calls)
    : calls_(std::move(calls)) {
  if (!calls_) {
    calls_ = std::make_unique<WindowsDeviceCalls>();
  }
}

int WindowsDiscovery::FindModemPort(std::string& port) {
  char area[kPortNameCapacity] = {};
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialPortMapKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD type = 0;
    // One byte short of the area, so that the name always ends in a zero.
    DWORD size = kPortNameCapacity - 1;
    if (RegQueryValueExA(key, kHandsetModemValue, nullptr, &type, reinterpret_cast<BYTE*>(area),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
      std::memset(area, 0, sizeof area);
    }
    RegCloseKey(key);
  }
  if (std::strncmp(area, "COM", 3) != 0) {
    return -1;
  }
  port = area;
  return 0;
}

int WindowsDiscovery::SendModeSwitch(const std::string& port) {
  return calls_->WriteToPort(port, std::string_view(kModeSwitchCommand, kModeSwitchLength)) ? 0
                                                                                            : -1;
}

FoundInterface WindowsDiscovery::OpenTestInterface(EventLog& log) {
  FoundInterface found;
  for (const std::string& path : calls_->InterfacePaths(kHandsetInterfaceClass)) {
    std::unique_ptr<DriverTransport> transport = calls_->OpenInterface(path, log);
    if (!transport) {
      continue;
    }
    std::string name;
    if (transport->UsbQueryName(kInterfaceNameSelector, name) == 0 && name == kTestInterfaceName) {
      devicePath_ = path;
      found.transport = std::move(transport);
      // The driver does not tell the interface's number; the test-command interface is 8.
      found.interfaceNumber = kDefaultTestInterface;
      break;
    }
    // Not the one: the handle is closed with the transport.
  }
  return found;
}

}  // namespace tollhaven
