#pragma once

#include <filesystem>
#include <vector>

namespace tollhaven {

// The directory of the running executable (`exeDir`); empty when it cannot be found.
std::filesystem::path ExecutableDirectory();

// Where ".config" and ".log" live: `exeDir` when the program may write there and is not an
// installed copy (one with <prefix>/share/tollhaven/Templates and no Templates beside it), else
// the user's configuration directory for the program ($XDG_CONFIG_HOME/tollhaven, by default
// ~/.config/tollhaven), created when missing.
std::filesystem::path ConfigDirectory(const std::filesystem::path& exeDir);

// The sample entries that give handset rows their icons: "Templates" beside the executable when
// present, else the installed copy (<prefix>/share/tollhaven/Templates, found relative to the
// executable or in the system's data directories). When none exists, the path beside the
// executable, so that lookups simply find nothing.
std::filesystem::path TemplatesDirectory(const std::filesystem::path& exeDir);

// Platform-bound pieces behind the three above (app_paths_<platform>.cpp).
bool IsWritableDirectory(const std::filesystem::path& directory);
// The base of per-user configuration; empty when unknown.
std::filesystem::path UserConfigBase();
// The system's installed data directories, most important first.
std::vector<std::filesystem::path> SystemDataDirectories();

}  // namespace tollhaven
