#pragma once

#include "link/discovery.h"
#include "link/phone_link.h"

namespace tollhaven {

// How long the handset needs after the mode switch to show its test-command interface.
inline constexpr uint32_t kModeSwitchWaitMs = 5000;

// Brings a plugged-in handset to where commands can be sent: mode switch on its modem port,
// the wait, then the test-command interface. Adds one line to the log, even while it is muted.
// A handset found once stays connected: a later search that finds nothing keeps its transport.
void Connect(PhoneLink& link, Discovery& discovery);

}  // namespace tollhaven
