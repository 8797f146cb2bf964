#include "link/connect.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/clock.h"
#include "support/event_log.h"

namespace tollhaven {
namespace {

constexpr char kConnected[] = "Usb p2k device found, phone connected !";
constexpr char kNotConnected[] = "No p2k device found, NOT connected !";

// A transport that only tells when it is destroyed (its handle closed).
class MarkedTransport : public UsbTransport {
 public:
  explicit MarkedTransport(int& closed) : closed_(closed) {}
  ~MarkedTransport() override { ++closed_; }
  int UsbSend(const uint8_t*, uint32_t&) override { return 0; }
  int UsbReceive(uint8_t*, std::size_t, uint32_t& size) override {
    size = 0;
    return 0;
  }
  int UsbQueryName(uint16_t, std::string& name) override {
    name = "Motorola Test Command";
    return 0;
  }

 private:
  int& closed_;
};

// Discovery that plays a scripted part and writes down what Connect asked, and when.
class ScriptedDiscovery : public Discovery {
 public:
  explicit ScriptedDiscovery(ManualClock& clock) : clock_(clock) {}

  int FindModemPort(std::string& port) override {
    calls.push_back("FindModemPort");
    if (!portPresent) {
      return -1;
    }
    port = "/dev/ttyACM0";
    return 0;
  }
  int SendModeSwitch(const std::string& port) override {
    calls.push_back("SendModeSwitch " + port);
    return switchWorks ? 0 : -1;
  }
  FoundInterface OpenTestInterface(EventLog&) override {
    calls.push_back("OpenTestInterface");
    searchedAt = clock_.TickCount();
    FoundInterface found;
    if (offerInterface) {
      found.transport = std::make_unique<MarkedTransport>(closed);
      found.interfaceNumber = interfaceNumber;
    }
    found.accessDenied = accessDenied;
    return found;
  }

  bool portPresent = false;
  bool switchWorks = true;
  bool offerInterface = false;
  uint16_t interfaceNumber = 8;
  bool accessDenied = false;

  std::vector<std::string> calls;
  uint32_t searchedAt = 0;
  int closed = 0;

 private:
  ManualClock& clock_;
};

class ConnectTest : public ::testing::Test {
 protected:
  EventLog log;
  ManualClock clock;
  PhoneLink link{log, clock};
  ScriptedDiscovery discovery{clock};
};

struct ModeSwitchCase {
  const char* what;
  bool portPresent;
  bool switchWorks;
  std::vector<std::string> calls;
  uint32_t waited;
};

class ConnectModeSwitchTest : public ConnectTest,
                              public ::testing::WithParamInterface<ModeSwitchCase> {};

TEST_P(ConnectModeSwitchTest, SwitchesAndWaitsOnlyWhenAPortIsListed) {
  const ModeSwitchCase& c = GetParam();
  discovery.portPresent = c.portPresent;
  discovery.switchWorks = c.switchWorks;
  Connect(link, discovery);
  EXPECT_EQ(discovery.calls, c.calls);
  EXPECT_EQ(clock.TotalSlept(), c.waited);
  // The search starts only after the whole wait.
  EXPECT_EQ(discovery.searchedAt, c.waited);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectModeSwitchTest,
    ::testing::Values(
        ModeSwitchCase{"NoPort", false, true, {"FindModemPort", "OpenTestInterface"}, 0},
        ModeSwitchCase{"PortWritten",
                       true,
                       true,
                       {"FindModemPort", "SendModeSwitch /dev/ttyACM0", "OpenTestInterface"},
                       5000},
        ModeSwitchCase{"PortNotWritable",
                       true,
                       false,
                       {"FindModemPort", "SendModeSwitch /dev/ttyACM0", "OpenTestInterface"},
                       5000}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(ConnectTest, FoundInterfaceBecomesTheTransportAndItsNumberTheIndex) {
  for (uint16_t number : {8, 5}) {
    EventLog freshLog;
    PhoneLink fresh(freshLog, clock);
    discovery.offerInterface = true;
    discovery.interfaceNumber = number;
    Connect(fresh, discovery);
    EXPECT_NE(fresh.transport(), nullptr);
    EXPECT_EQ(fresh.testInterface, number);
    EXPECT_EQ(fresh.handsetConnected, 1);
    EXPECT_EQ(freshLog.Lines(), std::vector<std::string>{kConnected});
  }
}

TEST_F(ConnectTest, ResultLineIsAddedWhileMutedWithoutMovingTheSelection) {
  log.AppendLog("earlier");
  log.SetSelection(0);
  log.logMuted = 1;
  Connect(link, discovery);
  discovery.offerInterface = true;
  Connect(link, discovery);
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"earlier", kNotConnected, kConnected}));
  EXPECT_EQ(log.Selection(), 0);
}

TEST_F(ConnectTest, NothingFoundLeavesTheLinkDisconnected) {
  Connect(link, discovery);
  EXPECT_EQ(link.transport(), nullptr);
  EXPECT_EQ(link.handsetConnected, 0);
  EXPECT_EQ(log.Lines(), std::vector<std::string>{kNotConnected});
}

TEST_F(ConnectTest, NeverClearsTheConnectedFlag) {
  // The patch-file handling keeps its own value in the flag.
  link.handsetConnected = 999;
  Connect(link, discovery);
  EXPECT_EQ(link.handsetConnected, 999);
}

TEST_F(ConnectTest, LaterSearchThatFindsNothingKeepsTheFirstHandle) {
  discovery.offerInterface = true;
  discovery.interfaceNumber = 5;
  Connect(link, discovery);
  UsbTransport* first = link.transport();

  discovery.offerInterface = false;
  discovery.accessDenied = true;
  Connect(link, discovery);
  EXPECT_EQ(link.transport(), first);
  EXPECT_EQ(link.testInterface, 5);
  EXPECT_EQ(link.handsetConnected, 1);
  EXPECT_EQ(discovery.closed, 0);
  // Still connected, so no word about permissions.
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{kConnected, kConnected}));
}

TEST_F(ConnectTest, NewHandleReplacesAndClosesTheEarlierOne) {
  discovery.offerInterface = true;
  Connect(link, discovery);
  UsbTransport* first = link.transport();
  Connect(link, discovery);
  EXPECT_NE(link.transport(), first);
  EXPECT_EQ(discovery.closed, 1);
}

TEST_F(ConnectTest, InterfaceWithoutPermissionIsExplainedBeforeTheResult) {
  discovery.accessDenied = true;
  Connect(link, discovery);
  std::vector<std::string> lines = log.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("70-tollhaven-p2k.rules"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1], kNotConnected);
}

}  // namespace
}  // namespace tollhaven
