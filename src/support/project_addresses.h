#pragma once

// The project's own addresses, kept in one place: the About box links to the home page, the
// forum and the team's mailbox, and the start-up check asks the update server for the newest
// release.

namespace tollhaven {

inline constexpr const char* kHomePageAddress = "https://tollhaven.org/";
inline constexpr const char* kForumAddress = "https://forum.tollhaven.org/";
inline constexpr const char* kAuthorMailAddress = "team@tollhaven.org";
// The update documents are served over plain HTTP; the address has no trailing slash, since the
// document paths ("/tollhaven/Latest") are appended to it.
inline constexpr const char* kUpdateServerAddress = "http://update.tollhaven.org";

}  // namespace tollhaven
