// Every injected fault, seen from the host's side of the wire.

#include <gmock/gmock.h>

#include <chrono>

#include "tests/emulator/handset_wire.h"

namespace {

using namespace wire;

TEST_F(HandsetTest, FailCommandRefusesMatchingCommandsWithoutCarryingThemOut) {
  handset.AddFile("/a/f", {1, 2, 3});
  handset.FailCommand(kFileSystem, 2, 7, 2);  // writes, twice
  ASSERT_TRUE(Done(File(Open(0, "/a/f"))));
  EXPECT_EQ(File(Write({9})).status, 7);
  EXPECT_EQ(File(Read(1)).data, (Bytes{1}));  // other sub-commands pass
  EXPECT_EQ(File(Write({9})).status, 7);
  EXPECT_EQ(handset.File("/a/f")->contents, (Bytes{1, 2, 3}));
  EXPECT_TRUE(Done(File(Write({9}))));
  EXPECT_EQ(handset.File("/a/f")->contents, (Bytes{1, 9, 3}));
}

TEST_F(HandsetTest, FailCommandForAnySubCommandForEver) {
  handset.FailCommand(kFileSystem, -1, 10);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(File(Volumes()).status, 10);
    EXPECT_EQ(File(Close()).status, 10);
  }
  EXPECT_TRUE(Done(Transact(kRestart, {})));
}

TEST_F(HandsetTest, FailNthCommandCountsFromNow) {
  handset.FailNthCommand(2, 11);
  EXPECT_TRUE(Done(Transact(kRestart, {})));
  EXPECT_EQ(Transact(kRestart, {}).status, 11);
  EXPECT_TRUE(Done(Transact(kRestart, {})));
  EXPECT_EQ(handset.RestartCount(), 2);
}

TEST_F(HandsetTest, DropNextAnswerCarriesOutTheCommandButNeverAnswers) {
  handset.DropNextAnswer();
  ASSERT_EQ(Send(kFileSystem, Open(4, "/a/new")), TransferStatus::Ok);
  EXPECT_EQ(Poll()[1], 0);
  EXPECT_EQ(Poll()[1], 0);
  EXPECT_TRUE(handset.File("/a/new"));
  EXPECT_TRUE(Done(File(Close())));  // the next command is answered again
}

TEST_F(HandsetTest, ATimedOutSendIsNotCarriedOut) {
  handset.TimeOutTransfer(1);
  EXPECT_EQ(Send(kRestart, {}), TransferStatus::Timeout);
  EXPECT_EQ(handset.RestartCount(), 0);
  EXPECT_TRUE(handset.Received().empty());
  EXPECT_EQ(Poll()[1], 0);
}

TEST_F(HandsetTest, ATimedOutReadLeavesTheAnswerWaiting) {
  handset.TimeOutTransfer(3);  // send, poll, then the read
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);
  ASSERT_EQ(Poll()[1], 1);
  Bytes reply{0xAA};
  EXPECT_EQ(ReadReply(reply, 14), TransferStatus::Timeout);
  EXPECT_TRUE(reply.empty());
  EXPECT_EQ(Parse(ReadAnswerReply()).sequence, 1);
}

// An answer left waiting when the handset was unplugged: clearing the faults keeps it, a re-plug
// loses it, as a real handset does.
TEST_F(HandsetTest, AReplugLosesTheAnswersStillWaiting) {
  handset.DisconnectAfter(2);  // send and poll pass, then the handset is gone
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);
  ASSERT_EQ(Poll()[1], 1);
  Bytes reply;
  ASSERT_EQ(ReadReply(reply, 14), TransferStatus::Error);

  handset.ClearFaults();
  EXPECT_EQ(Poll()[1], 1);
  handset.Replug();
  EXPECT_EQ(Poll()[1], 0);
  EXPECT_EQ(Transact(kRestart, {}).sequence, 2);
}

TEST_F(HandsetTest, WrongSequenceEchoesTheCommandBefore) {
  handset.WrongSequenceOnNextAnswer();
  sequence = 0x0FFF;  // the next command carries 0 after the wrap
  ASSERT_EQ(SendPacket(Packet(0, kRestart, {})), TransferStatus::Ok);
  EXPECT_EQ(Parse(ReadAnswerReply()).sequence, 0x0FFF);
  sequence = 0;
  EXPECT_TRUE(Done(Transact(kRestart, {})));  // only once
}

TEST_F(HandsetTest, AnswerCountTwoIsInTheNextReplyOnly) {
  handset.AnswerCountTwoOnNextAnswer();
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);
  EXPECT_EQ(Poll()[1], 1);
  Bytes reply;
  ASSERT_EQ(ReadReply(reply, 14), TransferStatus::Ok);
  EXPECT_EQ(reply[0], 2);
  EXPECT_TRUE(Done(Transact(kRestart, {})));
}

TEST_F(HandsetTest, ShortNextReplyCutsTheReplyAndUsesUpTheAnswer) {
  handset.ShortNextReply(3);
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);
  EXPECT_EQ(Poll()[3], 8);  // the poll still announces the whole packet
  Bytes reply;
  ASSERT_EQ(ReadReply(reply, 14), TransferStatus::Ok);
  EXPECT_EQ(reply, (Bytes{0x01, 0x00, 0x00}));
  EXPECT_EQ(Poll()[1], 0);
  EXPECT_TRUE(Done(Transact(kRestart, {})));
}

TEST_F(HandsetTest, BadLengthWaitsForAnAnswerWithData) {
  handset.SetVolumes({"/a"});
  handset.BadLengthOnNextAnswer();
  EXPECT_TRUE(Done(Transact(kRestart, {})));  // no data: untouched

  ASSERT_EQ(Send(kFileSystem, Volumes()), TransferStatus::Ok);
  const Bytes reply = ReadAnswerReply();
  ASSERT_EQ(reply.size(), 14u + 8u);
  EXPECT_EQ(reply[5], 16);                     // L = 8 + 8
  EXPECT_EQ(reply[11], 9);                     // D no longer L - 8
  EXPECT_EQ(File(Volumes()).data.size(), 8u);  // only once
}

TEST_F(HandsetTest, OverridePollCountForSomePolls) {
  handset.OverridePollCount(3, 2);
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);
  EXPECT_EQ(Poll()[1], 3);
  EXPECT_EQ(Poll()[1], 3);
  EXPECT_EQ(Poll()[1], 1);

  handset.OverridePollCount(0, 1);
  EXPECT_EQ(Poll()[1], 0);
  EXPECT_TRUE(Parse(ReadAnswerReply()).status == 6);
}

TEST_F(HandsetTest, DisconnectAfterFailsEveryLaterTransferUntilCleared) {
  handset.DisconnectAfter(2);
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);
  Bytes reply;
  EXPECT_EQ(Poll(reply), TransferStatus::Ok);
  EXPECT_EQ(ReadReply(reply, 14), TransferStatus::Error);
  EXPECT_EQ(Send(kRestart, {}), TransferStatus::Error);
  EXPECT_EQ(Poll(reply), TransferStatus::Error);
  EXPECT_EQ(handset.RestartCount(), 1);

  handset.ClearFaults();
  EXPECT_EQ(Parse(ReadAnswerReply()).sequence, 1);  // the answer survived the unplugging
}

TEST_F(HandsetTest, ScriptedAnswersReplaceTheCommand) {
  handset.AddFile("/a/x", {});
  handset.ScriptNextAnswer({0xFF, 0xFF});
  const Answer count = File(Count('a'));
  EXPECT_EQ(count.status, 8);
  EXPECT_EQ(count.data, (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(File(List()).status, 7);  // the count was never carried out

  handset.ScriptNextAnswerNoData();
  EXPECT_TRUE(Done(File(Read(10))));
  EXPECT_TRUE(Refused(File(Read(10))));
}

TEST_F(HandsetTest, FailNthWinsOverAScriptWhichWaitsForTheNextCommand) {
  handset.FailNthCommand(1, 7);
  handset.ScriptNextAnswer({1, 2});
  EXPECT_EQ(File(Volumes()).status, 7);
  EXPECT_EQ(File(Volumes()).data, (Bytes{1, 2}));
}

TEST_F(HandsetTest, ClearFaultsDisarmsEverything) {
  handset.FailCommand(kRestart, -1, 7);
  handset.FailNthCommand(1, 7);
  handset.DropNextAnswer();
  handset.TimeOutTransfer(1);
  handset.WrongSequenceOnNextAnswer();
  handset.AnswerCountTwoOnNextAnswer();
  handset.ShortNextReply(2);
  handset.BadLengthOnNextAnswer();
  handset.OverridePollCount(0, 5);
  handset.DisconnectAfter(0);
  handset.ScriptNextAnswer({1});
  handset.ClearFaults();

  EXPECT_TRUE(Done(Transact(kRestart, {})));
  handset.SetVolumes({"/a"});
  EXPECT_EQ(File(Volumes()).data.size(), 8u);  // Parse checks D = L - 8
  EXPECT_EQ(handset.RestartCount(), 1);
}

TEST_F(HandsetTest, LatencyIsSpentInEveryTransfer) {
  handset.SetLatency(std::chrono::milliseconds(2));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Send(kRestart, {}), TransferStatus::Ok);
  Poll();
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4));
}

}  // namespace
