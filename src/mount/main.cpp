#include <iostream>
#include <memory>

#include "link/platform_discovery.h"
#include "mount/mount_program.h"
#include "support/clock.h"

int main(int argc, char* argv[]) {
  tollhaven::SystemClock clock;
  const std::unique_ptr<tollhaven::Discovery> discovery = tollhaven::PlatformDiscovery();
  return tollhaven::mount::RunMount(argc, argv, *discovery, clock, std::cerr);
}
