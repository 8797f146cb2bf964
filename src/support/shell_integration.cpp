#include "support/shell_integration.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <system_error>

#include "support/local_files.h"
#include "support/text_helpers.h"

namespace tollhaven {

namespace fs = std::filesystem;

namespace {

// Desktop entries and MIME databases are small; a file past these is not one we need to read.
constexpr std::uintmax_t kMaxDesktopEntryBytes = 256 * 1024;
constexpr std::uintmax_t kMaxGlobsBytes = 16 * 1024 * 1024;
constexpr std::uintmax_t kMaxMimeappsBytes = 16 * 1024 * 1024;

std::optional<std::string> ReadWholeFile(const fs::path& file, std::uintmax_t maxBytes) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(file, error);
  if (error || size > maxBytes) {
    return std::nullopt;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    return std::nullopt;
  }
  return content;
}

// Missing, or last written before `source`.
bool OlderThan(const fs::path& cache, const fs::path& source) {
  std::error_code error;
  const fs::file_time_type sourceTime = fs::last_write_time(source, error);
  if (error) {
    return false;
  }
  const fs::file_time_type cacheTime = fs::last_write_time(cache, error);
  return error || cacheTime < sourceTime;
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

void Count(FileUpdate update, AssociationOutcome& outcome) {
  if (update == FileUpdate::Written) {
    ++outcome.filesWritten;
  }
}

}  // namespace

bool FileHasContent(const fs::path& file, std::string_view content) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(file, error);
  if (error || size != content.size()) {
    return false;
  }
  const std::optional<std::string> existing = ReadWholeFile(file, size);
  return existing && *existing == content;
}

FileUpdate UpdateFile(const fs::path& file, std::string_view content) {
  std::error_code error;
  fs::path target = file;
  if (fs::is_symlink(fs::symlink_status(file, error))) {
    target = fs::canonical(file, error);
    if (error) {
      // A link to nowhere is the user's to mend, not ours to replace.
      return FileUpdate::Failed;
    }
  }
  if (FileHasContent(target, content)) {
    return FileUpdate::Unchanged;
  }
  fs::create_directories(target.parent_path(), error);
  if (error) {
    return FileUpdate::Failed;
  }
  return WriteFileReplacing(target, content, error) ? FileUpdate::Written : FileUpdate::Failed;
}

bool InstalledSystemWide(const std::vector<fs::path>& dataDirs) {
  bool entry = false;
  bool type = false;
  for (const fs::path& dir : dataDirs) {
    entry = entry || Exists(dir / "applications" / kDesktopEntryId);
    type = type || Exists(dir / "mime" / "packages" / kMimePackageFileName) ||
           Exists(dir / "mime" / (std::string(kPatchFileMimeType) + ".xml"));
  }
  return entry && type;
}

bool SkinToolInstalled(const XdgDirectories& directories) {
  std::vector<fs::path> dirs{directories.dataHome};
  dirs.insert(dirs.end(), directories.dataDirs.begin(), directories.dataDirs.end());

  std::vector<std::string> skinTypes{std::string(kSkinPackMimeType)};
  for (const fs::path& dir : dirs) {
    if (dir.empty()) {
      continue;
    }
    if (const std::optional<std::string> globs =
            ReadWholeFile(dir / "mime" / "globs2", kMaxGlobsBytes)) {
      for (std::string& type : GlobOwners(*globs, kSkinPackGlob)) {
        if (std::find(skinTypes.begin(), skinTypes.end(), type) == skinTypes.end()) {
          skinTypes.push_back(std::move(type));
        }
      }
    }
  }

  for (const fs::path& dir : dirs) {
    if (dir.empty()) {
      continue;
    }
    const fs::path applications = dir / "applications";
    std::error_code error;
    fs::recursive_directory_iterator walk(applications,
                                          fs::directory_options::skip_permission_denied, error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
      const fs::directory_entry& file = *walk;
      std::error_code ignored;
      if (!file.is_regular_file(ignored) || file.path().extension() != ".desktop") {
        continue;
      }
      // The desktop-file id: the path below the applications directory, '/' read as '-'.
      std::string id = file.path().lexically_relative(applications).generic_string();
      std::replace(id.begin(), id.end(), '/', '-');
      if (id == kDesktopEntryId) {
        continue;
      }
      const std::optional<std::string> entry = ReadWholeFile(file.path(), kMaxDesktopEntryBytes);
      if (!entry || DesktopEntryValue(*entry, "Hidden") == "true") {
        continue;
      }
      if (ContainsNoCase(id, kSkinToolName) ||
          ContainsNoCase(DesktopEntryValue(*entry, "Exec").value_or(""), kSkinToolName)) {
        return true;
      }
      for (const std::string& type :
           SplitList(DesktopEntryValue(*entry, "MimeType").value_or(""))) {
        if (std::find(skinTypes.begin(), skinTypes.end(), type) != skinTypes.end()) {
          return true;
        }
      }
    }
  }
  return false;
}

AssociationOutcome RegisterAssociations(const XdgDirectories& directories,
                                        std::string_view executable, std::string_view iconSvg) {
  AssociationOutcome outcome;
  if (directories.dataHome.empty() || directories.configHome.empty()) {
    return outcome;
  }
  std::vector<FileType> types{kPatchFileType};
  const bool claimSkinPacks = !SkinToolInstalled(directories);
  if (claimSkinPacks) {
    types.push_back(kSkinPackType);
  }
  std::vector<std::string_view> mimeTypes;
  for (const FileType& type : types) {
    mimeTypes.push_back(type.mimeType);
  }

  const bool installed = InstalledSystemWide(directories.dataDirs);
  if (!installed) {
    const std::optional<std::string> entry = TollhavenDesktopEntry(executable, mimeTypes);
    if (!entry) {
      // A type nobody can open with us is worth nothing; leave the desktop as it is.
      return outcome;
    }
    const fs::path mime = directories.dataHome / "mime";
    const fs::path package = mime / "packages" / kMimePackageFileName;
    const fs::path applications = directories.dataHome / "applications";
    const fs::path desktopFile = applications / kDesktopEntryId;
    Count(UpdateFile(package, MimePackageXml(types)), outcome);
    Count(UpdateFile(desktopFile, *entry), outcome);
    if (!iconSvg.empty()) {
      const fs::path icon = directories.dataHome / "icons" / "hicolor" / "scalable" / "apps" /
                            (std::string(kIconName) + ".svg");
      Count(UpdateFile(icon, iconSvg), outcome);
    }
    // Also when an earlier refresh never ran (the tool was missing then).
    outcome.refreshMimeDatabase = OlderThan(mime / "mime.cache", package);
    outcome.refreshDesktopDatabase = OlderThan(applications / "mimeinfo.cache", desktopFile);
  } else {
    // A user copy of our entry from a run before the package came has the package's id, so it
    // hides the package's entry and starts the executable it names. It goes, but only when it
    // is wholly what we wrote: a file the user made or changed stays theirs.
    const fs::path applications = directories.dataHome / "applications";
    const fs::path desktopFile = applications / kDesktopEntryId;
    std::error_code error;
    if (fs::is_regular_file(fs::symlink_status(desktopFile, error))) {
      const std::optional<std::string> text = ReadWholeFile(desktopFile, kMaxDesktopEntryBytes);
      if (text && IsOurDesktopEntry(*text) && fs::remove(desktopFile, error)) {
        ++outcome.filesRemoved;
        outcome.refreshDesktopDatabase = true;
      }
    }
    // The package claims patch files only; skin packs are ours only while the skin tool is
    // absent, which only this user's registration can tell.
    if (claimSkinPacks) {
      const fs::path mime = directories.dataHome / "mime";
      const fs::path package = mime / "packages" / kSkinPackMimePackageFileName;
      Count(UpdateFile(package, MimePackageXml({kSkinPackType})), outcome);
      outcome.refreshMimeDatabase = OlderThan(mime / "mime.cache", package);
    }
  }

  const fs::path mimeapps = directories.configHome / "mimeapps.list";
  std::string list;
  if (Exists(mimeapps)) {
    std::optional<std::string> existing = ReadWholeFile(mimeapps, kMaxMimeappsBytes);
    if (!existing) {
      // What we cannot read we must not replace.
      return outcome;
    }
    list = std::move(*existing);
  }
  std::string merged = list;
  for (std::string_view type : mimeTypes) {
    if (installed && type == kSkinPackMimeType) {
      // The package's entry does not list the type.
      merged = WithAddedAssociation(merged, type, kDesktopEntryId);
    }
    merged = WithDefaultApplication(merged, type, kDesktopEntryId);
  }
  if (merged != list) {
    Count(UpdateFile(mimeapps, merged), outcome);
  }
  return outcome;
}

bool CompanionPresent(const fs::path& companion) {
  std::error_code error;
  const fs::file_status status = fs::status(companion, error);
  if (error || !fs::is_regular_file(status)) {
    return false;
  }
#ifdef _WIN32
  return true;
#else
  constexpr fs::perms kExecute =
      fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  return (status.permissions() & kExecute) != fs::perms::none;
#endif
}

FileUpdate WriteCompanionAutostart(const fs::path& configHome, std::string_view companion,
                                   bool enabled) {
  const std::optional<std::string> entry = CompanionAutostartEntry(companion, enabled);
  if (configHome.empty() || !entry) {
    return FileUpdate::Failed;
  }
  const fs::path file = configHome / "autostart" / kCompanionEntryId;
  std::error_code error;
  const bool entryThere = fs::exists(fs::symlink_status(file, error));
  if (!CompanionPresent(fs::path(companion)) && (enabled || !entryThere)) {
    return FileUpdate::Unchanged;
  }
  return UpdateFile(file, *entry);
}

}  // namespace tollhaven
