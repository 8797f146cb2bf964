#include <windows.h>

#include <memory>
#include <string>

#include "cli/cli_platform.h"
#include "cli/console_win.h"

namespace tollhaven::cli {

std::string ConvertCodePage(UINT to, UINT from, std::string_view text) {
  if (text.empty()) {
    return {};
  }
  const int inLength = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(from, 0, text.data(), inLength, nullptr, 0);
  if (wide <= 0) {
    return std::string(text);
  }
  std::wstring utf16(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(from, 0, text.data(), inLength, utf16.data(), wide);
  // The UTF-8 and UTF-7 code pages take no default character.
  const bool takesDefault = to != CP_UTF8 && to != CP_UTF7;
  const int bytes = WideCharToMultiByte(to, 0, utf16.data(), wide, nullptr, 0,
                                        takesDefault ? "?" : nullptr, nullptr);
  if (bytes <= 0) {
    return std::string(text);
  }
  std::string result(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(to, 0, utf16.data(), wide, result.data(), bytes, takesDefault ? "?" : nullptr,
                      nullptr);
  return result;
}

namespace {
std::atomic<bool>* stopFlag = nullptr;
bool stopAsked = false;
}  // namespace

BOOL WINAPI HandleConsoleControl(DWORD kind) {
  if (kind != CTRL_C_EVENT && kind != CTRL_BREAK_EVENT && kind != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  if (stopAsked || stopFlag == nullptr) {
    // The second one ends the program the ordinary way.
    return FALSE;
  }
  stopAsked = true;
  stopFlag->store(true);
  return TRUE;
}

void RequestStopOnInterrupt(std::atomic<bool>& flag) {
  stopFlag = &flag;
  stopAsked = false;
  SetConsoleCtrlHandler(HandleConsoleControl, TRUE);
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

TextConversion ToTerminalEncoding() {
  // Text for a console goes out in the console's code page; text for a file or a pipe in the
  // system's ANSI code page, as other console programs write it.
  DWORD mode = 0;
  const bool console = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
  const UINT page = console ? GetConsoleOutputCP() : GetACP();
  if (page == CP_UTF8 || page == 0) {
    return {};
  }
  return [page](std::string_view utf8) { return ConvertCodePage(page, CP_UTF8, utf8); };
}

TextConversion FromTerminalEncoding() {
  // The operands arrive through main's argv, which Windows fills in the ANSI code page.
  const UINT page = GetACP();
  if (page == CP_UTF8) {
    return {};
  }
  return [page](std::string_view text) { return ConvertCodePage(CP_UTF8, page, text); };
}

}  // namespace tollhaven::cli
