// A handset that goes away (unplugged, restarted, gone quiet) is noticed and found again.

#include "link/link_recovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/transport/emulated_discovery.h"
#include "emulator/transport/emulated_transport.h"
#include "simulated_link.h"

namespace tollhaven::testing {
namespace {

constexpr char kLostLine[] =
    "Handset disconnected. The file list is loaded again once the handset is back.";
constexpr char kBackLine[] = "Handset connected again.";

struct Departure {
  const char* name;
  std::function<void(SimulatedLink&)> leave;
};

class RecoveryFixture : public ::testing::Test {
 protected:
  // A command the simulated handset answers with data while it is there.
  int Ask() {
    uint8_t volumes[kVolumeBufferSize] = {};
    return s.handset.PhoneVolumes(volumes);
  }
  long Count(const std::string& line) const {
    const std::vector<std::string> lines = s.Lines();
    return std::count(lines.begin(), lines.end(), line);
  }

  SimulatedLink s;
  EmulatedDiscovery discovery{s.sim, s.clock};
  LinkRecovery recovery{s.link, discovery};
};

class LinkRecoveryTest : public RecoveryFixture, public ::testing::WithParamInterface<Departure> {};

TEST_P(LinkRecoveryTest, NoticesTheHandsetGoneAndFindsItAgain) {
  ASSERT_EQ(Ask(), 0);
  GetParam().leave(s);
  ASSERT_EQ(s.link.silentTransactions, 0);
  discovery.plugged = false;

  // Fewer silent commands than the limit could be one lost answer: the link stays.
  for (int i = 1; i < PhoneLink::kLinkLostAfter; ++i) {
    EXPECT_NE(Ask(), 0);
    EXPECT_EQ(recovery.Check(), LinkChange::None);
  }
  EXPECT_NE(Ask(), 0);
  EXPECT_EQ(recovery.Check(), LinkChange::Lost);
  EXPECT_EQ(s.link.transport(), nullptr);
  EXPECT_EQ(Count(kLostLine), 1);

  // Searched for while it is away, without a line per search.
  const std::size_t lines = s.Lines().size();
  EXPECT_EQ(recovery.Check(), LinkChange::None);
  EXPECT_EQ(recovery.Check(), LinkChange::None);
  EXPECT_EQ(discovery.searches, 2);
  EXPECT_EQ(s.Lines().size(), lines);

  s.sim.Replug();
  discovery.plugged = true;
  EXPECT_EQ(recovery.Check(), LinkChange::Back);
  EXPECT_EQ(Count(kBackLine), 1);
  EXPECT_NE(s.link.transport(), nullptr);
  EXPECT_EQ(Ask(), 0);
  EXPECT_EQ(recovery.Check(), LinkChange::None);
}

INSTANTIATE_TEST_SUITE_P(
    Departures, LinkRecoveryTest,
    ::testing::Values(
        Departure{"Unplugged", [](SimulatedLink& s) { s.sim.DisconnectAfter(0); }},
        // The restart command is answered; then the handset leaves the bus while it starts.
        Departure{"Restarted",
                  [](SimulatedLink& s) {
                    ASSERT_EQ(s.handset.PhoneRestart(), 0);
                    ASSERT_EQ(s.sim.RestartCount(), 1);
                    s.sim.DisconnectAfter(0);
                  }}),
    [](const ::testing::TestParamInfo<Departure>& info) { return std::string(info.param.name); });

// Still on the bus, but nothing is ever announced: after the limit of time-outs it counts as
// gone, so that the next search can open it afresh.
TEST_F(LinkRecoveryTest, AHandsetGoneQuietIsNoticed) {
  ASSERT_EQ(Ask(), 0);
  s.sim.OverridePollCount(0, 1000000);
  for (int i = 0; i < PhoneLink::kLinkLostAfter; ++i) {
    EXPECT_NE(Ask(), 0);
  }
  EXPECT_EQ(recovery.Check(), LinkChange::Lost);
  EXPECT_EQ(s.link.transport(), nullptr);
  EXPECT_EQ(Count(kLostLine), 1);
}

// Once the silence has reached the limit nothing more is sent or waited for, until the handset
// is found again: each command would otherwise hold its caller for the whole answer wait.
TEST_F(LinkRecoveryTest, ALostLinkFailsLaterCommandsAtOnce) {
  ASSERT_EQ(Ask(), 0);
  s.sim.OverridePollCount(0, 1000000);
  for (int i = 0; i < PhoneLink::kLinkLostAfter; ++i) {
    EXPECT_NE(Ask(), 0);
  }
  ASSERT_TRUE(s.link.LinkLost());
  s.sim.ClearReceived();
  const uint64_t slept = s.clock.TotalSlept();
  for (int i = 0; i < 5; ++i) {
    EXPECT_NE(Ask(), 0);
  }
  EXPECT_EQ(s.clock.TotalSlept(), slept);
  EXPECT_TRUE(s.sim.Received().empty());

  s.sim.Replug();
  EXPECT_EQ(recovery.Check(), LinkChange::Lost);
  EXPECT_EQ(recovery.Check(), LinkChange::Back);
  EXPECT_EQ(Ask(), 0);
}

// A handset that answers, even with an error, is there.
TEST_F(LinkRecoveryTest, ErrorAnswersDoNotCountAsSilence) {
  s.sim.FailCommand(kFileSystemOpcode, -1, 0x01);
  for (int i = 0; i < 2 * PhoneLink::kLinkLostAfter; ++i) {
    EXPECT_NE(Ask(), 0);
  }
  EXPECT_EQ(recovery.Check(), LinkChange::None);
  EXPECT_NE(s.link.transport(), nullptr);
  EXPECT_EQ(discovery.searches, 0);
}

// An answer in between starts the count again.
TEST_F(LinkRecoveryTest, AnAnswerEndsTheSilence) {
  for (int round = 0; round < 3; ++round) {
    s.sim.DisconnectAfter(0);
    for (int i = 1; i < PhoneLink::kLinkLostAfter; ++i) {
      EXPECT_NE(Ask(), 0);
    }
    s.sim.ClearFaults();
    EXPECT_EQ(Ask(), 0);
  }
  EXPECT_EQ(recovery.Check(), LinkChange::None);
  EXPECT_NE(s.link.transport(), nullptr);
}

// The simulated handset's transport as if it were the USB device at `address`.
class AddressedTransport : public EmulatedTransport {
 public:
  AddressedTransport(SimulatedLink& s, UsbDeviceAddress address)
      : EmulatedTransport(s.sim, s.log, s.clock), address_(address) {}
  std::optional<UsbDeviceAddress> DeviceAddress() const override { return address_; }

 private:
  UsbDeviceAddress address_;
};

struct DeviceReport {
  const char* name;
  UsbDeviceAddress gone;
  LinkChange change;
};

class DeviceLeftTest : public RecoveryFixture,
                       public ::testing::WithParamInterface<DeviceReport> {};

// The system reports a device of the maker gone: only the handset's own device lets the handset
// go, at once and without a command going unanswered first.
TEST_P(DeviceLeftTest, OnlyTheHandsetsOwnDeviceLetsItGo) {
  s.link.SetTransport(std::make_unique<AddressedTransport>(s, UsbDeviceAddress{1, 5}));
  ASSERT_EQ(Ask(), 0);

  EXPECT_EQ(recovery.DeviceLeft(GetParam().gone), GetParam().change);

  if (GetParam().change == LinkChange::Lost) {
    EXPECT_EQ(s.link.transport(), nullptr);
    EXPECT_EQ(Count(kLostLine), 1);
    EXPECT_TRUE(recovery.waiting());
    // Reported twice (the departure and then the silence): still one line.
    EXPECT_EQ(recovery.DeviceLeft(GetParam().gone), LinkChange::None);
    EXPECT_EQ(recovery.Check(), LinkChange::Back);
    EXPECT_EQ(Count(kLostLine), 1);
  } else {
    EXPECT_NE(s.link.transport(), nullptr);
    EXPECT_EQ(Count(kLostLine), 0);
    EXPECT_EQ(recovery.Check(), LinkChange::None);
  }
  EXPECT_EQ(Ask(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, DeviceLeftTest,
    ::testing::Values(DeviceReport{"TheHandsetsDevice", {1, 5}, LinkChange::Lost},
                      // Its modem device, gone when the handset switched its mode.
                      DeviceReport{"AnotherAddress", {1, 4}, LinkChange::None},
                      DeviceReport{"SameAddressOnAnotherBus", {2, 5}, LinkChange::None}),
    [](const ::testing::TestParamInfo<DeviceReport>& info) {
      return std::string(info.param.name);
    });

// A transport that is not a USB device (the simulated handset's) is never taken for one.
TEST_F(LinkRecoveryTest, ADeviceReportNeverLetsGoOfATransportWithoutAddress) {
  EXPECT_EQ(recovery.DeviceLeft({}), LinkChange::None);
  EXPECT_EQ(recovery.DeviceLeft({1, 2}), LinkChange::None);
  EXPECT_NE(s.link.transport(), nullptr);
  EXPECT_EQ(Ask(), 0);
}

}  // namespace
}  // namespace tollhaven::testing
