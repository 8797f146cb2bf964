#include <atomic>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_platform.h"
#include "link/platform_discovery.h"
#include "support/app_paths.h"
#include "support/clock.h"
#include "support/event_log.h"
#include "support/program_version.h"
#include "support/settings.h"

int main(int argc, char* argv[]) {
  using namespace tollhaven;
  EventLog log;
  SystemClock clock;
  PhoneLink link(log, clock);
  const std::unique_ptr<Discovery> discovery = PlatformDiscovery();

  cli::CliEnvironment env(link, *discovery, std::cout, std::cerr);
  // The same settings file as the window: its handset type decides how the list is asked for.
  const std::filesystem::path exeDir = ExecutableDirectory();
  LoadSettings(env.settings, ConfigDirectory(exeDir) / kSettingsFileName);
  env.in = &std::cin;
  static std::atomic<bool> stop{false};
  cli::RequestStopOnInterrupt(stop);
  env.stopRequested = &stop;
  env.errIsTerminal = cli::StandardErrorIsTerminal();
  env.toTerminal = cli::ToTerminalEncoding();
  env.fromTerminal = cli::FromTerminalEncoding();
  env.version = std::string(kProgramVersion);

  const std::vector<std::string> args(argv + 1, argv + argc);
  return cli::RunCli(args, env);
}
