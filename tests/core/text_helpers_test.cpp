#include "support/text_helpers.h"

#include <gtest/gtest.h>

#include <string>

namespace tollhaven {
namespace {

struct ArgCase {
  std::string commandLine;
  int n;
  int result;
  std::string argument;
};

void PrintTo(const ArgCase& c, std::ostream* out) {
  *out << c.commandLine << " #" << c.n;
}

class CommandLineArg : public ::testing::TestWithParam<ArgCase> {};

TEST_P(CommandLineArg, SplitsLikeTheShell) {
  const ArgCase& c = GetParam();
  std::string destination = "untouched";
  EXPECT_EQ(GetCommandLineArg(c.commandLine, c.n, destination), c.result);
  EXPECT_EQ(destination, c.argument);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineArg,
    ::testing::Values(ArgCase{R"("C:\Tollhaven\tollhaven.exe" "D:\my skins\a.tlhv")", 1, kArgFound,
                              R"(D:\my skins\a.tlhv)"},
                      ArgCase{R"("C:\Tollhaven\tollhaven.exe" "D:\my skins\a.tlhv")", 0, kArgFound,
                              R"(C:\Tollhaven\tollhaven.exe)"},
                      ArgCase{R"("C:\Tollhaven\tollhaven.exe")", 1, kArgMissing, ""},
                      ArgCase{R"("C:\a.exe" "b" ")", 1, kArgUnbalancedQuotes, "untouched"},
                      ArgCase{"prog\t\t  second   third", 2, kArgFound, "third"},
                      ArgCase{R"(prog "")", 1, kArgEmpty, ""},
                      ArgCase{"prog a\xFE"
                              "b",
                              1, kArgFound, "a b"},
                      ArgCase{"   ", 0, kArgMissing, ""},
                      // Far longer than the 192-byte working copy older versions had.
                      ArgCase{"prog \"" + std::string(300, 'x') + " y\"", 1, kArgFound,
                              std::string(300, 'x') + " y"}));

TEST(Numbers, ParseAndFormat) {
  EXPECT_EQ(ParseDecimal("509"), 509u);
  EXPECT_EQ(ParseDecimal("4294967296"), 0u);  // wraps at 32 bits
  EXPECT_EQ(ParseDecimal(""), 0u);
  EXPECT_EQ(ParseHex("1f"), 31u);
  EXPECT_EQ(ParseHex("1F"), 31u);
  EXPECT_EQ(ParseHex("07000400"), 0x07000400u);
  EXPECT_EQ(ParseHex("123456789"), 0x23456789u);  // only the last eight digits count
  EXPECT_EQ(FormatDecimal(-5), "-5");
  EXPECT_EQ(FormatDecimal(0), "0");
  EXPECT_EQ(FormatDecimal(509), "509");
  EXPECT_EQ(FormatDecimal(INT32_MIN), "-2147483648");
  EXPECT_EQ(FormatHex8(0x400), "00000400");
  EXPECT_EQ(FormatHex8(0xDEADBEEF), "DEADBEEF");
  EXPECT_EQ(TextLength("/a/b\0c"), 4u);
}

TEST(Search, FindText) {
  EXPECT_EQ(FindText(1, "/a/b", "/b"), 3);
  EXPECT_EQ(FindText(1, "/a", "/a"), -1);  // the pattern must be shorter than the text
  EXPECT_EQ(FindText(1, "/a /b ", "/c"), 0);
  EXPECT_EQ(FindText(0, "/a/b", "/b"), -2);
  EXPECT_EQ(FindText(4, "/a/b", "/b"), -2);  // past the last place the pattern could start
  EXPECT_EQ(FindText(3, "/a/b", "/b"), 3);
}

TEST(Search, FindBytesAtBothEndsAndNeverPastTheBlock) {
  const uint8_t block[] = {1, 2, 3, 4, 5};
  const uint8_t head[] = {1, 2};
  const uint8_t tail[] = {4, 5};
  const uint8_t over[] = {5, 6};
  EXPECT_EQ(FindBytes(0, block, 5, head, 2), 0);
  EXPECT_EQ(FindBytes(0, block, 5, tail, 2), 3);
  EXPECT_EQ(FindBytes(1, block, 5, head, 2), -1);
  EXPECT_EQ(FindBytes(0, block, 4, tail, 2), -1);  // would end past the block
  EXPECT_EQ(FindBytes(0, block, 5, over, 2), -1);
  EXPECT_EQ(FindBytes(9, block, 5, head, 2), -1);
  EXPECT_EQ(FindBytes(0, block, 5, head, 0), -1);
}

TEST(Text, TrimCaseLinesAndWellFormedUtf8) {
  EXPECT_EQ(Trim(" \tName=x\r"), "Name=x");
  EXPECT_EQ(Trim(" \t "), "");
  EXPECT_TRUE(EqualNoCase("MimeType", "mimetype"));
  EXPECT_FALSE(EqualNoCase("MimeType", "MimeTypes"));
  EXPECT_TRUE(ContainsNoCase("Exec=Tollhaven %f", "tollhaven"));
  EXPECT_FALSE(ContainsNoCase("Exec", "Execs"));
  EXPECT_EQ(SplitLines("a\r\n\nb"), (std::vector<std::string_view>{"a\r", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
  struct Case {
    std::string_view text;
    bool utf8;
  };
  for (const Case& c : std::initializer_list<Case>{{"plain", true},
                                                   {"\xC3\xA9", true},
                                                   {"\xF0\x9F\x98\x80", true},
                                                   {"\xC3", false},
                                                   {"\xC0\xAF", false},
                                                   {"\xED\xA0\x80", false},
                                                   {"\xE9", false}}) {
    EXPECT_EQ(IsUtf8(c.text), c.utf8) << c.text;
  }
  EXPECT_TRUE(HasControlCharacter(std::string_view("a\nb")));
  EXPECT_TRUE(HasControlCharacter("a\x7F"));
  EXPECT_FALSE(HasControlCharacter("caf\xC3\xA9"));
}

}  // namespace
}  // namespace tollhaven
