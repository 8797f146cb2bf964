#pragma once

#include "handset/phone_file_list.h"
#include "support/status_sink.h"

namespace tollhaven {

// Refreshes the status bar's free space (part 0) and file count (part 2) after the program
// changed files on the handset. The count is only shown: handsetFileCount keeps its value. When
// the free space cannot be read, "Volume size fail!" goes to the log and both texts stay.
void showHandsetVolume(PhoneFileList& list, StatusSink& status);

}  // namespace tollhaven
