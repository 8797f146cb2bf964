#pragma once

#include <atomic>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "link/discovery.h"
#include "link/phone_link.h"
#include "support/settings.h"

namespace tollhaven::cli {

// Exit statuses of tollhaven-cli. Scripts rely on them.
inline constexpr int kExitSuccess = 0;
// A handset command (or a file it needed) failed; the rest still ran.
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// No handset was found, or the user may not open it.
inline constexpr int kExitNoHandset = 3;

using TextConversion = std::function<std::string(std::string_view)>;

// Everything a run of the command-line tool reaches outside itself. main() builds the real one;
// tests hand in a link and a discovery of the simulated handset and string streams.
struct CliEnvironment {
  CliEnvironment(PhoneLink& link_, Discovery& discovery_, std::ostream& out_, std::ostream& err_)
      : link(link_), discovery(discovery_), out(out_), err(err_) {}

  PhoneLink& link;  // its log is the event log the run writes to
  // The platform's discovery. A run looks for the test-command interface before it switches
  // modes: a handset switched by an earlier run needs no second switch and wait.
  Discovery& discovery;
  std::ostream& out;
  std::ostream& err;
  // Where a confirmation is read from (patch without --yes); none: never confirmed.
  std::istream* in = nullptr;
  // handsetType matters to the handset; the run lists every file whatever fileLimit says.
  Settings settings{};
  // Standard error is a terminal: long work shows its progress line there.
  bool errIsTerminal = false;
  // Names are UTF-8 inside; these convert to and from the terminal's encoding (none: as is).
  TextConversion toTerminal;
  TextConversion fromTerminal;
  std::string version = "0";
  // Set (from a signal handler, say) when the user wants the run to stop: long work ends after
  // the file in hand, with what it did written down (a backup's manifest) and status 1.
  const std::atomic<bool>* stopRequested = nullptr;
};

// Runs one command line (without the program name) and returns the exit status.
int RunCli(const std::vector<std::string>& args, CliEnvironment& env);

}  // namespace tollhaven::cli
