#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tollhaven::cli {

// One command line, taken apart. Nothing here has touched the handset yet.
struct Invocation {
  std::string command;  // empty when the line asks only for --help or --version
  std::vector<std::string> operands;
  bool help = false;
  bool version = false;
  bool quiet = false;
  bool json = false;
  bool longListing = false;
  bool recursive = false;
  bool yes = false;
  std::optional<std::string> only;
  std::optional<std::string> logFile;
  // attr: the changes in the order given, each a sign and a letter ("+r", "-h").
  std::vector<std::string> attributeChanges;
};

struct ParsedLine {
  std::optional<Invocation> invocation;
  std::string error;  // why the line is no valid command line
};

// Global options (-q, --log FILE, --help, --version) may stand before or after the command; the
// command's own options after it. "--" ends the options. For attr, "+r" and "-r" are changes,
// not options.
ParsedLine ParseArguments(const std::vector<std::string>& args);

std::string ProgramHelp();
// The help of one command; empty when there is no such command.
std::string CommandHelp(std::string_view command);

}  // namespace tollhaven::cli
