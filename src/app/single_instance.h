#pragma once

namespace tollhaven {

// The name every running copy of the program claims.
inline constexpr const char* kInstanceName = "TollhavenInstance";

// Claims the program's single-instance lock for the rest of the process. False when another
// running copy holds it: that copy is left alone and this one should end at once. The claim
// disappears with the process, also when it crashes or is killed.
bool ClaimSingleInstance();

}  // namespace tollhaven
