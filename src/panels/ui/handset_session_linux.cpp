#include "link/discovery_linux.h"
#include "panels/ui/handset_session.h"

namespace tollhaven {

std::unique_ptr<Discovery> PlatformDiscovery() {
  return std::make_unique<LinuxDiscovery>();
}

}  // namespace tollhaven
