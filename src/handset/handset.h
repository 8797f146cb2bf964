#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "handset/operation_observer.h"
#include "link/phone_link.h"

namespace tollhaven {

inline constexpr uint16_t kFileSystemOpcode = 0x004A;
inline constexpr uint16_t kRestartOpcode = 0x0022;
inline constexpr uint16_t kReadSeemOpcode = 0x0020;
inline constexpr std::size_t kHandsetAreaSize = 4096;
// The handset reads and writes files in blocks of at most this many bytes.
inline constexpr uint32_t kFileBlockSize = 1024;
// Size of the volume-name buffer of PhoneVolumes.
inline constexpr std::size_t kVolumeBufferSize = 512;

// The handset's file commands: each fills the payload area, runs one or more transactions and
// turns the answer into 0 (success) or -1 (failure). Not for two threads at once.
class Handset {
 public:
  explicit Handset(PhoneLink& link) : link_(link) {}

  int PhoneOpen(std::string_view path, uint32_t attributeWord);
  // Each block steps the observer's progress. Both look at its stop request before each block
  // and fail once it is set, so a long transfer ends after the block under way; the caller
  // still closes the file.
  int PhoneRead(uint8_t* buffer, uint32_t size, const OperationObserver& observer = {});
  int PhoneWrite(const uint8_t* buffer, uint32_t size, const OperationObserver& observer = {});
  int PhoneSeek(uint32_t offset, uint8_t origin);
  int PhoneClose();
  int PhoneDelete(std::string_view path);
  int PhoneMakeDir(std::string_view path, uint32_t word);
  int PhoneRemoveDir(std::string_view path, uint32_t word);
  // Fills `buffer` (kVolumeBufferSize bytes) with the UTF-16BE volume names.
  int PhoneVolumes(uint8_t* buffer);
  // `volumes` is the UTF-16BE text PhoneVolumes gave; sets freeSpace.
  int PhoneFreeSpace(const uint8_t* volumes, std::size_t volumesLength = kVolumeBufferSize);
  int PhoneRestart();
  // Reads a settings record into `buffer`, which holds `capacity` bytes; `length` gets the
  // number of bytes the answer carried.
  int ReadSeem(uint16_t seem, uint16_t record, uint16_t offset, uint16_t length, uint8_t* buffer,
               std::size_t capacity, uint32_t& answerLength);

  // A raw file-system command for the layers above (file list): sub-command plus the payload
  // bytes after it; the answer lands in answerArea()/answerLength.
  int FileSystemCommand(uint32_t subCommand, const uint8_t* rest, uint32_t restLength);
  // Same, but the answer goes to `answer` (capacity bytes) directly.
  int FileSystemCommandInto(uint32_t subCommand, const uint8_t* rest, uint32_t restLength,
                            uint8_t* answer, std::size_t capacity, uint32_t& answerLength);

  // Free bytes of the volume last asked for; 0 before the first successful query.
  uint32_t freeSpace = 0;
  // True while freeSpace holds what the last query answered (kept in step since by the program's
  // own writes and deletes); a failed query leaves nothing to check uploads against.
  bool freeSpaceKnown = false;

  // True when the last seek, close or delete failed because the handset answered no (it heard
  // the command and declined it), not because the answer was lost or an error status came.
  bool lastRefused() const { return refused_; }

  const uint8_t* answerArea() const { return answerArea_; }
  uint32_t answerLength() const { return answerLength_; }
  PhoneLink& link() { return link_; }

 private:
  int Run(uint16_t opcode, uint32_t payloadLength);
  int RunWithOneByteStatus(uint32_t payloadLength);
  void PutSubCommand(uint32_t subCommand);
  uint32_t PutPath(std::size_t at, std::string_view path);

  PhoneLink& link_;
  uint8_t payloadArea_[kHandsetAreaSize] = {};
  uint8_t answerArea_[kHandsetAreaSize] = {};
  uint32_t answerLength_ = 0;
  bool refused_ = false;
};

}  // namespace tollhaven
