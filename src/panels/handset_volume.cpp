#include "panels/handset_volume.h"

#include <string>

namespace tollhaven {

void showHandsetVolume(PhoneFileList& list, StatusSink& status) {
  Handset& handset = list.handset();
  // The same volume LoadVolumeInfo asked about when the handset was connected.
  if (handset.PhoneFreeSpace(list.volumeNames.data(), list.volumeNames.size()) != 0) {
    handset.link().log().AppendLog("Volume size fail!");
    return;
  }
  status.SetStatusText(0, "Space:" + std::to_string(handset.freeSpace / 1024) + " Kb");

  const uint32_t kept = list.handsetFileCount;
  // Without allocation: the cached list stays as it is.
  if (list.CountFiles(false) == 0) {
    status.SetStatusText(2, "Files:" + std::to_string(list.handsetFileCount));
  }
  list.handsetFileCount = kept;
}

}  // namespace tollhaven
