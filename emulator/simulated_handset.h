#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace p2ksim {

struct HandsetAnswer;  // emulator/handset_answer.h

// Outcome of one control transfer as the host would see it.
enum class TransferStatus {
  Ok,       // completed
  Timeout,  // the device never completed it
  Error,    // stalled or the device is gone
};

// A file on the simulated handset.
struct SimFile {
  std::vector<uint8_t> contents;
  uint16_t attributes = 0;  // the attribute word (low byte: read-only 0x01, hidden 0x02 ...)
  uint8_t owner = 0x07;
};

// One command packet as the handset received it (every packet with a whole 8-byte header is
// recorded, well-formed or not).
struct ReceivedCommand {
  uint16_t sequence = 0;  // as sent: a well-built packet keeps it within 12 bits
  uint16_t opcode = 0;    // as sent
  std::vector<uint8_t> payload;
  // For opcode 0x004A: the 32-bit big-endian sub-command at the payload's start, else -1.
  int subCommand() const;
};

// The device side of the test-command protocol over vendor control transfers, with an
// in-memory file system. Written from the handset's point of view: it parses command packets
// and builds answers and file-list entries itself. All members are safe to call from any thread.
//
// How it answers, where a real handset leaves room:
// - A setup packet that does not fit the transfer (request type, request, wValue, or a wIndex
//   other than InterfaceNumber()) stalls: TransferStatus::Error.
// - A command packet with a broken header (shorter than 8 bytes, wLength or the header's
//   payload length not matching the data, non-zero top bits of the sequence, non-zero reserved
//   field) is answered with status 0; so is a sub-command whose payload has the wrong size.
// - Refusals about the file system (no open file, no such file, a path outside /a /b /c, a
//   directory where a file is expected) are answered with status 8 and the single byte 1.
// - Answers wait in a queue; a poll announces 1 while any is waiting and the size of the
//   first, a read hands over the first and removes it. A read with nothing waiting gets the
//   4-byte reply 00 00 00 00 (no answer in it).
class SimulatedHandset {
 public:
  SimulatedHandset();

  // ---- Control transfers (what a USB host controller would deliver) ----

  // Host-to-device transfer; `setup` is the 8-byte setup packet, `data` the data stage.
  // bmRequestType 0x41, bRequest 0x02 on the test interface: a command packet.
  TransferStatus ControlOut(const uint8_t* setup, const uint8_t* data, std::size_t length);
  // Device-to-host transfer; `reply` receives at most wLength bytes.
  // bmRequestType 0xC1, bRequest 0x00: poll (8 bytes: byte 1 answers waiting, bytes 2..3 the
  // size S of the first answer packet, big-endian). bRequest 0x01: read the answers.
  TransferStatus ControlIn(const uint8_t* setup, std::vector<uint8_t>& reply);

  // ---- Configuration (set before use) ----

  // wIndex the test-command interface answers on; other interfaces stall.
  void SetInterfaceNumber(uint16_t number);
  uint16_t InterfaceNumber() const;
  // The USB interface's name ("Motorola Test Command").
  std::string InterfaceName() const;
  void SetInterfaceName(const std::string& name);
  // Size of one file-list entry (268 by default, 44 on some handsets; kept within 10..4096)
  // and entries per chunk (1 by default, at least 1; fewer when a chunk would not fit the
  // 16-bit answer length).
  void SetEntrySize(std::size_t bytes);
  void SetEntriesPerChunk(std::size_t entries);
  // Volume names reported by sub-command 0x0A, e.g. {"/a", "/b"}; {"/a"} by default.
  // Sub-command 0x0B answers only for a volume text that starts with one of them.
  void SetVolumes(const std::vector<std::string>& volumes);
  // Free bytes reported by sub-command 0x0B (1 MiB by default). Writes through the file
  // commands take from it and deletes give back, as on a real handset; a write block that would
  // need more than is left is refused with status 7 and writes nothing. Files added with
  // AddFile take nothing: they are what was on the handset before the free space was set.
  void SetFreeSpace(uint32_t bytes);
  uint32_t FreeSpace() const;
  // Whether open and delete find a file whose name differs only in letter case (ASCII and
  // Latin-1 letters), as a handset whose file system ignores case does: an open then writes into
  // that file under its old name. Off (names match exactly) by default.
  void SetCaseInsensitiveNames(bool ignoreCase);
  // Model text in seem 0x0117 record 1 (empty by default; at most 30 characters are kept so
  // the record always ends in FF padding).
  void SetModel(const std::string& model);
  // Real time spent in every transfer (for the demo program and the benchmarks).
  void SetLatency(std::chrono::microseconds latency);

  // ---- File system (partitions /a /b /c always exist) ----

  // Paths are absolute handset paths ("/a/mobile/picture/x.jpg"). Adding a file or directory
  // adds its parent directories too. A path outside /a /b /c throws std::invalid_argument.
  void AddFile(const std::string& path, std::vector<uint8_t> contents, uint16_t attributes = 0,
               uint8_t owner = 0x07);
  void AddDirectory(const std::string& path);
  std::optional<SimFile> File(const std::string& path) const;
  bool HasDirectory(const std::string& path) const;
  // Every file path, sorted.
  std::vector<std::string> FilePaths() const;
  int RestartCount() const;
  // True while a file is open (between open and close).
  bool FileOpen() const;

  // ---- Fault injection ----

  // Command faults replace the execution: the command is recorded but not carried out.
  // When several are armed for one command, FailNthCommand wins, then a scripted answer, then
  // FailCommand. Answer faults (wrong sequence, count 2, short reply, bad length) apply to the
  // next answer the handset builds, whoever asked for it.

  // Answer every matching command with this error status (any value but 6 and 8).
  // subCommand -1 matches any sub-command of opcode 0x004A. `times` -1: for ever.
  void FailCommand(uint16_t opcode, int subCommand, uint8_t status, int times = -1);
  // The n-th command received from now on (1 = the next) is answered with this status.
  void FailNthCommand(int n, uint8_t status);
  // The next command is carried out but gets no answer: polls keep announcing 0 answers.
  void DropNextAnswer();
  // The n-th control transfer from now on (1 = the next) never completes (time-out) and has no
  // effect: a timed-out send is not carried out, a timed-out read leaves the answer waiting.
  void TimeOutTransfer(int n);
  // The next answer echoes the sequence number before its command's, modulo 4096 (a late
  // answer to the command before).
  void WrongSequenceOnNextAnswer();
  // The next answer reply carries an answer count of 2 in its first byte.
  void AnswerCountTwoOnNextAnswer();
  // The next answer reply is cut to this many bytes (fewer than 4).
  void ShortNextReply(std::size_t bytes);
  // The next answer with data gives a data length D that does not match the packet length L.
  void BadLengthOnNextAnswer();
  // The next `times` polls announce this many answers waiting (0, or 3 and more), whatever is
  // really waiting.
  void OverridePollCount(uint8_t count, int times);
  // After n more transfers every transfer fails as if the handset was unplugged (until
  // ClearFaults or Replug, which plug it back in).
  void DisconnectAfter(int transfers);
  // Answer the next command with status 8 and exactly these data bytes, whatever it asked.
  void ScriptNextAnswer(std::vector<uint8_t> data);
  // Answer the next command with status 6 (done, no data), whatever it asked.
  void ScriptNextAnswerNoData();
  void ClearFaults();
  // Whether a DisconnectAfter has taken effect (the handset is off the bus).
  bool Unplugged() const;
  // Plugged in again after an unplug: the faults are cleared as by ClearFaults, and the answers
  // still waiting are lost, as a real handset loses them when it leaves the bus.
  void Replug();

  // ---- What the handset saw ----

  // The commands received, oldest first. Only the latest ReceivedLimit() are kept, so long
  // benchmark runs do not grow without bound (10000 by default).
  std::vector<ReceivedCommand> Received() const;
  void ClearReceived();
  void SetReceivedLimit(std::size_t commands);
  std::size_t ReceivedLimit() const;
  uint64_t TransferCount() const;

 private:
  struct PendingAnswer {
    std::vector<uint8_t> reply;  // the complete read reply
    uint16_t packetLength = 8;   // L, announced by the poll as S
    std::size_t deliver = 0;     // bytes the read hands over (less than the reply when cut)
  };
  struct FailRule {
    uint16_t opcode;
    int subCommand;
    uint8_t status;
    int times;
  };
  struct Setup {
    uint8_t requestType;
    uint8_t request;
    uint16_t value;
    uint16_t index;
    uint16_t length;
  };

  // control_transfers.cpp: the bus side; every transfer passes BeginTransfer first.
  std::optional<TransferStatus> BeginTransfer();
  TransferStatus ControlOutLocked(const uint8_t* setup, const uint8_t* data, std::size_t length);
  TransferStatus ControlInLocked(const uint8_t* setup, std::vector<uint8_t>& reply);
  void ReplyToPoll(const Setup& setup, std::vector<uint8_t>& reply);
  TransferStatus ReplyToRead(const Setup& setup, std::vector<uint8_t>& reply);

  // command_dispatch.cpp: one command packet in, one answer queued (or none when dropped).
  void ReceivePacket(const uint8_t* data, std::size_t length, uint16_t announcedLength);
  HandsetAnswer Execute(const ReceivedCommand& command, bool wellFormed);
  std::optional<uint8_t> TakeCommandFault(const ReceivedCommand& command);
  void QueueAnswer(uint16_t sequence, uint16_t opcode, HandsetAnswer answer);
  HandsetAnswer ReadSeemRecord(const ReceivedCommand& command) const;
  void Restart();

  // file_commands.cpp: sub-commands of opcode 0x004A.
  HandsetAnswer ExecuteFileCommand(const ReceivedCommand& command);
  HandsetAnswer OpenFile(const std::vector<uint8_t>& payload);
  HandsetAnswer ReadFile(const std::vector<uint8_t>& payload);
  HandsetAnswer WriteFile(const std::vector<uint8_t>& payload);
  HandsetAnswer SeekFile(const std::vector<uint8_t>& payload);
  HandsetAnswer CloseFile(const std::vector<uint8_t>& payload);
  HandsetAnswer DeleteFile(const std::vector<uint8_t>& payload);
  HandsetAnswer MakeDirectory(const std::vector<uint8_t>& payload);
  HandsetAnswer RemoveDirectory(const std::vector<uint8_t>& payload);
  HandsetAnswer ReportVolumes(const std::vector<uint8_t>& payload) const;
  HandsetAnswer ReportFreeSpace(const std::vector<uint8_t>& payload) const;

  // file_list_entries.cpp: counting and listing a partition.
  HandsetAnswer CountFiles(const std::vector<uint8_t>& payload);
  HandsetAnswer NextListChunk(const std::vector<uint8_t>& payload);

  // file_system.cpp: the in-memory tree (callers hold the lock).
  void AddDirectoryLocked(const std::string& path);
  void AddParentsLocked(const std::string& path);
  SimFile* OpenFileEntry();
  // The stored path that `path` names: itself, or with case ignored (when switched on) the
  // stored path equal to it without case; `path` when nothing matches.
  std::string StoredPathLocked(const std::string& path) const;
  // A file's bytes go back to the free space when it is deleted.
  void GiveBack(const SimFile& file);

  mutable std::mutex mutex_;

  uint16_t interfaceNumber_ = 8;
  std::string interfaceName_ = "Motorola Test Command";
  std::size_t entrySize_ = 268;
  std::size_t entriesPerChunk_ = 1;
  std::vector<std::string> volumes_{"/a"};
  uint32_t freeSpace_ = 1u << 20;
  bool ignoreCase_ = false;
  std::string model_;
  std::chrono::microseconds latency_{0};

  std::map<std::string, SimFile> files_;
  std::set<std::string> directories_;
  int restarts_ = 0;

  // The open file, if any, and its position.
  std::optional<std::string> openPath_;
  std::size_t position_ = 0;
  // File listing: the paths still to send, set by the last count.
  std::deque<std::string> listing_;

  std::deque<PendingAnswer> answers_;
  std::deque<ReceivedCommand> received_;
  std::size_t receivedLimit_ = 10000;
  uint64_t transfers_ = 0;

  // Faults.
  std::vector<FailRule> failRules_;
  int failNth_ = 0;
  uint8_t failNthStatus_ = 0;
  bool dropNext_ = false;
  int timeOutTransfer_ = 0;
  bool wrongSequence_ = false;
  bool countTwo_ = false;
  std::optional<std::size_t> shortReply_;
  bool badLength_ = false;
  uint8_t pollOverride_ = 0;
  int pollOverrideTimes_ = 0;
  int disconnectAfter_ = -1;
  bool disconnected_ = false;
  std::optional<std::vector<uint8_t>> scripted_;
  bool scriptedNoData_ = false;
};

}  // namespace p2ksim
