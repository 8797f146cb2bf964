#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tollhaven {

// The update server's two documents are small texts; no more than this is read of either.
inline constexpr std::size_t kUpdateDocumentLimit = 255;

// The release key of a caption ending in "V" and three single-digit numbers with points between
// them ("About Tollhaven V3.2.7" gives "V327"): the characters 6, 5, 3 and 1 places from its end.
// Empty for a caption shorter than six characters.
std::string UpdateVersionKey(std::string_view caption);

// What the "Latest" document says: the newest release's key (its first four bytes, fewer when
// the document is shorter) and the address of its download page (from byte 5 on; byte 4 only
// separates). Only the first kUpdateDocumentLimit bytes of `document` count.
struct LatestRelease {
  std::string key;
  std::string address;
};
LatestRelease ParseLatest(std::string_view document);

// Whether the server names the running release: a plain byte comparison of the four-byte keys.
// Anything else, an older release or a shortened document too, is an update.
bool IsSameRelease(const LatestRelease& latest, std::string_view versionKey);

// The "Message" document as text for the user: its first kUpdateDocumentLimit bytes, up to a
// zero byte if it has one.
std::string UpdateMessageText(std::string_view document);

// Whether an address from the server may be handed to the desktop's browser: an http or https
// address with a host, made only of visible ASCII characters and without a user name in it.
// Everything else (a local file, a program, a script, an empty text) is refused.
bool MayOpenUpdateAddress(std::string_view address);

}  // namespace tollhaven
