// A connection with a discovery of its own looks after its link: a handset that went away is
// let go with the lists of its volumes, and found again with its volume information.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_discovery.h"
#include "emulator/transport/emulated_transport.h"
#include "handset/handset_connection.h"
#include "link/phone_link.h"
#include "support/clock.h"
#include "support/event_log.h"
#include "support/settings.h"

namespace tollhaven {
namespace {

constexpr char kBackLine[] = "Handset connected again.";

// Finds the simulated handset as if it were the USB device 1:5.
class AddressedDiscovery : public EmulatedDiscovery {
 public:
  using EmulatedDiscovery::EmulatedDiscovery;

 protected:
  std::unique_ptr<UsbTransport> MakeTransport(EventLog& log) override {
    struct Addressed : EmulatedTransport {
      using EmulatedTransport::EmulatedTransport;
      std::optional<UsbDeviceAddress> DeviceAddress() const override {
        return UsbDeviceAddress{1, 5};
      }
    };
    return std::make_unique<Addressed>(handset_, log, clock_);
  }
};

class ConnectionRecovery : public ::testing::Test {
 protected:
  ConnectionRecovery() { sim.AddFile("/a/old.txt", {'o'}); }
  // Commands that go unanswered until the link counts as lost.
  void GoSilent(HandsetConnection& connection) {
    sim.DisconnectAfter(0);
    discovery.plugged = false;
    for (int i = 0; i < PhoneLink::kLinkLostAfter; ++i) {
      EXPECT_FALSE(connection.RefreshFreeSpace());
    }
  }
  long Count(const std::string& line) const {
    const std::vector<std::string> lines = log.Lines();
    return std::count(lines.begin(), lines.end(), line);
  }

  EventLog log;
  ManualClock clock;
  p2ksim::SimulatedHandset sim;
  PhoneLink link{log, clock};
  Settings settings;
  AddressedDiscovery discovery{sim, clock};
};

TEST_F(ConnectionRecovery, ALostHandsetsListsAreFetchedAfreshOnceItIsBack) {
  HandsetConnection connection(link, settings, discovery);
  ASSERT_TRUE(connection.Connect());
  const std::string letters = connection.volumeLetters();
  std::string error;
  Volume* a = connection.Open('a', error);
  ASSERT_NE(a, nullptr) << error;
  ASSERT_TRUE(a->File("/a/old.txt"));
  EXPECT_EQ(connection.LookAfterLink(), LinkChange::None);

  GoSilent(connection);
  EXPECT_EQ(connection.LookAfterLink(), LinkChange::Lost);
  EXPECT_EQ(link.transport(), nullptr);
  EXPECT_EQ(a->list().fileListLoaded, 0);
  EXPECT_FALSE(a->File("/a/old.txt"));

  // Away: searched for, nothing found; meanwhile the handset's files change.
  EXPECT_EQ(connection.LookAfterLink(), LinkChange::None);
  sim.AddFile("/a/new.txt", {'n'});
  sim.Replug();
  discovery.plugged = true;
  EXPECT_EQ(connection.LookAfterLink(), LinkChange::Back);
  EXPECT_EQ(Count(kBackLine), 1);
  EXPECT_EQ(connection.volumeLetters(), letters);
  EXPECT_TRUE(connection.RefreshFreeSpace());

  Volume* again = connection.Open('a', error);
  ASSERT_NE(again, nullptr) << error;
  EXPECT_TRUE(again->File("/a/new.txt"));
  EXPECT_TRUE(again->File("/a/old.txt"));
  EXPECT_EQ(connection.LookAfterLink(), LinkChange::None);
}

TEST_F(ConnectionRecovery, OnlyTheHandsetsOwnDeviceLetsItsListsGo) {
  HandsetConnection connection(link, settings, discovery);
  ASSERT_TRUE(connection.Connect());
  std::string error;
  Volume* a = connection.Open('a', error);
  ASSERT_NE(a, nullptr) << error;

  EXPECT_EQ(connection.DeviceLeft(UsbDeviceAddress{1, 6}), LinkChange::None);
  EXPECT_EQ(a->list().fileListLoaded, 1);
  EXPECT_NE(link.transport(), nullptr);

  EXPECT_EQ(connection.DeviceLeft(UsbDeviceAddress{1, 5}), LinkChange::Lost);
  EXPECT_EQ(a->list().fileListLoaded, 0);
  EXPECT_EQ(link.transport(), nullptr);
  EXPECT_EQ(connection.LookAfterLink(), LinkChange::Back);
}

// Without a discovery of its own (the command-line tool, the mount) a connection leaves its link
// as it always was: a silent handset is neither let go nor made to fail at once.
TEST_F(ConnectionRecovery, AConnectionWithoutItsOwnDiscoveryLeavesTheLinkAlone) {
  HandsetConnection connection(link, settings);
  EXPECT_FALSE(connection.Connect());
  ASSERT_TRUE(connection.Connect(discovery));
  std::string error;
  Volume* a = connection.Open('a', error);
  ASSERT_NE(a, nullptr) << error;

  GoSilent(connection);
  EXPECT_EQ(connection.LookAfterLink(), LinkChange::None);
  EXPECT_EQ(connection.DeviceLeft(UsbDeviceAddress{1, 5}), LinkChange::None);
  EXPECT_FALSE(link.failWhileLost);
  EXPECT_NE(link.transport(), nullptr);
  EXPECT_EQ(a->list().fileListLoaded, 1);
}

}  // namespace
}  // namespace tollhaven
