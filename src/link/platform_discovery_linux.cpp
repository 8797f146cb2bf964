#include "link/platform_discovery.h"

#include "link/discovery_linux.h"

namespace tollhaven {

std::unique_ptr<Discovery> PlatformDiscovery() {
  return std::make_unique<LinuxDiscovery>();
}

}  // namespace tollhaven
