#include "link/discovery_linux.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/connect.h"
#include "support/clock.h"
#include "support/event_log.h"

namespace tollhaven {
namespace {

namespace fs = std::filesystem;

// A made-up /sys and /dev laid out the way Linux lays them out, in a temporary directory.
class FakeSystem {
 public:
  FakeSystem() {
    std::string pattern = (fs::temp_directory_path() / "tollhaven-sysfs-XXXXXX").string();
    root_ = fs::path(mkdtemp(pattern.data()));
    fs::create_directories(sys() / "bus" / "usb" / "devices");
    fs::create_directories(sys() / "class" / "tty");
    fs::create_directories(dev());
  }
  ~FakeSystem() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  fs::path sys() const { return root_ / "sys"; }
  fs::path dev() const { return root_ / "dev"; }

  // A USB device "1-2" on bus 1 with address `address`.
  void AddDevice(const std::string& sysName, int address, const std::string& vendor) {
    fs::path dir = DeviceDir(sysName);
    fs::create_directories(dir);
    Write(dir / "busnum", std::to_string(BusOf(sysName)) + "\n");
    Write(dir / "devnum", std::to_string(address) + "\n");
    Write(dir / "idVendor", vendor + "\n");
    fs::create_symlink(dir, sys() / "bus" / "usb" / "devices" / sysName);
  }

  // Interface `number` of configuration 1; `name` as the kernel shows it, if at all.
  void AddInterface(const std::string& device, int number, std::optional<std::string> name) {
    std::string sysName = device + ":1." + std::to_string(number);
    fs::path dir = DeviceDir(device) / sysName;
    fs::create_directories(dir);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", number);
    Write(dir / "bInterfaceNumber", std::string(hex) + "\n");
    if (name) {
      Write(dir / "interface", *name + "\n");
    }
    fs::create_symlink(dir, sys() / "bus" / "usb" / "devices" / sysName);
  }

  // A serial port below interface `number` of `device`; `node` creates /dev/<tty> as well.
  void AddTty(const std::string& device, int number, const std::string& tty, bool node) {
    fs::path dir = DeviceDir(device) / (device + ":1." + std::to_string(number)) / "tty" / tty;
    fs::create_directories(dir);
    fs::create_symlink(dir, sys() / "class" / "tty" / tty);
    if (node) {
      Write(dev() / tty, "");
    }
  }

  static std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

 private:
  static int BusOf(const std::string& sysName) { return std::stoi(sysName); }
  fs::path DeviceDir(const std::string& sysName) const {
    return sys() / "devices" / "pci0000:00" / ("usb" + std::to_string(BusOf(sysName))) / sysName;
  }
  static void Write(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
  }

  fs::path root_;
};

class NullTransport : public UsbTransport {
 public:
  int UsbSend(const uint8_t*, uint32_t&) override { return 0; }
  int UsbReceive(uint8_t*, std::size_t, uint32_t& size) override {
    size = 0;
    return 0;
  }
  int UsbQueryName(uint16_t, std::string&) override { return 0; }
};

// Stands in for libusb: opens what it is told to and writes down every device it touched.
class FakeOpener : public UsbInterfaceOpener {
 public:
  struct Log {
    std::vector<std::string> opened;                 // "claim 1-1:1.8" or "ask 1-1:1.8"
    std::map<std::string, Outcome> outcomes;         // by sysName; Opened when not listed
    std::map<std::string, std::string> deviceNames;  // names only the device itself tells
  };
  explicit FakeOpener(Log& log) : log_(log) {}

  Outcome OpenAndClaim(const UsbInterfaceEntry& entry, EventLog&,
                       std::unique_ptr<UsbTransport>& transport) override {
    log_.opened.push_back("claim " + entry.sysName);
    return Give(entry, transport);
  }
  Outcome OpenIfNamed(const UsbInterfaceEntry& entry, std::string_view wanted, EventLog&,
                      std::unique_ptr<UsbTransport>& transport) override {
    log_.opened.push_back("ask " + entry.sysName);
    if (log_.deviceNames[entry.sysName] != wanted) {
      return Outcome::NotMatching;
    }
    return Give(entry, transport);
  }

 private:
  Outcome Give(const UsbInterfaceEntry& entry, std::unique_ptr<UsbTransport>& transport) {
    auto it = log_.outcomes.find(entry.sysName);
    Outcome outcome = it == log_.outcomes.end() ? Outcome::Opened : it->second;
    if (outcome == Outcome::Opened) {
      transport = std::make_unique<NullTransport>();
    }
    return outcome;
  }
  Log& log_;
};

class LinuxDiscoveryTest : public ::testing::Test {
 protected:
  LinuxDiscovery MakeDiscovery() {
    return LinuxDiscovery(fake.sys(), fake.dev(), std::make_unique<FakeOpener>(opener));
  }

  FakeSystem fake;
  FakeOpener::Log opener;
  EventLog log;
};

// ---- The modem port ----

TEST_F(LinuxDiscoveryTest, NoPortWithoutAHandsetSerialPort) {
  fake.AddDevice("1-1", 2, "1d6b");
  fake.AddTty("1-1", 0, "ttyACM0", true);  // a modem of another maker
  fake.AddDevice("1-2", 3, "22b8");
  fake.AddTty("1-2", 0, "ttyUSB0", true);  // not a USB modem port
  std::string port = "stale";
  EXPECT_EQ(MakeDiscovery().FindModemPort(port), -1);
  EXPECT_EQ(port, "");
}

TEST_F(LinuxDiscoveryTest, PortIsTheFirstHandsetModemInNumberOrder) {
  fake.AddDevice("1-1", 2, "1d6b");
  fake.AddTty("1-1", 1, "ttyACM0", true);
  fake.AddDevice("1-3", 4, "22b8");
  fake.AddTty("1-3", 1, "ttyACM10", true);
  fake.AddDevice("1-2", 3, "22b8");
  fake.AddTty("1-2", 1, "ttyACM2", true);
  std::string port;
  EXPECT_EQ(MakeDiscovery().FindModemPort(port), 0);
  EXPECT_EQ(port, (fake.dev() / "ttyACM2").string());
}

TEST_F(LinuxDiscoveryTest, ModeSwitchWritesTheCommandBytesExactly) {
  fake.AddDevice("1-1", 2, "22b8");
  fake.AddTty("1-1", 1, "ttyACM0", true);
  std::string port = (fake.dev() / "ttyACM0").string();
  EXPECT_EQ(MakeDiscovery().SendModeSwitch(port), 0);
  EXPECT_EQ(FakeSystem::Read(port), std::string("at+mode=8\r\n", 11));
}

TEST_F(LinuxDiscoveryTest, ModeSwitchToAMissingPortFailsAndCreatesNothing) {
  std::string port = (fake.dev() / "ttyACM0").string();
  EXPECT_EQ(MakeDiscovery().SendModeSwitch(port), -1);
  EXPECT_FALSE(fs::exists(port));
}

// ---- Connect over the whole Linux discovery ----

TEST_F(LinuxDiscoveryTest, ConnectWithoutModemPortSearchesAtOnce) {
  fake.AddDevice("1-1", 2, "22b8");
  fake.AddInterface("1-1", 8, "Motorola Test Command");
  ManualClock clock;
  PhoneLink link(log, clock);
  LinuxDiscovery discovery = MakeDiscovery();
  Connect(link, discovery);
  EXPECT_EQ(clock.TotalSlept(), 0u);
  EXPECT_EQ(link.handsetConnected, 1);
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"Usb p2k device found, phone connected !"});
}

TEST_F(LinuxDiscoveryTest, ConnectWithAPortThatCannotBeOpenedStillWaits) {
  fake.AddDevice("1-1", 2, "22b8");
  fake.AddTty("1-1", 1, "ttyACM0", false);  // listed in sysfs, no device node
  ManualClock clock;
  PhoneLink link(log, clock);
  LinuxDiscovery discovery = MakeDiscovery();
  Connect(link, discovery);
  EXPECT_EQ(clock.TotalSlept(), 5000u);
  EXPECT_FALSE(fs::exists(fake.dev() / "ttyACM0"));
  EXPECT_EQ(link.handsetConnected, 0);
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"No p2k device found, NOT connected !"});
}

// ---- The test-command interface ----

struct NameCase {
  const char* what;
  std::string name;
  bool matches;
};

class InterfaceNameTest : public LinuxDiscoveryTest,
                          public ::testing::WithParamInterface<NameCase> {};

TEST_P(InterfaceNameTest, OnlyTheExactNameIsOpened) {
  fake.AddDevice("1-1", 2, "22b8");
  fake.AddInterface("1-1", 8, GetParam().name);
  FoundInterface found = MakeDiscovery().OpenTestInterface(log);
  EXPECT_EQ(found.transport != nullptr, GetParam().matches);
  EXPECT_EQ(opener.opened.size(), GetParam().matches ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Names, InterfaceNameTest,
    ::testing::Values(NameCase{"Exact", "Motorola Test Command", true},
                      NameCase{"LowerCase", "motorola test command", false},
                      NameCase{"TrailingBlank", "Motorola Test Command ", false},
                      NameCase{"LeadingBlank", " Motorola Test Command", false},
                      NameCase{"Empty", "", false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(LinuxDiscoveryTest, FirstMatchingInterfaceIsUsedAndOnlyItIsOpened) {
  fake.AddDevice("1-1", 2, "22b8");
  fake.AddInterface("1-1", 0, "Motorola Modem");
  fake.AddInterface("1-1", 1, std::nullopt);
  fake.AddDevice("1-10", 5, "22b8");
  fake.AddInterface("1-10", 8, "Motorola Test Command");
  fake.AddDevice("1-2", 3, "22b8");
  fake.AddInterface("1-2", 0, "Motorola Modem");
  fake.AddInterface("1-2", 5, "Motorola Test Command");
  opener.deviceNames["1-1:1.1"] = "Motorola Data";
  FoundInterface found = MakeDiscovery().OpenTestInterface(log);
  ASSERT_NE(found.transport, nullptr);
  EXPECT_EQ(found.interfaceNumber, 5);
  // 1-2 comes before 1-10; the nameless interface of the handset maker's device is asked.
  EXPECT_EQ(opener.opened, (std::vector<std::string>{"ask 1-1:1.1", "claim 1-2:1.5"}));
}

TEST_F(LinuxDiscoveryTest, NamelessInterfacesAreAskedOnlyOnTheHandsetMakersDevices) {
  fake.AddDevice("1-1", 2, "046d");
  fake.AddInterface("1-1", 0, std::nullopt);
  fake.AddDevice("1-2", 3, "22b8");
  fake.AddInterface("1-2", 8, std::nullopt);
  opener.deviceNames["1-1:1.0"] = "Motorola Test Command";
  opener.deviceNames["1-2:1.8"] = "Motorola Test Command";
  FoundInterface found = MakeDiscovery().OpenTestInterface(log);
  ASSERT_NE(found.transport, nullptr);
  EXPECT_EQ(found.interfaceNumber, 8);
  EXPECT_EQ(opener.opened, std::vector<std::string>{"ask 1-2:1.8"});
}

TEST_F(LinuxDiscoveryTest, InterfaceThatMayNotBeOpenedIsPassedOver) {
  fake.AddDevice("1-1", 2, "22b8");
  fake.AddInterface("1-1", 8, "Motorola Test Command");
  fake.AddDevice("1-2", 3, "22b8");
  fake.AddInterface("1-2", 8, "Motorola Test Command");
  opener.outcomes["1-1:1.8"] = UsbInterfaceOpener::Outcome::AccessDenied;

  FoundInterface found = MakeDiscovery().OpenTestInterface(log);
  EXPECT_NE(found.transport, nullptr);
  EXPECT_FALSE(found.accessDenied);

  opener.outcomes["1-2:1.8"] = UsbInterfaceOpener::Outcome::Failed;
  found = MakeDiscovery().OpenTestInterface(log);
  EXPECT_EQ(found.transport, nullptr);
  EXPECT_TRUE(found.accessDenied);
}

TEST_F(LinuxDiscoveryTest, ConnectExplainsAMissingPermission) {
  fake.AddDevice("1-1", 2, "22b8");
  fake.AddInterface("1-1", 8, "Motorola Test Command");
  opener.outcomes["1-1:1.8"] = UsbInterfaceOpener::Outcome::AccessDenied;
  ManualClock clock;
  PhoneLink link(log, clock);
  LinuxDiscovery discovery = MakeDiscovery();
  Connect(link, discovery);
  std::vector<std::string> lines = log.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("udev rule 70-tollhaven-p2k.rules"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1], "No p2k device found, NOT connected !");
}

TEST_F(LinuxDiscoveryTest, InterfacesAreListedWithTheirDevice) {
  fake.AddDevice("2-1.4", 7, "22b8");
  fake.AddInterface("2-1.4", 10, "Motorola Test Command ");
  std::vector<UsbInterfaceEntry> entries = MakeDiscovery().ListInterfaces();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].sysName, "2-1.4:1.10");
  EXPECT_EQ(entries[0].busNumber, 2);
  EXPECT_EQ(entries[0].deviceAddress, 7);
  EXPECT_EQ(entries[0].vendorId, 0x22b8);
  EXPECT_EQ(entries[0].interfaceNumber, 10);
  EXPECT_TRUE(entries[0].hasName);
  EXPECT_EQ(entries[0].name, "Motorola Test Command ");
}

}  // namespace
}  // namespace tollhaven
