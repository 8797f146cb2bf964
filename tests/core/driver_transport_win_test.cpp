#include "link/driver_transport_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_driver_win.h"
#include "handset/handset.h"
#include "link/phone_link.h"
#include "support/clock.h"
#include "support/event_log.h"

namespace tollhaven {
namespace {

using testing::DriverReply;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr char kTimeOut[] = "USB: IO Time-out!";
constexpr char kFailed[] = "USB: IO Failed!";
constexpr char kAnswerSize[] = "USB: Answer size invlid!";

class DriverTransportTest : public ::testing::Test {
 protected:
  DriverTransportTest()
      : record(std::make_shared<testing::DriverRecord>()),
        transport(testing::OpenNullDevice(), log, std::make_unique<testing::FakeDriver>(record)) {}

  void Answer(DriverReply reply) {
    record->answer = [reply](const testing::DriverRequest&) { return reply; };
  }

  EventLog log;
  std::shared_ptr<testing::DriverRecord> record;
  DriverTransport transport;
};

TEST_F(DriverTransportTest, SendHandsOverTheCallersBytesWithAFiveByteOutputArea) {
  DriverReply reply;
  reply.output = {1, 2, 3, 4, 5, 6, 7};  // more than offered: the driver writes only 5
  reply.transferred = 20;
  Answer(reply);
  const std::vector<uint8_t> packet = {0x41, 0x02, 0, 0, 8, 0, 10, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0};
  uint32_t size = static_cast<uint32_t>(packet.size());

  ASSERT_EQ(transport.UsbSend(packet.data(), size), 0);
  EXPECT_EQ(size, 20u);
  ASSERT_EQ(record->requests.size(), 1u);
  EXPECT_EQ(record->requests[0].code, 0x80002014u);
  EXPECT_EQ(record->requests[0].input, packet);
  EXPECT_EQ(record->requests[0].outputSize, 5u);
  EXPECT_THAT(record->waits, ElementsAre(1000u));
  EXPECT_EQ(record->cancels, 0);
  EXPECT_TRUE(log.Lines().empty());
}

TEST_F(DriverTransportTest, ReceiveSkipsTheDriversFourBytes) {
  DriverReply reply;
  reply.output = testing::WithDriverPrefix({0, 1, 0, 12, 9, 9, 9, 9});
  Answer(reply);
  uint8_t buffer[12] = {0xC1, 0x00, 0, 0, 8, 0, 8, 0, 0};

  uint32_t size = 0;
  ASSERT_EQ(transport.UsbReceive(buffer, sizeof buffer, size), 0);
  EXPECT_EQ(size, 8u);
  EXPECT_THAT(std::vector<uint8_t>(buffer, buffer + 8), ElementsAre(0, 1, 0, 12, 9, 9, 9, 9));
  ASSERT_EQ(record->requests.size(), 1u);
  EXPECT_EQ(record->requests[0].code, 0x80002014u);
  // The setup packet and the zero byte after it.
  EXPECT_THAT(record->requests[0].input, ElementsAre(0xC1, 0x00, 0, 0, 8, 0, 8, 0, 0));
  EXPECT_EQ(record->requests[0].outputSize, 4101u);
  EXPECT_THAT(record->waits, ElementsAre(40000u));
}

TEST_F(DriverTransportTest, ReceiveOfOnlyTheFourBytesIsAnEmptyReply) {
  DriverReply reply;
  reply.output = testing::WithDriverPrefix({});
  Answer(reply);
  uint8_t buffer[12] = {0xC1, 0x00, 0, 0, 8, 0, 8, 0, 0};

  uint32_t size = 99;
  ASSERT_EQ(transport.UsbReceive(buffer, sizeof buffer, size), 0);
  EXPECT_EQ(size, 0u);
  // The setup packet is still there.
  EXPECT_THAT(std::vector<uint8_t>(buffer, buffer + 8), ElementsAre(0xC1, 0, 0, 0, 8, 0, 8, 0));
}

TEST_F(DriverTransportTest, ReceiveKeepsToTheCallersBuffer) {
  DriverReply reply;
  reply.output = testing::WithDriverPrefix(std::vector<uint8_t>(4097, 0x5A));
  reply.transferred = 5000;  // more than the output area holds
  Answer(reply);
  std::vector<uint8_t> buffer(16 + 1, 0);
  buffer[0] = 0xC1;
  buffer[16] = 0x11;  // just past the room the caller gives

  uint32_t size = 0;
  ASSERT_EQ(transport.UsbReceive(buffer.data(), 16, size), 0);
  EXPECT_EQ(size, 16u);
  EXPECT_EQ(buffer[15], 0x5A);
  EXPECT_EQ(buffer[16], 0x11);
}

TEST_F(DriverTransportTest, ShortAnswersAreRefused) {
  DriverReply reply;
  reply.output = {0, 0, 0};
  Answer(reply);
  uint8_t buffer[12] = {0xC1};
  uint32_t size = 0;
  EXPECT_EQ(transport.UsbReceive(buffer, sizeof buffer, size), -1);
  std::string name = "unchanged";
  EXPECT_EQ(transport.UsbQueryName(2, name), -1);
  EXPECT_THAT(log.Lines(), ElementsAre(kAnswerSize, kAnswerSize));
  // Completed, if short: nothing to cancel, and the handset is still there.
  EXPECT_EQ(record->cancels, 0);
  EXPECT_FALSE(transport.DeviceGone());
}

TEST_F(DriverTransportTest, QueryNameKeepsTheLowBytesUpToTheCountOrAZero) {
  struct Case {
    const char* what;
    std::vector<uint8_t> output;
    std::string name;
  };
  const std::u16string testCommand = u"Motorola Test Command";
  const Case cases[] = {
      {"plain", testing::NameAnswer(testCommand, 21), "Motorola Test Command"},
      {"count with the trailing zero", testing::NameAnswer(testCommand + u'\0', 22),
       "Motorola Test Command"},
      {"count shorter than the text", testing::NameAnswer(testCommand, 8), "Motorola"},
      {"no characters", testing::NameAnswer(u"", 0), ""},
      {"count past what arrived", testing::NameAnswer(u"Moto", 200), "Moto"},
      {"high bytes dropped", testing::NameAnswer(u"\u0141\u00e9", 2), "\x41\xe9"},
      {"no more than fit in 261 bytes", testing::NameAnswer(std::u16string(200, u'x'), 200),
       std::string(128, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DriverReply reply;
    reply.output = c.output;
    Answer(reply);
    record->requests.clear();
    record->waits.clear();
    std::string name = "left over";
    ASSERT_EQ(transport.UsbQueryName(2, name), 0);
    EXPECT_EQ(name, c.name);
    ASSERT_EQ(record->requests.size(), 1u);
    EXPECT_EQ(record->requests[0].code, 0x80002010u);
    EXPECT_THAT(record->requests[0].input, ElementsAre(2, 0));
    EXPECT_EQ(record->requests[0].outputSize, 261u);
    EXPECT_THAT(record->waits, ElementsAre(5000u));
  }
}

TEST_F(DriverTransportTest, ARequestThatNeverCompletesTimesOutAndIsCancelled) {
  DriverReply reply;
  reply.kind = DriverReply::Kind::NeverCompletes;
  Answer(reply);
  const uint8_t packet[18] = {0x41, 0x02};
  uint32_t size = sizeof packet;
  EXPECT_EQ(transport.UsbSend(packet, size), -1);
  uint8_t buffer[12] = {0xC1};
  EXPECT_EQ(transport.UsbReceive(buffer, sizeof buffer, size), -1);
  std::string name;
  EXPECT_EQ(transport.UsbQueryName(2, name), -1);

  EXPECT_THAT(log.Lines(), ElementsAre(kTimeOut, kTimeOut, kTimeOut));
  EXPECT_THAT(record->waits, ElementsAre(1000u, 40000u, 5000u));
  EXPECT_EQ(record->cancels, 3);
  EXPECT_FALSE(transport.DeviceGone());
}

TEST_F(DriverTransportTest, ACompletedFailureIsCancelledAndOnlyAGoneDeviceCountsAsGone) {
  DriverReply reply;
  reply.status = testing::kStatusUnsuccessful;
  Answer(reply);
  uint8_t buffer[12] = {0xC1};
  uint32_t size = 0;
  EXPECT_EQ(transport.UsbReceive(buffer, sizeof buffer, size), -1);
  EXPECT_FALSE(transport.DeviceGone());

  reply.status = testing::kStatusDeviceNotConnected;
  Answer(reply);
  EXPECT_EQ(transport.UsbReceive(buffer, sizeof buffer, size), -1);
  EXPECT_TRUE(transport.DeviceGone());
  EXPECT_THAT(log.Lines(), ElementsAre(kFailed, kFailed));
  EXPECT_EQ(record->cancels, 2);
}

TEST_F(DriverTransportTest, ARequestRefusedAtOnceFailsWithoutWaitingOutTheTimeOut) {
  DriverReply reply;
  reply.kind = DriverReply::Kind::RefusedAtOnce;
  reply.error = ERROR_DEVICE_NOT_CONNECTED;
  Answer(reply);
  uint8_t buffer[12] = {0xC1};
  uint32_t size = 0;
  EXPECT_EQ(transport.UsbReceive(buffer, sizeof buffer, size), -1);
  EXPECT_TRUE(record->waits.empty());
  EXPECT_TRUE(transport.DeviceGone());
  EXPECT_THAT(log.Lines(), ElementsAre(kFailed));
}

// The whole road of a command: the transaction over the driver, the simulated handset behind it.
TEST(DriverTransportRoad, CommandsReachTheHandsetThroughTheDriver) {
  p2ksim::SimulatedHandset sim;
  sim.SetVolumes({"/a", "/b"});
  sim.AddFile("/a/mobile/hello.txt", {'h', 'e', 'l', 'l', 'o'});
  auto record = std::make_shared<testing::DriverRecord>();
  record->answer = testing::PlaySimulatedHandset(sim);
  EventLog log;
  ManualClock clock;
  PhoneLink link(log, clock);
  link.SetTransport(std::make_unique<DriverTransport>(
      testing::OpenNullDevice(), log, std::make_unique<testing::FakeDriver>(record)));
  Handset handset(link);

  uint8_t volumes[kVolumeBufferSize] = {};
  ASSERT_EQ(handset.PhoneVolumes(volumes), 0);
  const uint8_t expected[] = {0, '/', 0, 'a', 0xFF, 0xFE, 0, '/', 0, 'b', 0xFF, 0xFE, 0, 0};
  EXPECT_THAT(std::vector<uint8_t>(volumes, volumes + sizeof expected), ElementsAreArray(expected));

  ASSERT_EQ(handset.PhoneOpen("/a/mobile/hello.txt", 0), 0);
  uint8_t contents[5] = {};
  ASSERT_EQ(handset.PhoneRead(contents, sizeof contents), 0);
  ASSERT_EQ(handset.PhoneClose(), 0);
  EXPECT_THAT(contents, ElementsAre('h', 'e', 'l', 'l', 'o'));
  EXPECT_TRUE(log.Lines().empty());
}

// A send that times out: the transport's line, then the transaction's own.
TEST(DriverTransportRoad, ASendTimeOutIsReportedByBothLayers) {
  auto record = std::make_shared<testing::DriverRecord>();
  record->answer = [](const testing::DriverRequest&) {
    DriverReply reply;
    reply.kind = DriverReply::Kind::NeverCompletes;
    return reply;
  };
  EventLog log;
  ManualClock clock;
  PhoneLink link(log, clock);
  link.SetTransport(std::make_unique<DriverTransport>(
      testing::OpenNullDevice(), log, std::make_unique<testing::FakeDriver>(record)));
  Handset handset(link);
  EXPECT_EQ(handset.PhoneRestart(), -1);
  EXPECT_THAT(log.Lines(), ElementsAre(kTimeOut, "CMD: Data write fail!"));
}

}  // namespace
}  // namespace tollhaven
