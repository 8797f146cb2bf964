#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "simulated_link.h"

namespace tollhaven {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::SimulatedLink;

constexpr uint16_t kOpcode = 0x004A;
const uint8_t kClose[] = {0, 0, 0, 4};

class Transact : public ::testing::Test {
 protected:
  int Send(const uint8_t* payload = kClose, uint32_t length = sizeof kClose) {
    return s.link.Transact(kOpcode, payload, length, answer, sizeof answer, answerLength);
  }
  SimulatedLink s;
  uint8_t answer[64] = {};
  uint32_t answerLength = 0;
};

TEST_F(Transact, SendsTheSetupPacketHeaderAndPayloadByteExact) {
  ASSERT_EQ(Send(), 0);
  ASSERT_EQ(s.transport->sent.size(), 1u);
  EXPECT_THAT(s.transport->sent[0],
              ElementsAre(0x41, 0x02, 0x00, 0x00, 0x08, 0x00, 0x0C, 0x00,  // setup, wLength 12
                          0x00, 0x01, 0x00, 0x4A, 0x00, 0x04, 0x00, 0x00,  // seq 1, opcode, len 4
                          0x00, 0x00, 0x00, 0x04,                          // payload
                          0x00, 0x00));                                    // two more zero bytes
  EXPECT_EQ(s.sim.Received().at(0).opcode, 0x004A);
}

TEST_F(Transact, SequenceStartsAtOneAndWrapsAtTwelveBits) {
  for (int i = 1; i <= 4096; ++i) {
    ASSERT_EQ(Send(), 0) << "command " << i;
  }
  auto received = s.sim.Received();
  EXPECT_EQ(received.front().sequence, 1);
  EXPECT_EQ(received[4094].sequence, 4095);
  EXPECT_EQ(received.back().sequence, 0);  // the 4096th, answered with 0
  EXPECT_EQ(s.link.sequenceNumber, 4096);
  EXPECT_THAT(s.Lines(), IsEmpty());
}

TEST_F(Transact, StatusSixLeavesTheCallersPresets) {
  s.sim.ScriptNextAnswerNoData();
  answer[0] = 0xAA;
  answerLength = 77;
  EXPECT_EQ(Send(), 0);
  EXPECT_EQ(answer[0], 0xAA);
  EXPECT_EQ(answerLength, 77u);
}

TEST_F(Transact, StatusEightCopiesTheDataEvenWhenThereIsNone) {
  s.sim.ScriptNextAnswer({});
  answer[0] = 0xAA;
  answerLength = 77;
  EXPECT_EQ(Send(), 0);
  EXPECT_EQ(answerLength, 0u);
  EXPECT_EQ(answer[0], 0xAA);

  s.sim.ScriptNextAnswer({1, 2, 3});
  EXPECT_EQ(Send(), 0);
  EXPECT_EQ(answerLength, 3u);
  EXPECT_THAT(std::vector<uint8_t>(answer, answer + 3), ElementsAre(1, 2, 3));
}

class PollCount : public Transact, public ::testing::WithParamInterface<uint8_t> {};

TEST_P(PollCount, IsTreatedAsNoAnswerUntilTheLimit) {
  s.sim.OverridePollCount(GetParam(), 1000000);
  EXPECT_EQ(Send(), -1);
  EXPECT_THAT(s.Lines(), ElementsAre("CMD: Answer wait timeout!"));
  EXPECT_GE(s.clock.TickCount(), 40000u);
  EXPECT_LT(s.clock.TickCount(), 40100u);
}

TEST_P(PollCount, PollingGoesOnUntilAnAnswerIsAnnounced) {
  s.sim.OverridePollCount(GetParam(), 25);
  EXPECT_EQ(Send(), 0);
  EXPECT_THAT(s.Lines(), IsEmpty());
  EXPECT_GE(s.clock.TotalSlept(), 26u);  // one wait per empty poll and one before the read
}

INSTANTIATE_TEST_SUITE_P(ZeroAndThree, PollCount, ::testing::Values(0, 3, 200));

struct FaultCase {
  const char* name;
  void (*inject)(p2ksim::SimulatedHandset&);
  int result;
  std::vector<std::string> lines;
};

// Shown in test listings instead of the bytes of the case.
void PrintTo(const FaultCase& c, std::ostream* out) {
  *out << c.name;
}

class Fault : public Transact, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(Fault, IsLoggedAndGivesItsResult) {
  GetParam().inject(s.sim);
  EXPECT_EQ(Send(), GetParam().result);
  EXPECT_EQ(s.Lines(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Fault,
    ::testing::Values(
        FaultCase{"CountTwo",
                  [](auto& h) { h.AnswerCountTwoOnNextAnswer(); },
                  1,
                  {"CMD: Answer packet invalid!"}},
        FaultCase{"LateAnswer",
                  [](auto& h) { h.WrongSequenceOnNextAnswer(); },
                  1,
                  {"CMD: Answer packet invalid!"}},
        FaultCase{"LengthMismatch",
                  [](auto& h) { h.BadLengthOnNextAnswer(); },
                  1,
                  {"CMD: Answer packet invalid!"}},
        FaultCase{
            "ShortReply", [](auto& h) { h.ShortNextReply(3); }, 1, {"CMD: Answer packet invalid!"}},
        FaultCase{
            "Status7", [](auto& h) { h.FailCommand(0x4A, 4, 7, 1); }, -1, {"GENERIC FAILURE."}},
        FaultCase{"Status10",
                  [](auto& h) { h.FailCommand(0x4A, -1, 10, 1); },
                  -1,
                  {"COULDN\"T ALLOCATE MEMORY."}},
        FaultCase{"Status15",
                  [](auto& h) { h.FailNthCommand(1, 15); },
                  -1,
                  {"IRRECOVERABLE ERROR; PHONE STATE HAS BEEN LOST. PHONE BEING POWERED DOWN."}},
        FaultCase{"SendTimeout",
                  [](auto& h) { h.TimeOutTransfer(1); },
                  -1,
                  {"USB: IO Time-out!", "CMD: Data write fail!"}},
        FaultCase{"ReadTimeout",
                  [](auto& h) { h.TimeOutTransfer(3); },
                  -1,
                  {"USB: IO Time-out!", "CMD: Data write fail!"}},
        FaultCase{"Unplugged",
                  [](auto& h) { h.DisconnectAfter(0); },
                  -1,
                  {"USB: IO Failed!", "CMD: Data write fail!"}},
        // Gone between the command and its answer: one failed poll, not 40 s of them.
        FaultCase{"UnpluggedWhileWaitingForTheAnswer",
                  [](auto& h) { h.DisconnectAfter(1); },
                  -1,
                  {"USB: IO Failed!", "CMD: Answer wait timeout!"}},
        FaultCase{"AnswerLongerThanTheCallersBuffer",
                  [](auto& h) { h.ScriptNextAnswer(std::vector<uint8_t>(65, 7)); },
                  1,
                  {"CMD: Answer packet too long!"}},
        FaultCase{"AnswerLongerThanTheAnswerArea",
                  [](auto& h) { h.ScriptNextAnswer(std::vector<uint8_t>(4090, 7)); },
                  -1,
                  {"CMD: Answer packet too long!"}}),
    [](const auto& info) { return info.param.name; });

// An answer too large for the area is read off and refused: the next command gets its own.
TEST_F(Transact, AnAnswerTooLongForTheAreaLeavesTheQueue) {
  s.sim.ScriptNextAnswer(std::vector<uint8_t>(5000, 7));
  EXPECT_EQ(Send(), -1);
  EXPECT_THAT(s.Lines(), ElementsAre("CMD: Answer packet too long!"));
  s.sim.ScriptNextAnswer({1, 2, 3});
  EXPECT_EQ(Send(), 0);
  EXPECT_EQ(answerLength, 3u);
  EXPECT_EQ(answer[2], 3);
  EXPECT_THAT(s.Lines(), ElementsAre("CMD: Answer packet too long!"));
}

// The answer to a command whose read timed out stays in the handset. The next command reads it,
// fails as it always did, and reads off its own answer behind it, so that the commands after
// it get their own answers again instead of each the one before.
TEST_F(Transact, AnAnswerLeftBehindByAReadTimeOutFailsOneCommandOnly) {
  s.sim.TimeOutTransfer(3);
  EXPECT_EQ(Send(), -1);
  EXPECT_EQ(Send(), 1);
  EXPECT_THAT(s.Lines(), ElementsAre("USB: IO Time-out!", "CMD: Data write fail!",
                                     "CMD: Answer packet invalid!"));
  for (uint8_t round = 1; round <= 3; ++round) {
    s.sim.ScriptNextAnswer({round, 2, 3});
    EXPECT_EQ(Send(), 0) << "command " << int(round);
    EXPECT_EQ(answerLength, 3u);
    EXPECT_EQ(answer[0], round);
  }
  EXPECT_EQ(s.Lines().size(), 3u);
}

// A late answer in place of the current one: the current answer is looked for briefly (it
// never comes), and the next command works.
TEST_F(Transact, ALateAnswerWithoutTheCurrentOneCostsAShortWaitOnly) {
  s.sim.WrongSequenceOnNextAnswer();
  const uint32_t start = s.clock.TickCount();
  EXPECT_EQ(Send(), 1);
  EXPECT_THAT(s.Lines(), ElementsAre("CMD: Answer packet invalid!"));
  EXPECT_GE(s.clock.TickCount() - start, kStaleAnswerWaitMs);
  EXPECT_LT(s.clock.TickCount() - start, kStaleAnswerWaitMs + 100);
  s.sim.ScriptNextAnswer({9});
  EXPECT_EQ(Send(), 0);
  EXPECT_EQ(answer[0], 9);
}

// Several answers to earlier commands ahead of the current one: up to the limit, the command
// that meets them reads them all off; beyond it, the next command meets the rest.
class StaleAnswers : public Transact, public ::testing::WithParamInterface<int> {};

TEST_P(StaleAnswers, AreReadOffUpToTheLimit) {
  const int stale = GetParam();
  s.sim.TimeOutTransfer(3);  // the read times out: the answer stays
  ASSERT_EQ(Send(), -1);
  for (int i = 1; i < stale; ++i) {
    s.sim.TimeOutTransfer(3);  // the read of the answer ahead times out: both stay
    ASSERT_EQ(Send(), -1);
  }
  EXPECT_EQ(Send(), 1);
  // The later answers ahead and its own are read off while they are no more than the limit.
  EXPECT_EQ(Send(), stale <= kMaxStaleAnswers ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Counts, StaleAnswers,
                         ::testing::Values(1, kMaxStaleAnswers, kMaxStaleAnswers + 1));

TEST_F(Transact, APollThatTimesOutUsesUpTheAnswerWait) {
  // The poll itself waits the 40 s receive limit; the wait limit is checked after it.
  s.sim.TimeOutTransfer(2);
  EXPECT_EQ(Send(), -1);
  EXPECT_THAT(s.Lines(), ElementsAre("USB: IO Time-out!", "CMD: Answer wait timeout!"));
  EXPECT_EQ(s.clock.TickCount(), kUsbReceiveTimeoutMs + 1);
}

TEST_F(Transact, OversizedPayloadIsRefusedBeforeAnythingIsSent) {
  std::vector<uint8_t> payload(kMaxPayload + 1, 0);
  EXPECT_EQ(Send(payload.data(), static_cast<uint32_t>(payload.size())), -1);
  EXPECT_THAT(s.Lines(), ElementsAre("CMD: Command payload too long!"));
  EXPECT_TRUE(s.transport->sent.empty());

  payload.resize(kMaxPayload);  // the largest that fits
  s.sim.ScriptNextAnswerNoData();
  EXPECT_EQ(Send(payload.data(), static_cast<uint32_t>(payload.size())), 0);
}

TEST_F(Transact, NoHandsetMeansTheCommandIsNotSent) {
  PhoneLink unconnected(s.log, s.clock);
  EXPECT_EQ(unconnected.Transact(kOpcode, kClose, 4, answer, sizeof answer, answerLength), -1);
  EXPECT_THAT(s.Lines(), ElementsAre("USB: IO Failed!", "CMD: Data write fail!"));
}

TEST_F(Transact, TheInterfaceNumberFoundIsTheOneAddressed) {
  s.sim.SetInterfaceNumber(5);
  s.link.testInterface = 5;
  EXPECT_EQ(Send(), 0);
  EXPECT_EQ(s.transport->sent[0][4], 5);
  s.link.testInterface = 8;  // the wrong interface stalls
  EXPECT_EQ(Send(), -1);
}

}  // namespace
}  // namespace tollhaven
