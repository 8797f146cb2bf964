// The handset's answers to every command the client sends, from the framing up.

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <string>
#include <vector>

#include "fuzzed_transport.h"
#include "handset/handset.h"
#include "link/phone_link.h"
#include "support/clock.h"
#include "support/event_log.h"

using namespace tollhaven;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  EventLog log;
  ManualClock clock;
  PhoneLink link(log, clock);
  link.SetTransport(std::make_unique<fuzz::FuzzedTransport>(input));
  Handset handset(link);
  std::vector<uint8_t> buffer(2 * kHandsetAreaSize);
  uint8_t volumes[kVolumeBufferSize] = {};

  while (input.remaining_bytes() > 0) {
    const std::string path = input.ConsumeRandomLengthString(300);
    const auto word = input.ConsumeIntegral<uint32_t>();
    switch (input.ConsumeIntegralInRange<int>(0, 13)) {
      case 0:
        handset.PhoneOpen(path, word);
        break;
      case 1:
        handset.PhoneRead(buffer.data(), input.ConsumeIntegralInRange<uint32_t>(0, buffer.size()));
        break;
      case 2:
        handset.PhoneWrite(buffer.data(), input.ConsumeIntegralInRange<uint32_t>(0, buffer.size()));
        break;
      case 3:
        handset.PhoneSeek(word, input.ConsumeIntegral<uint8_t>());
        break;
      case 4:
        handset.PhoneClose();
        break;
      case 5:
        handset.PhoneDelete(path);
        break;
      case 6:
        handset.PhoneMakeDir(path, word);
        break;
      case 7:
        handset.PhoneRemoveDir(path, word);
        break;
      case 8:
        handset.PhoneVolumes(volumes);
        break;
      case 9:
        handset.PhoneFreeSpace(volumes);
        break;
      case 10:
        handset.PhoneRestart();
        break;
      case 11: {
        uint32_t length = 0;
        handset.ReadSeem(static_cast<uint16_t>(word), static_cast<uint16_t>(word >> 16),
                         input.ConsumeIntegral<uint16_t>(), input.ConsumeIntegral<uint16_t>(),
                         buffer.data(), input.ConsumeIntegralInRange<std::size_t>(0, buffer.size()),
                         length);
        break;
      }
      case 12: {
        uint32_t length = 0;
        handset.FileSystemCommandInto(
            word, reinterpret_cast<const uint8_t*>(path.data()), static_cast<uint32_t>(path.size()),
            buffer.data(), input.ConsumeIntegralInRange<std::size_t>(0, buffer.size()), length);
        break;
      }
      default: {
        uint32_t length = 0;
        link.Transact(static_cast<uint16_t>(word), reinterpret_cast<const uint8_t*>(path.data()),
                      static_cast<uint32_t>(path.size()), buffer.data(),
                      input.ConsumeIntegralInRange<std::size_t>(0, buffer.size()), length);
        break;
      }
    }
  }
  return 0;
}
