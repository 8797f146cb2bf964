#include "app/startup_reminder.h"

namespace tollhaven {

std::vector<ReminderMessage> StartupReminder(const Settings& settings) {
  std::vector<ReminderMessage> messages;
  if (settings.showReminder != 1) {
    return messages;
  }
  if (settings.fileLimit != -1) {
    messages.push_back({"Tollhaven warning message:",
                        "Warning setting \"number of files\" is NOT unlimited !!!\r\n"
                        "You will not see the whole filelist !!!\r\n"
                        "You can change this setting in options menu.\r\n"
                        "After that you must perform a \"Re-read\"."});
  }
  std::string partition = "Selected partition is: ";
  if (settings.partitionA == 1) {
    partition += "/a";
  }
  if (settings.partitionB == 1) {
    partition += "/b";
  }
  if (settings.partitionC == 1) {
    partition += "/c";
  }
  partition += "\n\rThis can be modified in options dialog.";
  messages.push_back({"n00b reminder...", std::move(partition)});
  return messages;
}

}  // namespace tollhaven
