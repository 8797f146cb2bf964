#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tollhaven {

// How the program ties itself into a freedesktop desktop: the texts of the files it writes, the
// decisions about which to write, and writing them only when they change. The platform layer
// (src/support/ui/shell_integration_*.cpp) finds the directories and refreshes the desktop's
// caches when told to.

// The names the desktop knows us by. The user-level files the program writes and the ones a
// distribution package installs carry the same names, so the desktop sees one application; the
// running program gives the same id to the window system.
inline constexpr std::string_view kApplicationId = "org.tollhaven.Tollhaven";
inline constexpr std::string_view kDesktopEntryId = "org.tollhaven.Tollhaven.desktop";
static_assert(kDesktopEntryId.substr(0, kApplicationId.size()) == kApplicationId);
inline constexpr std::string_view kMimePackageFileName = "tollhaven.xml";
// The user's own claim on skin packs beside an installed package, which makes none.
inline constexpr std::string_view kSkinPackMimePackageFileName = "tollhaven-skin-pack.xml";
inline constexpr std::string_view kIconName = kApplicationId;
inline constexpr std::string_view kPatchFileMimeType = "application/x-tollhaven-patch";
inline constexpr std::string_view kSkinPackMimeType = "application/x-tollhaven-skin-pack";
// The outside skin tool, which owns skin packs whenever it is installed.
inline constexpr std::string_view kSkinToolName = "skinner4moto";
inline constexpr std::string_view kSkinPackGlob = "*.s4m";

// The companion program beside the executable, its autostart entry and its stop signal.
#ifdef _WIN32
inline constexpr std::string_view kCompanionFileName = "Lampwick.exe";
#else
inline constexpr std::string_view kCompanionFileName = "Lampwick";
#endif
inline constexpr std::string_view kCompanionEntryId = "Lampwick.desktop";
inline constexpr std::string_view kStopSignalName = "KillLmpw";
// How long the stop signal stays up: at start-up, and after the Options dialog's OK.
inline constexpr int kStartupStopSignalMs = 100;
inline constexpr int kOptionsStopSignalMs = 300;

// One file type the program opens.
struct FileType {
  std::string_view mimeType;
  std::string_view comment;
  std::string_view glob;
  bool caseSensitive = false;
  std::string_view subClassOf;  // empty for none
  std::string_view genericIcon;
};

// Patch files are text; the program tells a skin pack by its lower-case ".s4m" alone, so the
// desktop must not hand it "PACK.S4M" as one.
inline constexpr FileType kPatchFileType{
    kPatchFileMimeType, "Tollhaven patch file", "*.tlhv", false, "text/plain", "text-x-script"};
inline constexpr FileType kSkinPackType{
    kSkinPackMimeType, "Handset skin pack", kSkinPackGlob, true, "", "package-x-generic"};

// A shared-mime-info package file declaring `types`.
std::string MimePackageXml(const std::vector<FileType>& types);

// `path` as one argument of a desktop entry's Exec value, quoted only when it has to be. Nothing
// when a desktop entry cannot carry it (not UTF-8, or a control character in it).
std::optional<std::string> DesktopExecArgument(std::string_view path);

// Our desktop entry: opens one file given as its argument with `executable`, for `mimeTypes`.
// Nothing when the path cannot be written into a desktop entry.
std::optional<std::string> TollhavenDesktopEntry(std::string_view executable,
                                                 const std::vector<std::string_view>& mimeTypes);

// The autostart entry of the companion at `companion`; `enabled` false keeps the entry but marks
// it Hidden, which the session treats as removed. Nothing when the path cannot be written.
std::optional<std::string> CompanionAutostartEntry(std::string_view companion, bool enabled);

// Whether `entry` is the text of a desktop entry this program wrote for itself: exactly what
// TollhavenDesktopEntry gives for the executable it names, with the file types it lists.
bool IsOurDesktopEntry(std::string_view entry);

// `mimeappsList` (the text of a mimeapps.list) with `desktopId` first among the default
// applications of `mimeType`. Every other line, group, comment and application stays as it was;
// an other application already chosen for the type stays as a fallback after ours.
std::string WithDefaultApplication(std::string_view mimeappsList, std::string_view mimeType,
                                   std::string_view desktopId);
// The same in the [Added Associations] group: `desktopId` opens `mimeType` although its entry
// does not list the type.
std::string WithAddedAssociation(std::string_view mimeappsList, std::string_view mimeType,
                                 std::string_view desktopId);

// The value of `key` in the [Desktop Entry] group of a desktop entry's text (string escapes are
// not undone); nothing when absent.
std::optional<std::string> DesktopEntryValue(std::string_view entry, std::string_view key);
// The items of a list value such as MimeType, without empty ones.
std::vector<std::string> SplitList(std::string_view value);
// The MIME types that a globs2 file (weight:type:glob[:flags] lines) gives the pattern `glob`.
std::vector<std::string> GlobOwners(std::string_view globs2, std::string_view glob);

// Whether `file` holds exactly `content`.
bool FileHasContent(const std::filesystem::path& file, std::string_view content);

enum class FileUpdate { Unchanged, Written, Failed };
// Gives `file` the content `content`, creating its directory, unless it has it already. A
// symbolic link is followed, so that a link into a dotfile repository stays a link; the new
// content replaces the old only once it is wholly written.
FileUpdate UpdateFile(const std::filesystem::path& file, std::string_view content);

// The desktop's directories for this user.
struct XdgDirectories {
  std::filesystem::path dataHome;               // $XDG_DATA_HOME
  std::filesystem::path configHome;             // $XDG_CONFIG_HOME
  std::vector<std::filesystem::path> dataDirs;  // $XDG_DATA_DIRS, the installed ones
};

// An installed package already gives the system our desktop entry and our file type.
bool InstalledSystemWide(const std::vector<std::filesystem::path>& dataDirs);

// The skin tool is installed: a desktop entry in any applications directory that is not ours is
// named after the tool or starts it, or lists a MIME type that claims "*.s4m" (ours, or one in
// any compiled MIME database). Entries marked Hidden do not count.
bool SkinToolInstalled(const XdgDirectories& directories);

// What RegisterAssociations did.
struct AssociationOutcome {
  int filesWritten = 0;
  int filesRemoved = 0;
  // The user's MIME database or application cache is older than what we declared there; the
  // caller runs update-mime-database on dataHome/mime, or update-desktop-database on
  // dataHome/applications.
  bool refreshMimeDatabase = false;
  bool refreshDesktopDatabase = false;
};

// Ties patch files (and, without the skin tool, skin packs) to the program at `executable`: the
// MIME package, our desktop entry and the icon `iconSvg` in the user's data directory, unless an
// installed package provides them, and our entry as the default in the user's mimeapps.list.
// Files already right are not touched. Beside an installed package, which leaves skin packs
// alone, the user's data directory gets only the skin-pack type (when the tool is absent), and
// a user copy of our desktop entry left from an earlier run goes, since it would hide the
// package's.
AssociationOutcome RegisterAssociations(const XdgDirectories& directories,
                                        std::string_view executable, std::string_view iconSvg);

// The companion program is there to be started: a regular file (on POSIX systems, one with an
// execute bit), links followed.
bool CompanionPresent(const std::filesystem::path& companion);

// The companion's autostart entry in configHome/autostart, enabled or hidden. Only for a
// companion that is present: without it nothing is written (Unchanged), except that an entry
// already there is still hidden when turned off, so that a companion put back later does not
// start against the setting.
FileUpdate WriteCompanionAutostart(const std::filesystem::path& configHome,
                                   std::string_view companion, bool enabled);

}  // namespace tollhaven
