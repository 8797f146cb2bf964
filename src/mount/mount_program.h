#pragma once

#include <ostream>

#include "link/discovery.h"
#include "support/clock.h"

namespace tollhaven::mount {

// Exit statuses of tollhaven-mount.
inline constexpr int kExitSuccess = 0;
// The file system could not be mounted, or ended with an error.
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// No handset was found, or the user may not open it.
inline constexpr int kExitNoHandset = 3;

// The whole program: reads the command line (MOUNTPOINT [-f] [-o OPTIONS] and FUSE's own
// options), connects the handset through `discovery`, mounts and serves until it is unmounted
// (fusermount3 -u, SIGINT, SIGTERM). The real program passes the platform's discovery; the
// test build passes one that finds the simulated handset.
int RunMount(int argc, char* argv[], Discovery& discovery, Clock& clock, std::ostream& err);

}  // namespace tollhaven::mount
