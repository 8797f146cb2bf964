// What LoadVolumeInfo tells after every connect: the volume names, the partition to list, the
// free space, the model and the file count.

#include <algorithm>
#include <string>

#include "handset/phone_file_list.h"

namespace tollhaven {

namespace {

constexpr uint16_t kModelSeem = 0x0117;
constexpr uint16_t kModelRecord = 1;
// The model text starts after two leading bytes of the record.
constexpr std::size_t kModelTextOffset = 2;

// The UTF-16BE volume names as 8-bit text: the low byte of each character, the separators
// (and anything else above 0xF0) as blanks, up to the first character with a zero low byte.
std::string VolumeText(const uint8_t* names, std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i + 1 < length; i += 2) {
    const uint8_t low = names[i + 1];
    if (low == 0) {
      break;
    }
    text.push_back(low > 0xF0 ? ' ' : static_cast<char>(low));
  }
  return text;
}

// The model in the record: 16-bit little-endian characters reduced to their low byte, ending at
// a zero low byte or at the padding characters FFFF, 00FF and FF00.
std::string ModelText(const uint8_t* record, std::size_t length) {
  std::string text;
  for (std::size_t i = kModelTextOffset; i + 1 < length; i += 2) {
    const uint16_t c = static_cast<uint16_t>(record[i] | (record[i + 1] << 8));
    if ((c & 0xFF) == 0 || c == 0xFFFF || c == 0x00FF || c == 0xFF00) {
      break;
    }
    text.push_back(static_cast<char>(c & 0xFF));
  }
  return text;
}

}  // namespace

void PhoneFileList::LoadVolumeInfo(StatusSink& status) {
  EventLog& log = handset_.link().log();

  volumeNames.fill(0);
  if (handset_.PhoneVolumes(volumeNames.data()) != 0) {
    log.AppendLog("Volume name fail!");
    return;
  }
  const std::string volumes = VolumeText(volumeNames.data(), volumeNames.size());
  log.AppendLog("Volume information -->  Name: " + volumes);
  status.SetStatusText(1, "Vols: " + volumes);

  // A later match wins; with none, the partition stays as it was. A plain search: the text of a
  // single volume ("/a") must not count as holding every partition.
  const struct {
    const char* name;
    int32_t enabled;
    char letter;
  } partitions[] = {{"/a", settings_.partitionA, 'a'},
                    {"/b", settings_.partitionB, 'b'},
                    {"/c", settings_.partitionC, 'c'}};
  for (const auto& partition : partitions) {
    if (partition.enabled == 1 && volumes.find(partition.name) != std::string::npos) {
      partitionLetter = partition.letter;
    }
  }

  if (handset_.PhoneFreeSpace(volumeNames.data(), volumeNames.size()) != 0) {
    log.AppendLog("Volume size fail!");
    return;
  }
  const std::string kilobytes = std::to_string(handset_.freeSpace / 1024);
  log.AppendLog("Free space: " + kilobytes + " KBytes");
  status.SetStatusText(0, "Space:" + kilobytes + " Kb");

  // The model is shown whatever the read gives; a failed read leaves the record empty.
  uint8_t record[kHandsetAreaSize] = {};
  uint32_t recordLength = 0;
  handset_.ReadSeem(kModelSeem, kModelRecord, 0, 0, record, sizeof record, recordLength);
  const std::size_t length = std::min<std::size_t>(recordLength, sizeof record);
  status.SetStatusText(3, "Model:" + ModelText(record, length));

  CountFiles(false);
  status.SetStatusText(2, "Files:" + std::to_string(handsetFileCount));
}

}  // namespace tollhaven
