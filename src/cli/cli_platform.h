#pragma once

#include <atomic>
#include <memory>

#include "cli/cli.h"
#include "link/discovery.h"

namespace tollhaven::cli {

// The platform-bound pieces of the program (cli_platform_<platform>.cpp).

// Makes the first interrupt (Ctrl+C) or termination request set `flag`, so that long work ends
// after the file in hand; a second one ends the program at once.
void RequestStopOnInterrupt(std::atomic<bool>& flag);
// Whether standard error is a terminal, where a progress line makes sense.
bool StandardErrorIsTerminal();
// Conversions between UTF-8 and the terminal's encoding; empty functions when the terminal
// speaks UTF-8 already.
TextConversion ToTerminalEncoding();
TextConversion FromTerminalEncoding();

}  // namespace tollhaven::cli
