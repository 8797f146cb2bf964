#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tollhaven {

// Results of GetCommandLineArg.
inline constexpr int kArgFound = 1;
inline constexpr int kArgMissing = 2;
inline constexpr int kArgUnbalancedQuotes = 3;
inline constexpr int kArgEmpty = 4;

// Copies argument n (0 = the program path) of `commandLine` into `destination`. Arguments are
// separated by blanks or tabs; double quotes group blanks into one argument and are dropped.
// Returns kArgFound, kArgMissing (destination emptied), kArgUnbalancedQuotes (destination
// untouched) or kArgEmpty.
int GetCommandLineArg(std::string_view commandLine, int n, std::string& destination);

// Decimal digits to a number, wrapping at 32 bits. Only digits are expected.
uint32_t ParseDecimal(std::string_view text);
// Hexadecimal digits (either case) to a number; the last character is the lowest four bits.
uint32_t ParseHex(std::string_view text);
// Signed decimal text without leading zeros or grouping.
std::string FormatDecimal(int32_t value);
// Exactly eight upper-case hexadecimal digits.
std::string FormatHex8(uint32_t value);

// Bytes before the first zero byte.
std::size_t TextLength(const char* text);
// 1-based position of `pattern` in `text` at or after `start`; 0 when absent; -1 when the pattern
// is not shorter than the text; -2 when `start` is below 1 or past the last possible position.
int FindText(int start, std::string_view text, std::string_view pattern);
// 0-based offset of the first occurrence of `pattern` wholly inside `block` at or after `start`,
// or -1.
std::ptrdiff_t FindBytes(std::size_t start, const uint8_t* block, std::size_t blockLength,
                         const uint8_t* pattern, std::size_t patternLength);

// `text` without the blanks, tabs and carriage returns at either end.
std::string_view Trim(std::string_view text);
// Equal, or containing `part`, when ASCII letters are compared without their case.
bool EqualNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view text, std::string_view part);
// The lines of a text, each without its line feed (a carriage return stays with its line).
std::vector<std::string_view> SplitLines(std::string_view text);
// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(std::string_view text);
// Whether `text` holds a C0 control character or DEL.
bool HasControlCharacter(std::string_view text);

}  // namespace tollhaven
