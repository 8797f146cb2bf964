// The bus side: poll and read framing, stalls, malformed packets, what the handset records.

#include <gmock/gmock.h>

#include "tests/emulator/handset_wire.h"

namespace {

using namespace wire;
using ::testing::ElementsAre;

TEST_F(HandsetTest, AnswerWithoutDataIsFramedByteForByte) {
  sequence = 4;
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);

  EXPECT_EQ(Poll(), (Bytes{0x00, 0x01, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00}));
  Bytes reply;
  ASSERT_EQ(ReadReply(reply, 2 + 8 + 4), TransferStatus::Ok);
  EXPECT_EQ(reply, (Bytes{0x01, 0x00, 0x00, 0x08, 0x00, 0x08, 0x80, 0x05, 0x60, 0x22, 0x00, 0x00,
                          0x00, 0x00}));
  // The read took the answer away.
  EXPECT_EQ(Poll(), (Bytes{0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(HandsetTest, AnswerWithDataIsFramedByteForByte) {
  handset.SetVolumes({"/a"});
  sequence = 0x0FFE;
  ASSERT_EQ(Send(kFileSystem, Volumes()), TransferStatus::Ok);

  // Data "/a" U+FFFE U+0000: D = 8, L = 16.
  EXPECT_EQ(Poll(), (Bytes{0x00, 0x01, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00}));
  Bytes reply;
  ASSERT_EQ(ReadReply(reply, 2 + 16 + 4), TransferStatus::Ok);
  EXPECT_EQ(reply, (Bytes{0x01, 0x00, 0x00, 0x10, 0x00, 0x10, 0x8F, 0xFF, 0x80, 0x4A, 0x00,
                          0x08, 0x00, 0x00, 0x00, 0x2F, 0x00, 0x61, 0xFF, 0xFE, 0x00, 0x00}));
}

TEST_F(HandsetTest, ReadIsCutToWLengthAndStillTakesTheAnswer) {
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);
  Bytes reply;
  ASSERT_EQ(ReadReply(reply, 5), TransferStatus::Ok);
  EXPECT_EQ(reply, (Bytes{0x01, 0x00, 0x00, 0x08, 0x00}));
  EXPECT_EQ(Poll().at(1), 0);
}

TEST_F(HandsetTest, ReadWithNothingWaitingHoldsNoAnswer) {
  Bytes reply;
  ASSERT_EQ(ReadReply(reply, 14), TransferStatus::Ok);
  EXPECT_EQ(reply, (Bytes{0, 0, 0, 0}));
}

TEST_F(HandsetTest, AnswersWaitInOrderAndThePollAnnouncesTheFirst) {
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);
  ASSERT_EQ(Send(kFileSystem, Volumes()), TransferStatus::Ok);

  const Bytes poll = Poll();
  EXPECT_EQ(poll[1], 1);
  EXPECT_EQ(poll[3], 8);  // the restart's answer, not the volumes'
  EXPECT_EQ(Parse(ReadAnswerReply()).sequence, 1);
  EXPECT_EQ(Parse(ReadAnswerReply()).sequence, 2);
}

struct StallCase {
  const char* name;
  std::array<uint8_t, 8> setup;
  bool out;
};

class SetupStallTest : public HandsetTest, public ::testing::WithParamInterface<StallCase> {};

TEST_P(SetupStallTest, StallsAndChangesNothing) {
  const StallCase& c = GetParam();
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);  // an answer that must stay waiting
  const Bytes packet = Packet(9, kRestart, {});
  Bytes reply{0xAA};
  const TransferStatus status =
      c.out ? handset.ControlOut(c.setup.data(), packet.data(), packet.size())
            : handset.ControlIn(c.setup.data(), reply);
  EXPECT_EQ(status, TransferStatus::Error);
  EXPECT_TRUE(reply.empty() || c.out);
  EXPECT_EQ(handset.Received().size(), 1u);
  EXPECT_EQ(handset.RestartCount(), 1);
  EXPECT_EQ(Parse(ReadAnswerReply()).sequence, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Setups, SetupStallTest,
    ::testing::Values(StallCase{"SendOtherInterface", SetupPacket(0x41, 0x02, 0, 9, 8), true},
                      StallCase{"SendInterfaceZero", SetupPacket(0x41, 0x02, 0, 0, 8), true},
                      StallCase{"SendStandardRequestType", SetupPacket(0x40, 0x02, 0, 8, 8), true},
                      StallCase{"SendWrongRequest", SetupPacket(0x41, 0x01, 0, 8, 8), true},
                      StallCase{"SendNonZeroValue", SetupPacket(0x41, 0x02, 1, 8, 8), true},
                      StallCase{"PollOtherInterface", SetupPacket(0xC1, 0x00, 0, 9, 8), false},
                      StallCase{"PollNonZeroValue", SetupPacket(0xC1, 0x00, 1, 8, 8), false},
                      StallCase{"ReadOtherInterface", SetupPacket(0xC1, 0x01, 1, 7, 14), false},
                      StallCase{"ReadZeroAnswers", SetupPacket(0xC1, 0x01, 0, 8, 14), false},
                      StallCase{"UnknownRequest", SetupPacket(0xC1, 0x05, 0, 8, 8), false},
                      StallCase{"InWithOutType", SetupPacket(0x41, 0x00, 0, 8, 8), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HandsetTest, AnswersOnTheConfiguredInterfaceOnly) {
  handset.SetInterfaceNumber(3);
  EXPECT_EQ(handset.InterfaceNumber(), 3);
  EXPECT_EQ(SendPacket(Packet(1, kRestart, {}), 8), TransferStatus::Error);
  EXPECT_EQ(SendPacket(Packet(1, kRestart, {}), 3), TransferStatus::Ok);
  Bytes reply;
  EXPECT_EQ(Poll(reply, 8), TransferStatus::Error);
  EXPECT_EQ(Poll(reply, 3), TransferStatus::Ok);
  EXPECT_EQ(reply.at(1), 1);
}

TEST_F(HandsetTest, InterfaceNameIsConfigurable) {
  EXPECT_EQ(handset.InterfaceName(), "Motorola Test Command");
  handset.SetInterfaceName("Other");
  EXPECT_EQ(handset.InterfaceName(), "Other");
}

struct MalformedCase {
  const char* name;
  Bytes data;
  uint16_t wLength;
  uint16_t echoedSequence;
};

class MalformedPacketTest : public HandsetTest,
                            public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedPacketTest, IsAnsweredWithStatusZeroAndNotCarriedOut) {
  const MalformedCase& c = GetParam();
  const auto setup = SetupPacket(0x41, 0x02, 0, 8, c.wLength);
  ASSERT_EQ(handset.ControlOut(setup.data(), c.data.data(), c.data.size()), TransferStatus::Ok);
  const Answer answer = Parse(ReadAnswerReply());
  EXPECT_EQ(answer.status, 0);
  EXPECT_TRUE(answer.data.empty());
  EXPECT_EQ(answer.sequence, c.echoedSequence);
  EXPECT_EQ(handset.RestartCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, MalformedPacketTest,
    ::testing::Values(
        MalformedCase{"Empty", {}, 0, 0},
        MalformedCase{"HalfHeader", {0x00, 0x07, 0x00, 0x22}, 4, 7},
        MalformedCase{"PayloadLengthTooLong", {0, 3, 0x00, 0x22, 0, 1, 0, 0}, 8, 3},
        MalformedCase{"PayloadLengthTooShort", {0, 3, 0x00, 0x22, 0, 0, 0, 0, 0xAB}, 9, 3},
        MalformedCase{"WLengthDiffers", {0, 3, 0x00, 0x22, 0, 0, 0, 0}, 10, 3},
        MalformedCase{"SequenceTopBitsSet", {0x10, 0x03, 0x00, 0x22, 0, 0, 0, 0}, 8, 3},
        MalformedCase{"ReservedNonZero", {0, 3, 0x00, 0x22, 0, 0, 0, 1}, 8, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HandsetTest, UnknownOpcodesAndSubCommandsAreRefused) {
  EXPECT_EQ(Transact(0x0123, {}).status, 4);
  // The opcode's top bits are part of it: 0x104A is not the file system.
  ASSERT_EQ(SendPacket(Packet(7, 0x104A, Volumes())), TransferStatus::Ok);
  EXPECT_EQ(Parse(ReadAnswerReply()).status, 4);
  EXPECT_EQ(File(Be32(0x06)).status, 5);
  EXPECT_EQ(File(Be32(0x1000000A)).status, 5);
  EXPECT_EQ(File({0, 0, 0}).status, 0);
}

TEST_F(HandsetTest, RecordsEveryCommandAsReceived) {
  ASSERT_EQ(Send(kFileSystem, Read(16)), TransferStatus::Ok);
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);

  const auto received = handset.Received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].sequence, 1);
  EXPECT_EQ(received[0].opcode, kFileSystem);
  EXPECT_THAT(received[0].payload, ElementsAre(0, 0, 0, 1, 0, 0, 0, 16));
  EXPECT_EQ(received[0].subCommand(), 1);
  EXPECT_EQ(received[1].opcode, kRestart);
  EXPECT_EQ(received[1].subCommand(), -1);

  handset.ClearReceived();
  EXPECT_TRUE(handset.Received().empty());
}

TEST_F(HandsetTest, KeepsOnlyTheLatestCommands) {
  EXPECT_EQ(handset.ReceivedLimit(), 10000u);
  handset.SetReceivedLimit(3);
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);
  }
  const auto received = handset.Received();
  ASSERT_EQ(received.size(), 3u);
  EXPECT_EQ(received.front().sequence, 3);
  EXPECT_EQ(received.back().sequence, 5);
}

TEST_F(HandsetTest, CountsEveryTransferStalledOrNot) {
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);
  Bytes reply;
  Poll(reply);
  Poll(reply, 1);
  ReadReply(reply, 14);
  EXPECT_EQ(handset.TransferCount(), 4u);
}

}  // namespace
