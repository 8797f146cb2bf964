#include "link/discovery_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fake_driver_win.h"
#include "link/connect.h"
#include "link/phone_link.h"
#include "support/clock.h"
#include "support/event_log.h"

namespace tollhaven {
namespace {

using ::testing::ElementsAre;

constexpr char kConnected[] = "Usb p2k device found, phone connected !";
constexpr char kNotConnected[] = "No p2k device found, NOT connected !";

// The handset's entry in the serial-port map of this Wine prefix, set for one test and removed
// after it.
class SerialPortEntry {
 public:
  explicit SerialPortEntry(std::optional<std::string> data) {
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSerialPortMapKey, 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
              ERROR_SUCCESS);
    RegDeleteValueA(key_, kHandsetModemValue);
    if (data) {
      EXPECT_EQ(RegSetValueExA(key_, kHandsetModemValue, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(data->c_str()),
                               static_cast<DWORD>(data->size() + 1)),
                ERROR_SUCCESS);
    }
  }
  ~SerialPortEntry() {
    RegDeleteValueA(key_, kHandsetModemValue);
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
};

TEST(WindowsModemPort, OnlyAComPortInTheMapCounts) {
  struct Case {
    std::optional<std::string> data;
    int result;
    std::string port;
  };
  const Case cases[] = {
      {"COM7", 0, "COM7"},
      {"COM12", 0, "COM12"},
      {std::nullopt, -1, ""},
      {"", -1, ""},
      {"com7", -1, ""},  // the three bytes are compared as they stand
      {"CO", -1, ""},
      {"LPT1", -1, ""},
      // Longer than the area: not read at all, rather than cut to a name of another port.
      {"COM1" + std::string(300, '0'), -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data.value_or("(no value)"));
    SerialPortEntry entry(c.data);
    WindowsDiscovery discovery;
    std::string port;
    EXPECT_EQ(discovery.FindModemPort(port), c.result);
    EXPECT_EQ(port, c.port);
  }
}

// The modem port and the driver's interfaces as a test describes them.
class FakeDeviceCalls : public WindowsDeviceCalls {
 public:
  struct Interface {
    bool opens = true;
    testing::DriverReply nameReply;
  };

  FakeDeviceCalls(ManualClock& clock, std::vector<std::string>& calls)
      : clock_(clock), calls_(calls) {}

  void AddInterface(const std::string& path, Interface interface) {
    paths_.push_back(path);
    interfaces_[path] = std::move(interface);
  }
  void AddNamedInterface(const std::string& path, const std::u16string& name) {
    Interface interface;
    interface.nameReply.output = testing::NameAnswer(name, static_cast<uint32_t>(name.size()));
    AddInterface(path, interface);
  }

  bool portWrites = true;
  std::shared_ptr<testing::DriverRecord> lastDriver;

  bool WriteToPort(const std::string& portName, std::string_view bytes) override {
    calls_.push_back("write " + portName + " " + std::string(bytes) + " at " +
                     std::to_string(clock_.TickCount()));
    return portWrites;
  }
  std::vector<std::string> InterfacePaths(const GUID& interfaceClass) override {
    EXPECT_TRUE(IsEqualGUID(interfaceClass, kHandsetInterfaceClass));
    calls_.push_back("enumerate at " + std::to_string(clock_.TickCount()));
    return paths_;
  }
  std::unique_ptr<DriverTransport> OpenInterface(const std::string& path, EventLog& log) override {
    calls_.push_back("open " + path);
    const Interface& interface = interfaces_.at(path);
    if (!interface.opens) {
      return nullptr;
    }
    lastDriver = std::make_shared<testing::DriverRecord>();
    const testing::DriverReply reply = interface.nameReply;
    lastDriver->answer = [reply](const testing::DriverRequest&) { return reply; };
    return std::make_unique<DriverTransport>(testing::OpenNullDevice(), log,
                                             std::make_unique<testing::FakeDriver>(lastDriver));
  }

 private:
  ManualClock& clock_;
  std::vector<std::string>& calls_;
  std::vector<std::string> paths_;
  std::map<std::string, Interface> interfaces_;
};

class WindowsConnect : public ::testing::Test {
 protected:
  WindowsConnect() : link(log, clock) {
    auto fake = std::make_unique<FakeDeviceCalls>(clock, calls);
    calls_ = fake.get();
    discovery = std::make_unique<WindowsDiscovery>(std::move(fake));
  }

  EventLog log;
  ManualClock clock{1000};
  PhoneLink link;
  std::vector<std::string> calls;
  FakeDeviceCalls* calls_;
  std::unique_ptr<WindowsDiscovery> discovery;
};

TEST_F(WindowsConnect, SwitchesTheModemWaitsAndTakesTheFirstInterfaceWithTheExactName) {
  SerialPortEntry entry("COM5");
  FakeDeviceCalls::Interface closed;
  closed.opens = false;
  calls_->AddInterface("\\\\?\\usb#closed", closed);
  calls_->AddNamedInterface("\\\\?\\usb#lower", u"motorola test command");
  calls_->AddNamedInterface("\\\\?\\usb#blank", u"Motorola Test Command ");
  FakeDeviceCalls::Interface silent;
  silent.nameReply.kind = testing::DriverReply::Kind::NeverCompletes;
  calls_->AddInterface("\\\\?\\usb#silent", silent);
  calls_->AddNamedInterface("\\\\?\\usb#right", u"Motorola Test Command");
  calls_->AddNamedInterface("\\\\?\\usb#second", u"Motorola Test Command");

  Connect(link, *discovery);

  EXPECT_THAT(
      calls, ElementsAre("write COM5 at+mode=8\r\n at 1000", "enumerate at 6000",
                         "open \\\\?\\usb#closed", "open \\\\?\\usb#lower", "open \\\\?\\usb#blank",
                         "open \\\\?\\usb#silent", "open \\\\?\\usb#right"));
  EXPECT_EQ(clock.TotalSlept(), 5000u);
  ASSERT_NE(link.transport(), nullptr);
  EXPECT_EQ(link.handsetConnected, 1);
  EXPECT_EQ(link.testInterface, kDefaultTestInterface);
  EXPECT_EQ(discovery->devicePath(), "\\\\?\\usb#right");
  // The name query of the interface kept: selector 2.
  ASSERT_EQ(calls_->lastDriver->requests.size(), 1u);
  EXPECT_THAT(calls_->lastDriver->requests[0].input, ElementsAre(2, 0));
  // The silent interface's name query timed out on its way.
  EXPECT_THAT(log.Lines(), ElementsAre("USB: IO Time-out!", kConnected));
}

TEST_F(WindowsConnect, APortThatCannotBeWrittenStillGetsItsWait) {
  SerialPortEntry entry("COM5");
  calls_->portWrites = false;
  Connect(link, *discovery);
  EXPECT_EQ(clock.TotalSlept(), 5000u);
  EXPECT_EQ(link.handsetConnected, 0);
  EXPECT_THAT(log.Lines(), ElementsAre(kNotConnected));
}

TEST_F(WindowsConnect, NoPortListedMeansNoSwitchAndNoWait) {
  SerialPortEntry entry(std::nullopt);
  calls_->AddNamedInterface("\\\\?\\usb#other", u"Some Other Interface");
  Connect(link, *discovery);
  EXPECT_THAT(calls, ElementsAre("enumerate at 1000", "open \\\\?\\usb#other"));
  EXPECT_EQ(clock.TotalSlept(), 0u);
  EXPECT_EQ(link.transport(), nullptr);
  EXPECT_EQ(link.handsetConnected, 0);
  EXPECT_THAT(log.Lines(), ElementsAre(kNotConnected));
}

// The system's own calls, where Wine has neither the driver nor the port.
TEST(WindowsConnectOnTheSystem, FindsNoInterfaceOfTheDriversClass) {
  EXPECT_TRUE(WindowsDeviceCalls().InterfacePaths(kHandsetInterfaceClass).empty());

  SerialPortEntry entry(std::nullopt);
  EventLog log;
  ManualClock clock;
  PhoneLink link(log, clock);
  WindowsDiscovery discovery;
  Connect(link, discovery);
  EXPECT_EQ(clock.TotalSlept(), 0u);
  EXPECT_EQ(link.transport(), nullptr);
  EXPECT_EQ(link.handsetConnected, 0);
  EXPECT_THAT(log.Lines(), ElementsAre(kNotConnected));
}

TEST(WindowsConnectOnTheSystem, APortThatCannotBeOpenedIsPassedOverAfterItsWait) {
  SerialPortEntry entry("COM251");
  EventLog log;
  ManualClock clock;
  PhoneLink link(log, clock);
  WindowsDiscovery discovery;
  EXPECT_EQ(discovery.SendModeSwitch("COM251"), -1);
  Connect(link, discovery);
  EXPECT_EQ(clock.TotalSlept(), 5000u);
  EXPECT_EQ(link.handsetConnected, 0);
  EXPECT_THAT(log.Lines(), ElementsAre(kNotConnected));
}

}  // namespace
}  // namespace tollhaven
