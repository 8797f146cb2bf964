#pragma once

#include <memory>

#include "link/discovery.h"

namespace tollhaven {

// How this computer finds a plugged-in handset (platform_discovery_<platform>.cpp). Every front
// end that talks to a real handset starts from here.
std::unique_ptr<Discovery> PlatformDiscovery();

}  // namespace tollhaven
