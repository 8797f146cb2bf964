#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tollhaven::cli {

// `text` in code page `from` turned into code page `to`, through UTF-16 as Windows converts; a
// character that `to` lacks becomes "?". The text unchanged when Windows cannot convert it.
std::string ConvertCodePage(UINT to, UINT from, std::string_view text);

// The console's control handler set by RequestStopOnInterrupt: the first Ctrl+C, Ctrl+Break or
// close asks the work to stop (TRUE, handled); a later one is left to the system (FALSE), which
// ends the program.
BOOL WINAPI HandleConsoleControl(DWORD kind);

}  // namespace tollhaven::cli
