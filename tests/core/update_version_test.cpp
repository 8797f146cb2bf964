#include "support/update_version.h"

#include <gtest/gtest.h>

#include <string>

namespace tollhaven {
namespace {

TEST(UpdateVersionKey, TakesTheVersionDigitsFromTheCaptionEnd) {
  EXPECT_EQ(UpdateVersionKey("About Tollhaven V3.2.7"), "V327");
  EXPECT_EQ(UpdateVersionKey("V1.0.9"), "V109");
  // Too short to hold a version: no key, so every server answer reads as an update.
  EXPECT_EQ(UpdateVersionKey("V3.27"), "");
  EXPECT_EQ(UpdateVersionKey(""), "");
}

struct LatestCase {
  const char* name;
  std::string document;
  std::string key;
  std::string address;
  bool sameAsV327;
};

void PrintTo(const LatestCase& c, std::ostream* out) {
  *out << c.name;
}

class UpdateLatest : public ::testing::TestWithParam<LatestCase> {};

TEST_P(UpdateLatest, SplitsIntoKeyAndAddress) {
  const LatestCase& c = GetParam();
  const LatestRelease latest = ParseLatest(c.document);
  EXPECT_EQ(latest.key, c.key);
  EXPECT_EQ(latest.address, c.address);
  EXPECT_EQ(IsSameRelease(latest, "V327"), c.sameAsV327);
}

const std::string kLongAddress = "http://example.org/" + std::string(300, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateLatest,
    ::testing::Values(
        LatestCase{"same", "V327 http://example.org/get", "V327", "http://example.org/get", true},
        LatestCase{"same, anything after", "V327", "V327", "", true},
        LatestCase{"newer", "V328|https://example.org/", "V328", "https://example.org/", false},
        LatestCase{"older", "V326 x", "V326", "x", false},
        LatestCase{"three bytes", "V32", "V32", "", false}, LatestCase{"empty", "", "", "", false},
        LatestCase{"key and separator only", "V328 ", "V328", "", false},
        LatestCase{"line break after the address", "V328 http://example.org/\r\n", "V328",
                   "http://example.org/", false},
        LatestCase{"zero separator", std::string("V328\0http://example.org/", 24), "V328",
                   "http://example.org/", false},
        LatestCase{"zero inside the address", std::string("V328 http://a.example\0/b", 24), "V328",
                   "http://a.example", false},
        // 300 bytes: bytes 5 to 254 are the address, the rest is never looked at.
        LatestCase{"300 bytes", "V328 " + kLongAddress.substr(0, 295), "V328",
                   kLongAddress.substr(0, 250), false}));

TEST(UpdateMessageText, KeepsLineBreaksAndStopsAtTheLimitOrAZero) {
  EXPECT_EQ(UpdateMessageText("New release!\r\nGet it now."), "New release!\r\nGet it now.");
  EXPECT_EQ(UpdateMessageText(""), "");
  EXPECT_EQ(UpdateMessageText(std::string(300, 'm')), std::string(255, 'm'));
  EXPECT_EQ(UpdateMessageText(std::string("shown\0hidden", 12)), "shown");
}

struct AddressCase {
  std::string address;
  bool mayOpen;
};

void PrintTo(const AddressCase& c, std::ostream* out) {
  *out << '"' << c.address << '"';
}

class UpdateAddress : public ::testing::TestWithParam<AddressCase> {};

TEST_P(UpdateAddress, OnlyWebAddressesMayBeOpened) {
  EXPECT_EQ(MayOpenUpdateAddress(GetParam().address), GetParam().mayOpen);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateAddress,
    ::testing::Values(
        AddressCase{"http://example.org/download", true},
        AddressCase{"https://example.org/download?v=3.2.8#top", true},
        AddressCase{"HTTPS://example.org", true}, AddressCase{"http://127.0.0.1:8080/x", true},
        AddressCase{"http://[::1]:8080/", true}, AddressCase{"", false},
        AddressCase{"http://", false}, AddressCase{"http:///etc/passwd", false},
        AddressCase{"http://:80/", false}, AddressCase{"http:example.org", false},
        AddressCase{"file:///etc/passwd", false}, AddressCase{"/usr/bin/xterm", false},
        AddressCase{"C:\\Windows\\explorer.exe", false}, AddressCase{"javascript:alert(1)", false},
        AddressCase{"ftp://example.org/pub", false},
        AddressCase{"mailto:someone@example.org", false},
        AddressCase{"http://example.org@elsewhere.example/", false},
        AddressCase{"http://example.org\\@elsewhere.example/", false},
        AddressCase{"http://example.org/a b", false}, AddressCase{"http://example.org/\n", false},
        AddressCase{"http://ex\xE4mple.org/", false}));

}  // namespace
}  // namespace tollhaven
