#pragma once

#include <string>
#include <vector>

#include "support/settings.h"

namespace tollhaven {

// One message box of the start-up reminder.
struct ReminderMessage {
  std::string caption;
  std::string text;
};

// What the start-up reminder shows, in order: the warning about a file-list limit when one is
// set, then always the selected partition. Empty when the reminder is switched off.
std::vector<ReminderMessage> StartupReminder(const Settings& settings);

}  // namespace tollhaven
