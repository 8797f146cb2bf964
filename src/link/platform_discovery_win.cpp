#include "link/platform_discovery.h"

#include "link/discovery_win.h"

namespace tollhaven {

std::unique_ptr<Discovery> PlatformDiscovery() {
  return std::make_unique<WindowsDiscovery>();
}

}  // namespace tollhaven
