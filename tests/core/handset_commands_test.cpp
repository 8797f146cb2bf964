#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>

#include "simulated_link.h"

namespace tollhaven {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using testing::SimulatedLink;

std::vector<uint8_t> Pattern(std::size_t size) {
  std::vector<uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  }
  return bytes;
}

uint32_t Big32(const std::vector<uint8_t>& bytes, std::size_t at) {
  return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
         (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

// The byte counts of the read or write requests the handset received.
std::vector<uint32_t> BlockCounts(const p2ksim::SimulatedHandset& sim, int subCommand) {
  std::vector<uint32_t> counts;
  for (const auto& command : sim.Received()) {
    if (command.subCommand() == subCommand) {
      counts.push_back(Big32(command.payload, 4));
    }
  }
  return counts;
}

struct ReadCase {
  uint32_t size;
  std::vector<uint32_t> requests;
};

void PrintTo(const ReadCase& c, std::ostream* out) {
  *out << c.size << " bytes";
}

class PhoneRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(PhoneRead, AsksInBlocksAndReadsTheWholeFile) {
  SimulatedLink s;
  auto contents = Pattern(GetParam().size);
  s.sim.AddFile("/a/file.bin", contents);
  ASSERT_EQ(s.handset.PhoneOpen("/a/file.bin", 0), 0);
  s.sim.ClearReceived();

  std::vector<uint8_t> buffer(GetParam().size + 10, 0);
  EXPECT_EQ(s.handset.PhoneRead(buffer.data(), GetParam().size, OperationObserver(s.progress)), 0);
  EXPECT_EQ(BlockCounts(s.sim, 1), GetParam().requests);
  EXPECT_TRUE(std::equal(contents.begin(), contents.end(), buffer.begin()));
  EXPECT_EQ(s.progress.steps, static_cast<int>(GetParam().requests.size()));
  EXPECT_THAT(s.Lines(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, PhoneRead,
                         ::testing::Values(ReadCase{1000, {1000}},
                                           ReadCase{2500, {1024, 1024, 452}},
                                           ReadCase{2048, {1024, 1024, 0}},
                                           // One byte left is data, not a failure status.
                                           ReadCase{1025, {1024, 1}}, ReadCase{1, {1}}));

TEST(PhoneReadFailures, SingleByteAnswerSizeZeroAndFailedBlock) {
  SimulatedLink s;
  s.sim.AddFile("/a/f", Pattern(3000));
  ASSERT_EQ(s.handset.PhoneOpen("/a/f", 0), 0);
  std::vector<uint8_t> buffer(3010);

  s.sim.ScriptNextAnswer({1});  // the handset's failure status to a 1024-byte request
  EXPECT_EQ(s.handset.PhoneRead(buffer.data(), 3000), -1);

  s.sim.ClearReceived();
  EXPECT_EQ(s.handset.PhoneRead(buffer.data(), 0), -1);
  EXPECT_THAT(s.sim.Received(), IsEmpty());

  s.sim.FailNthCommand(2, 7);
  EXPECT_EQ(s.handset.PhoneRead(buffer.data(), 3000), -1);
  EXPECT_THAT(s.Lines(), ElementsAre("GENERIC FAILURE."));
}

// A file that ends before the size asked for must not pass for whole: the unread rest of the
// buffer would be saved as the file's contents.
TEST(PhoneReadFailures, AFileEndingEarlyFails) {
  SimulatedLink s;
  s.sim.AddFile("/a/short", Pattern(1500));
  ASSERT_EQ(s.handset.PhoneOpen("/a/short", 0), 0);
  std::vector<uint8_t> buffer(3010);
  EXPECT_EQ(s.handset.PhoneRead(buffer.data(), 3000), -1);
  EXPECT_EQ(BlockCounts(s.sim, 1), (std::vector<uint32_t>{1024, 1024}));

  ASSERT_EQ(s.handset.PhoneSeek(0, 0), 0);
  s.sim.ScriptNextAnswerNoData();  // no data at all for the first block
  EXPECT_EQ(s.handset.PhoneRead(buffer.data(), 1000), -1);
}

TEST(PhoneReadFailures, AHandsetSendingMoreThanAskedNeverOverrunsTheBuffer) {
  SimulatedLink s;
  std::vector<uint8_t> buffer(100 + 10, 0xEE);
  s.sim.ScriptNextAnswer(std::vector<uint8_t>(1024, 0x11));
  EXPECT_EQ(s.handset.PhoneRead(buffer.data(), 100), 0);
  EXPECT_EQ(buffer[99], 0x11);
  EXPECT_EQ(buffer[100], 0xEE);
  EXPECT_EQ(BlockCounts(s.sim, 1).size(), 1u);
}

TEST(PhoneWrite, SendsBlocksAndStepsOncePerBlock) {
  SimulatedLink s;
  auto contents = Pattern(3000);
  ASSERT_EQ(s.handset.PhoneOpen("/a/new.bin", 4), 0);
  EXPECT_EQ(s.handset.PhoneWrite(contents.data(), 3000, OperationObserver(s.progress)), 0);
  ASSERT_EQ(s.handset.PhoneClose(), 0);
  EXPECT_THAT(BlockCounts(s.sim, 2), ElementsAre(1024, 1024, 952));
  EXPECT_EQ(s.progress.steps, 3);
  auto file = s.sim.File("/a/new.bin");
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->contents, contents);
  EXPECT_EQ(file->attributes, 4);
}

TEST(PhoneWrite, SingleByteAnswerSixCarriesOnAndOneFails) {
  SimulatedLink s;
  auto contents = Pattern(2000);
  ASSERT_EQ(s.handset.PhoneOpen("/a/w", 4), 0);
  s.sim.ScriptNextAnswer({6});
  EXPECT_EQ(s.handset.PhoneWrite(contents.data(), 2000), 0);
  EXPECT_EQ(BlockCounts(s.sim, 2).size(), 2u);

  s.sim.ClearReceived();
  s.sim.ScriptNextAnswer({1});
  EXPECT_EQ(s.handset.PhoneWrite(contents.data(), 2000), -1);
  EXPECT_EQ(BlockCounts(s.sim, 2).size(), 1u);

  s.sim.ClearReceived();
  EXPECT_EQ(s.handset.PhoneWrite(contents.data(), 0), 0);  // nothing to send
  EXPECT_THAT(s.sim.Received(), IsEmpty());
}

// Payload bytes of every command, built by hand from the handset's command table.
TEST(HandsetCommands, PayloadsAreByteExact) {
  SimulatedLink s;
  s.sim.AddFile("/a/x", {1, 2});
  s.sim.AddDirectory("/a/d");
  ASSERT_EQ(s.handset.PhoneOpen("/a/x", 0x23), 0);
  ASSERT_EQ(s.handset.PhoneSeek(0, 0), 0);
  ASSERT_EQ(s.handset.PhoneClose(), 0);
  ASSERT_EQ(s.handset.PhoneDelete("/a/x"), 0);
  ASSERT_EQ(s.handset.PhoneMakeDir("/a/n", 4), 0);
  ASSERT_EQ(s.handset.PhoneRemoveDir("/a/d", 4), 0);
  ASSERT_EQ(s.handset.PhoneRestart(), 0);

  auto received = s.sim.Received();
  ASSERT_EQ(received.size(), 7u);
  EXPECT_THAT(received[0].payload, ElementsAre(0, 0, 0, 0, 0, 0, 0, 0x23, '/', 'a', '/', 'x'));
  EXPECT_THAT(received[1].payload, ElementsAre(0, 0, 0, 3, 0, 0, 0, 0, 0));
  EXPECT_THAT(received[2].payload, ElementsAre(0, 0, 0, 4));
  EXPECT_THAT(received[3].payload, ElementsAre(0, 0, 0, 5, '/', 'a', '/', 'x'));
  EXPECT_THAT(received[4].payload, ElementsAre(0, 0, 0, 0x0E, 0, 0, 0, 4, '/', 'a', '/', 'n'));
  EXPECT_THAT(received[5].payload, ElementsAre(0, 0, 0, 0x0F, 0, 0, 0, 4, '/', 'a', '/', 'd'));
  EXPECT_EQ(received[6].opcode, 0x0022);
  EXPECT_THAT(received[6].payload, IsEmpty());
  EXPECT_FALSE(s.sim.File("/a/x").has_value());
  EXPECT_TRUE(s.sim.HasDirectory("/a/n"));
  EXPECT_FALSE(s.sim.HasDirectory("/a/d"));
  EXPECT_EQ(s.sim.RestartCount(), 1);
}

TEST(HandsetCommands, EmptyPathFailsSilentlyWithoutSending) {
  SimulatedLink s;
  EXPECT_EQ(s.handset.PhoneOpen("", 4), -1);
  EXPECT_EQ(s.handset.PhoneDelete(""), -1);
  EXPECT_EQ(s.handset.PhoneMakeDir("", 4), -1);
  EXPECT_EQ(s.handset.PhoneRemoveDir("", 4), -1);
  EXPECT_THAT(s.sim.Received(), IsEmpty());
  EXPECT_THAT(s.Lines(), IsEmpty());
}

TEST(HandsetCommands, OpenSucceedsWhateverDataItIsAnswered) {
  SimulatedLink s;
  s.sim.ScriptNextAnswer({1});
  EXPECT_EQ(s.handset.PhoneOpen("/a/x", 4), 0);
  s.sim.ScriptNextAnswer({9, 9, 9});
  EXPECT_EQ(s.handset.PhoneMakeDir("/a/y", 4), 0);
}

struct StatusCase {
  const char* name;
  bool noData;
  std::vector<uint8_t> answer;
  int result;
};

void PrintTo(const StatusCase& c, std::ostream* out) {
  *out << c.name;
}

class OneByteStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(OneByteStatus, DecidesSeekCloseAndDelete) {
  for (int operation = 0; operation < 3; ++operation) {
    SimulatedLink s;
    s.sim.AddFile("/a/x", {1});
    if (GetParam().noData) {
      s.sim.ScriptNextAnswerNoData();
    } else {
      s.sim.ScriptNextAnswer(GetParam().answer);
    }
    int result = operation == 0   ? s.handset.PhoneSeek(0, 0)
                 : operation == 1 ? s.handset.PhoneClose()
                                  : s.handset.PhoneDelete("/a/x");
    EXPECT_EQ(result, GetParam().result) << "operation " << operation;
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, OneByteStatus,
                         ::testing::Values(StatusCase{"NoData", true, {}, 0},
                                           StatusCase{"TwoBytes", false, {0, 0}, 0},
                                           StatusCase{"OneByteZero", false, {0}, -1},
                                           StatusCase{"OneByteOne", false, {1}, -1},
                                           StatusCase{"FirstByteOne", false, {1, 0}, -1}),
                         [](const auto& info) { return info.param.name; });

TEST(Volumes, NamesGoStraightToTheBufferAndFreeSpaceUsesThem) {
  SimulatedLink s;
  s.sim.SetVolumes({"/a", "/b"});
  s.sim.SetFreeSpace(1536);
  uint8_t volumes[kVolumeBufferSize];
  ASSERT_EQ(s.handset.PhoneVolumes(volumes), 0);
  const uint8_t expected[] = {0, '/', 0, 'a', 0xFF, 0xFE, 0, '/', 0, 'b', 0xFF, 0xFE, 0, 0};
  EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), volumes));

  ASSERT_EQ(s.handset.PhoneFreeSpace(volumes), 0);
  EXPECT_EQ(s.handset.freeSpace, 1536u);
  auto payload = s.sim.Received().back().payload;
  ASSERT_EQ(payload.size(), 512u);
  EXPECT_THAT(
      std::vector<uint8_t>(payload.begin(), payload.begin() + 18),
      ElementsAre(0, 0, 0, 0x0B, 0, '/', 0, 'a', 0xFF, 0xFE, 0, '/', 0, 'b', 0xFF, 0xFE, 0, 0));
  EXPECT_TRUE(std::all_of(payload.begin() + 16, payload.end(), [](uint8_t b) { return b == 0; }));
}

TEST(Volumes, FailureRules) {
  SimulatedLink s;
  uint8_t volumes[kVolumeBufferSize];
  s.sim.ScriptNextAnswer({6, 0});
  EXPECT_EQ(s.handset.PhoneVolumes(volumes), -1);
  s.sim.ScriptNextAnswer({0});
  EXPECT_EQ(s.handset.PhoneVolumes(volumes), -1);

  s.sim.ScriptNextAnswer({0, 0, 0, 0});
  EXPECT_EQ(s.handset.PhoneFreeSpace(volumes), -1);
  EXPECT_THAT(s.Lines(), ElementsAre("Zero free space recv'd!"));
  s.sim.ScriptNextAnswer({0, 1});  // too short to hold the count
  EXPECT_EQ(s.handset.PhoneFreeSpace(volumes), -1);
  EXPECT_EQ(s.handset.freeSpace, 0u);
  s.sim.ScriptNextAnswer({6});  // a status alone
  EXPECT_EQ(s.handset.PhoneFreeSpace(volumes), -1);

  // A count whose first byte is 6 is 96 MiB or more, not a status.
  s.sim.ScriptNextAnswer({0x06, 0x40, 0x00, 0x00});
  EXPECT_EQ(s.handset.PhoneFreeSpace(volumes), 0);
  EXPECT_EQ(s.handset.freeSpace, 0x06400000u);
}

TEST(ReadSeem, ReadsTheModelRecord) {
  SimulatedLink s;
  s.sim.SetModel("V3");
  uint8_t record[512] = {};
  uint32_t length = 0;
  ASSERT_EQ(s.handset.ReadSeem(0x0117, 1, 0, 0, record, sizeof record, length), 0);
  EXPECT_THAT(s.sim.Received().back().payload, ElementsAre(0x01, 0x17, 0, 1, 0, 0, 0, 0));
  EXPECT_EQ(s.sim.Received().back().opcode, 0x0020);
  EXPECT_THAT(std::vector<uint8_t>(record + 2, record + 8),
              ElementsAre('V', 0, '3', 0, 0xFF, 0xFF));

  s.sim.ScriptNextAnswer({5});
  EXPECT_EQ(s.handset.ReadSeem(0x0117, 1, 0, 0, record, sizeof record, length), -1);
}

}  // namespace
}  // namespace tollhaven
