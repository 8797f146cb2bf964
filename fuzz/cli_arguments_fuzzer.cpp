// The command lines of tollhaven-cli, run in-process with no handset present, and standard
// input for the commands that read it.

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_options.h"
#include "fuzz_temp.h"
#include "link/discovery.h"
#include "link/phone_link.h"
#include "support/clock.h"
#include "support/event_log.h"

using namespace tollhaven;

namespace {

// No handset, no modem port: every command that needs the handset stops at the connect.
struct NoHandset : Discovery {
  int FindModemPort(std::string&) override { return -1; }
  int SendModeSwitch(const std::string&) override { return -1; }
  FoundInterface OpenTestInterface(EventLog&) override { return {}; }
};

// A local path the run may create or write: inside the current (temporary) directory.
bool StaysHere(const std::string& path) {
  const std::filesystem::path p(path);
  if (p.is_absolute() || p.has_root_name()) {
    return false;
  }
  for (const auto& part : p) {
    if (part == "..") {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool inTemp = [] {
    std::filesystem::create_directories(fuzz::TempDirectory() / "cli");
    return chdir((fuzz::TempDirectory() / "cli").c_str()) == 0;
  }();
  if (!inTemp) {
    abort();
  }

  FuzzedDataProvider input(data, size);
  std::vector<std::string> args;
  for (int i = input.ConsumeIntegralInRange<int>(0, 8); i > 0; --i) {
    args.push_back(input.ConsumeRandomLengthString(100));
  }
  // The lines that would write where the fuzzer points (a log file, a backup directory made
  // before the handset is looked for) are only run with paths inside the temporary directory.
  const cli::ParsedLine parsed = cli::ParseArguments(args);
  if (parsed.invocation) {
    const cli::Invocation& line = *parsed.invocation;
    if (line.logFile && !StaysHere(*line.logFile)) {
      return 0;
    }
    if (line.command == "backup") {
      for (const std::string& operand : line.operands) {
        if (!StaysHere(operand)) {
          return 0;
        }
      }
    }
  }

  std::istringstream in(input.ConsumeRemainingBytesAsString());
  std::ostringstream out, err;
  EventLog log;
  ManualClock clock;
  PhoneLink link(log, clock);
  NoHandset discovery;
  cli::CliEnvironment env(link, discovery, out, err);
  env.in = &in;
  cli::RunCli(args, env);

  // What the runs made here does not pile up.
  static int runs = 0;
  if (++runs % 500 == 0) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(".", ignored)) {
      std::filesystem::remove_all(entry.path(), ignored);
    }
  }
  return 0;
}
