#include <iconv.h>
#include <langinfo.h>
#include <signal.h>
#include <unistd.h>

#include <clocale>
#include <cstring>
#include <memory>
#include <string>

#include "cli/cli_platform.h"

namespace tollhaven::cli {

namespace {

bool TerminalSpeaksUtf8() {
  std::setlocale(LC_CTYPE, "");
  const char* codeset = nl_langinfo(CODESET);
  return codeset == nullptr || std::strcmp(codeset, "UTF-8") == 0;
}

// Converts with iconv; a character the other side lacks becomes "?" rather than ending the text.
std::string Convert(const char* to, const char* from, std::string_view text) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    return std::string(text);
  }
  std::string result;
  std::string input(text);
  char* in = input.data();
  std::size_t inLeft = input.size();
  char buffer[256];
  while (inLeft > 0) {
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
    result.append(buffer, static_cast<std::size_t>(out - buffer));
    if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // Not convertible: skip one byte of the input and mark the place.
      result += '?';
      ++in;
      --inLeft;
    }
  }
  iconv_close(converter);
  return result;
}

std::atomic<bool>* stopFlag = nullptr;

void OnInterrupt(int signalNumber) {
  stopFlag->store(true);
  // The next one ends the program the ordinary way.
  signal(signalNumber, SIG_DFL);
}

}  // namespace

void RequestStopOnInterrupt(std::atomic<bool>& flag) {
  stopFlag = &flag;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

TextConversion ToTerminalEncoding() {
  if (TerminalSpeaksUtf8()) {
    return {};
  }
  const std::string codeset = nl_langinfo(CODESET);
  return [codeset](std::string_view utf8) { return Convert(codeset.c_str(), "UTF-8", utf8); };
}

TextConversion FromTerminalEncoding() {
  if (TerminalSpeaksUtf8()) {
    return {};
  }
  const std::string codeset = nl_langinfo(CODESET);
  return [codeset](std::string_view text) { return Convert("UTF-8", codeset.c_str(), text); };
}

}  // namespace tollhaven::cli
