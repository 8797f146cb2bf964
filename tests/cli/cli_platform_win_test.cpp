#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "cli/cli_platform.h"
#include "cli/console_win.h"

namespace tollhaven::cli {
namespace {

TEST(WindowsConsole, TextIsConvertedBetweenCodePagesAndUnknownCharactersBecomeQuestionMarks) {
  struct Case {
    UINT to;
    UINT from;
    std::string text;
    std::string converted;
  };
  const Case cases[] = {
      {1252, CP_UTF8, "caf\xc3\xa9 \xe2\x82\xac", "caf\xe9 \x80"},
      {850, CP_UTF8, "caf\xc3\xa9", "caf\x82"},
      {1252, CP_UTF8, "\xe6\x97\xa5.txt", "?.txt"},
      {CP_UTF8, 1252, "caf\xe9", "caf\xc3\xa9"},
      {1252, CP_UTF8, "", ""},
      {1252, CP_UTF8, "plain", "plain"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ConvertCodePage(c.to, c.from, c.text), c.converted);
  }
}

TEST(WindowsConsole, TheFirstCtrlCAsksToStopAndTheSecondIsLeftToTheSystem) {
  std::atomic<bool> stop{false};
  RequestStopOnInterrupt(stop);
  EXPECT_EQ(HandleConsoleControl(CTRL_LOGOFF_EVENT), FALSE);
  EXPECT_FALSE(stop.load());
  EXPECT_EQ(HandleConsoleControl(CTRL_C_EVENT), TRUE);
  EXPECT_TRUE(stop.load());
  EXPECT_EQ(HandleConsoleControl(CTRL_C_EVENT), FALSE);
  SetConsoleCtrlHandler(HandleConsoleControl, FALSE);
}

}  // namespace
}  // namespace tollhaven::cli
