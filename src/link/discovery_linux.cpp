#include "link/discovery_linux.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>

#include "link/discovery_libusb.h"

namespace tollhaven {

namespace fs = std::filesystem;

namespace {

// A sysfs attribute without the newline the kernel ends it with; nothing else is trimmed, so
// a name with a trailing blank keeps it.
std::optional<std::string> ReadAttribute(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!text.empty() && text.back() == '\n') {
    text.pop_back();
  }
  return text;
}

std::optional<unsigned> ReadNumber(const fs::path& file, int base) {
  std::optional<std::string> text = ReadAttribute(file);
  if (!text) {
    return std::nullopt;
  }
  std::string_view digits = *text;
  while (!digits.empty() && digits.front() == ' ') {
    digits.remove_prefix(1);
  }
  unsigned value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error != std::errc() || end == digits.data()) {
    return std::nullopt;
  }
  return value;
}

// All numbers in a sysfs name, in order: "1-1.2:1.8" gives 1 1 2 1 8, "ttyACM10" gives 10.
// Comparing these orders names the way people count, not the way strings sort.
std::vector<unsigned> NumbersIn(std::string_view name) {
  std::vector<unsigned> numbers;
  const char* at = name.data();
  const char* end = name.data() + name.size();
  while (at < end) {
    unsigned value = 0;
    auto [next, error] = std::from_chars(at, end, value);
    if (error == std::errc()) {
      numbers.push_back(value);
      at = next;
    } else {
      ++at;
    }
  }
  return numbers;
}

// The interface number in a name like "1-1:1.8", for a tree without bInterfaceNumber.
std::optional<unsigned> InterfaceNumberFromName(std::string_view sysName) {
  std::size_t dot = sysName.rfind('.');
  if (dot == std::string_view::npos || dot < sysName.find(':')) {
    return std::nullopt;
  }
  unsigned value = 0;
  const char* end = sysName.data() + sysName.size();
  auto [stop, error] = std::from_chars(sysName.data() + dot + 1, end, value);
  if (error != std::errc() || stop != end) {
    return std::nullopt;
  }
  return value;
}

bool Inside(const fs::path& path, const fs::path& root) {
  auto [rootEnd, pathAt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return rootEnd == root.end();
}

// The USB device above a sysfs node: the nearest directory up the tree with a vendor id.
std::optional<fs::path> UsbDeviceAbove(const fs::path& node, const fs::path& sysRoot) {
  std::error_code error;
  fs::path root = fs::canonical(sysRoot, error);
  if (error) {
    return std::nullopt;
  }
  fs::path at = fs::canonical(node, error);
  if (error) {
    return std::nullopt;
  }
  while (Inside(at, root) && at != root) {
    if (fs::exists(at / "idVendor", error)) {
      return at;
    }
    at = at.parent_path();
  }
  return std::nullopt;
}

std::vector<fs::directory_entry> SortedEntries(const fs::path& directory) {
  std::vector<fs::directory_entry> entries;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory, error)) {
    entries.push_back(entry);
  }
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    std::string nameA = a.path().filename().string();
    std::string nameB = b.path().filename().string();
    return std::pair(NumbersIn(nameA), nameA) < std::pair(NumbersIn(nameB), nameB);
  });
  return entries;
}

}  // namespace

LinuxDiscovery::LinuxDiscovery(fs::path sysRoot, fs::path devRoot,
                               std::unique_ptr<UsbInterfaceOpener> opener)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)), opener_(std::move(opener)) {
  if (!opener_) {
    opener_ = std::make_unique<LibusbInterfaceOpener>();
  }
}

int LinuxDiscovery::FindModemPort(std::string& port) {
  port.clear();
  for (const fs::directory_entry& entry : SortedEntries(sysRoot_ / "class" / "tty")) {
    std::string name = entry.path().filename().string();
    if (!name.starts_with("ttyACM")) {
      continue;
    }
    std::optional<fs::path> device = UsbDeviceAbove(entry.path(), sysRoot_);
    if (!device) {
      continue;
    }
    std::optional<unsigned> vendor = ReadNumber(*device / "idVendor", 16);
    if (vendor && *vendor == kHandsetVendorId) {
      port = (devRoot_ / name).string();
      return 0;
    }
  }
  return -1;
}

int LinuxDiscovery::SendModeSwitch(const std::string& port) {
  // Non-blocking, so a port waiting for a carrier cannot hang the window.
  int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return -1;
  }
  // A tty's usual output processing turns "\n" into "\r\n"; the handset must get the command's
  // bytes as they are.
  termios settings{};
  if (::tcgetattr(fd, &settings) == 0) {
    ::cfmakeraw(&settings);
    ::tcsetattr(fd, TCSANOW, &settings);
  }
  ssize_t written = ::write(fd, kModeSwitchCommand, kModeSwitchLength);
  ::close(fd);
  return written == static_cast<ssize_t>(kModeSwitchLength) ? 0 : -1;
}

std::vector<UsbInterfaceEntry> LinuxDiscovery::ListInterfaces() const {
  std::vector<UsbInterfaceEntry> interfaces;
  for (const fs::directory_entry& entry : SortedEntries(sysRoot_ / "bus" / "usb" / "devices")) {
    std::string sysName = entry.path().filename().string();
    // Devices are named "1-1"; their interfaces "1-1:1.8" (configuration 1, interface 8).
    if (sysName.find(':') == std::string::npos) {
      continue;
    }
    std::error_code error;
    fs::path interfaceDir = fs::canonical(entry.path(), error);
    if (error) {
      continue;
    }
    fs::path deviceDir = interfaceDir.parent_path();
    std::optional<unsigned> bus = ReadNumber(deviceDir / "busnum", 10);
    std::optional<unsigned> address = ReadNumber(deviceDir / "devnum", 10);
    std::optional<unsigned> vendor = ReadNumber(deviceDir / "idVendor", 16);
    std::optional<unsigned> number = ReadNumber(interfaceDir / "bInterfaceNumber", 16);
    if (!number) {
      number = InterfaceNumberFromName(sysName);
    }
    if (!bus || !address || !number || *number > 0xFF) {
      continue;
    }
    UsbInterfaceEntry found;
    found.sysName = sysName;
    found.busNumber = static_cast<int>(*bus);
    found.deviceAddress = static_cast<int>(*address);
    found.vendorId = static_cast<uint16_t>(vendor.value_or(0));
    found.interfaceNumber = static_cast<uint8_t>(*number);
    if (std::optional<std::string> name = ReadAttribute(interfaceDir / "interface")) {
      found.hasName = true;
      found.name = std::move(*name);
    }
    interfaces.push_back(std::move(found));
  }
  return interfaces;
}

FoundInterface LinuxDiscovery::OpenTestInterface(EventLog& log) {
  FoundInterface found;
  for (const UsbInterfaceEntry& entry : ListInterfaces()) {
    UsbInterfaceOpener::Outcome outcome;
    if (entry.hasName) {
      if (entry.name != kTestInterfaceName) {
        continue;
      }
      outcome = opener_->OpenAndClaim(entry, log, found.transport);
    } else if (entry.vendorId == kHandsetVendorId) {
      // The kernel shows no name: only the handset maker's devices are opened to ask for it.
      outcome = opener_->OpenIfNamed(entry, kTestInterfaceName, log, found.transport);
    } else {
      continue;
    }
    if (outcome == UsbInterfaceOpener::Outcome::Opened && found.transport) {
      found.interfaceNumber = entry.interfaceNumber;
      found.accessDenied = false;
      return found;
    }
    found.transport.reset();
    if (outcome == UsbInterfaceOpener::Outcome::AccessDenied) {
      found.accessDenied = true;
    }
  }
  return found;
}

std::unique_ptr<UsbHotplugWatch> LinuxDiscovery::WatchDevices() {
  return UsbHotplugWatch::Start(kHandsetVendorId);
}

}  // namespace tollhaven
