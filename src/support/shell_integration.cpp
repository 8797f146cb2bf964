#include "support/shell_integration.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <system_error>

#include "support/local_files.h"

namespace tollhaven {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDefaultApplicationsGroup = "Default Applications";
constexpr std::string_view kAddedAssociationsGroup = "Added Associations";
constexpr std::string_view kDesktopEntryGroup = "Desktop Entry";
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

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && blank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
  return std::search(text.begin(), text.end(), part.begin(), part.end(),
                     [](char x, char y) { return Lower(x) == Lower(y); }) != text.end();
}

// The lines of a text, each without its line feed (a carriage return stays with its line).
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
  }
  return lines;
}

// The name of the group a line opens, or nothing when it opens none.
std::optional<std::string_view> GroupName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') {
    return std::nullopt;
  }
  return line.substr(1, line.size() - 2);
}

// A "key=value" line split at its first '='; nothing for comments, blanks and group headers.
struct KeyLine {
  std::string_view key;
  std::string_view value;
};
std::optional<KeyLine> SplitKeyLine(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == '#' || trimmed.front() == '[') {
    return std::nullopt;
  }
  const std::size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) {
    return std::nullopt;
  }
  return KeyLine{Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1))};
}

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    int follow;
    uint32_t code;
    if (lead < 0x80) {
      ++at;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      follow = 1;
      code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      follow = 2;
      code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      follow = 3;
      code = lead & 0x07;
    } else {
      return false;
    }
    if (at + static_cast<std::size_t>(follow) >= text.size()) {
      return false;
    }
    for (int i = 1; i <= follow; ++i) {
      const auto next = static_cast<unsigned char>(text[at + i]);
      if ((next & 0xC0) != 0x80) {
        return false;
      }
      code = (code << 6) | (next & 0x3F);
    }
    constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[follow] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    at += static_cast<std::size_t>(follow) + 1;
  }
  return true;
}

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

// The string escapes of a desktop entry value: a backslash is written doubled.
std::string EscapeValue(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\') {
      escaped += '\\';
    }
    escaped += c;
  }
  return escaped;
}

std::string EscapeXml(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// An absolute path that a desktop entry can hold, escaped for TryExec and quoted for Exec.
struct EntryPath {
  std::string tryExec;
  std::string exec;
};
std::optional<EntryPath> ForEntry(std::string_view path) {
  if (path.empty() || path.front() != '/') {
    return std::nullopt;
  }
  std::optional<std::string> exec = DesktopExecArgument(path);
  if (!exec) {
    return std::nullopt;
  }
  return EntryPath{EscapeValue(path), std::move(*exec)};
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

std::string MimePackageXml(const std::vector<FileType>& types) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
  for (const FileType& type : types) {
    xml += "  <mime-type type=\"" + EscapeXml(type.mimeType) + "\">\n";
    xml += "    <comment>" + EscapeXml(type.comment) + "</comment>\n";
    if (!type.subClassOf.empty()) {
      xml += "    <sub-class-of type=\"" + EscapeXml(type.subClassOf) + "\"/>\n";
    }
    if (!type.genericIcon.empty()) {
      xml += "    <generic-icon name=\"" + EscapeXml(type.genericIcon) + "\"/>\n";
    }
    xml += "    <glob pattern=\"" + EscapeXml(type.glob) + "\"";
    if (type.caseSensitive) {
      xml += " case-sensitive=\"true\"";
    }
    xml += "/>\n";
    xml += "  </mime-type>\n";
  }
  xml += "</mime-info>\n";
  return xml;
}

std::optional<std::string> DesktopExecArgument(std::string_view path) {
  if (path.empty() || !IsUtf8(path) || HasControlCharacter(path)) {
    return std::nullopt;
  }
  constexpr std::string_view kReserved = " \t\"'\\><~|&;$*?#()`";
  const bool quote = path.find_first_of(kReserved) != std::string_view::npos;
  std::string argument;
  if (quote) {
    argument += '"';
  }
  for (char c : path) {
    if (c == '%') {
      // A lone % would start a field code.
      argument += "%%";
      continue;
    }
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
      argument += '\\';
    }
    argument += c;
  }
  if (quote) {
    argument += '"';
  }
  return EscapeValue(argument);
}

std::optional<std::string> TollhavenDesktopEntry(std::string_view executable,
                                                 const std::vector<std::string_view>& mimeTypes) {
  const std::optional<EntryPath> path = ForEntry(executable);
  if (!path) {
    return std::nullopt;
  }
  std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Version=1.0\n"
      "Name=Tollhaven\n"
      "GenericName=Handset File Manager\n"
      "Comment=Browse and copy the files of a Motorola P2K handset\n"
      "Icon=" +
      std::string(kIconName) +
      "\n"
      "TryExec=" +
      path->tryExec +
      "\n"
      "Exec=" +
      path->exec +
      " %f\n"
      "Terminal=false\n"
      "Categories=Utility;FileTools;\n"
      "MimeType=";
  for (std::string_view type : mimeTypes) {
    entry += std::string(type) + ';';
  }
  entry += '\n';
  return entry;
}

std::optional<std::string> CompanionAutostartEntry(std::string_view companion, bool enabled) {
  const std::optional<EntryPath> path = ForEntry(companion);
  if (!path) {
    return std::nullopt;
  }
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Lampwick\n"
         "Comment=Companion program of Tollhaven\n"
         "TryExec=" +
         path->tryExec +
         "\n"
         "Exec=" +
         path->exec +
         "\n"
         "Terminal=false\n"
         "Hidden=" +
         (enabled ? "false" : "true") + "\n";
}

bool IsOurDesktopEntry(std::string_view entry) {
  const std::optional<std::string> tryExec = DesktopEntryValue(entry, "TryExec");
  if (!tryExec) {
    return false;
  }
  // We escape nothing but the backslash in a value.
  std::string executable;
  for (std::size_t i = 0; i < tryExec->size(); ++i) {
    if ((*tryExec)[i] == '\\' && i + 1 < tryExec->size() && (*tryExec)[i + 1] == '\\') {
      ++i;
    }
    executable += (*tryExec)[i];
  }
  for (const std::vector<std::string_view>& types :
       {std::vector<std::string_view>{kPatchFileMimeType},
        std::vector<std::string_view>{kPatchFileMimeType, kSkinPackMimeType}}) {
    if (TollhavenDesktopEntry(executable, types) == entry) {
      return true;
    }
  }
  return false;
}

namespace {

std::string WithApplicationInGroup(std::string_view mimeappsList, std::string_view groupName,
                                   std::string_view mimeType, std::string_view desktopId) {
  const std::vector<std::string_view> lines = Lines(mimeappsList);
  // A file written with CR LF gets its new lines the same way.
  const std::string_view lineEnd =
      (!lines.empty() && !lines.front().empty() && lines.front().back() == '\r') ? "\r" : "";

  // Our type's line in every such group: a file may repeat the group or the key, and readers
  // differ in which one they believe.
  std::vector<std::string> out(lines.begin(), lines.end());
  bool inGroup = false;
  int groupsSeen = 0;
  bool found = false;
  std::optional<std::size_t> insertAt;  // after the last non-blank line of the first such group
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (const std::optional<std::string_view> group = GroupName(lines[i])) {
      inGroup = *group == groupName;
      if (inGroup && ++groupsSeen == 1) {
        insertAt = i + 1;
      }
      continue;
    }
    if (!inGroup) {
      continue;
    }
    if (groupsSeen == 1 && !Trim(lines[i]).empty()) {
      insertAt = i + 1;
    }
    const std::optional<KeyLine> keyLine = SplitKeyLine(lines[i]);
    if (!keyLine || keyLine->key != mimeType) {
      continue;
    }
    found = true;
    std::string value = std::string(desktopId) + ';';
    for (const std::string& other : SplitList(keyLine->value)) {
      if (other != desktopId) {
        value += other + ';';
      }
    }
    out[i] = std::string(mimeType) + '=' + value + std::string(lineEnd);
  }

  if (!found) {
    const std::string line =
        std::string(mimeType) + '=' + std::string(desktopId) + ';' + std::string(lineEnd);
    if (insertAt) {
      out.insert(out.begin() + static_cast<std::ptrdiff_t>(*insertAt), line);
    } else {
      if (!out.empty() && !Trim(out.back()).empty()) {
        out.emplace_back(lineEnd);
      }
      // Appended piece by piece: GCC 12 reports a false overlap for "[" + std::string at -O3.
      std::string group(1, '[');
      group.append(groupName).append("]").append(lineEnd);
      out.push_back(std::move(group));
      out.push_back(line);
    }
  }

  std::string text;
  for (const std::string& line : out) {
    text += line;
    text += '\n';
  }
  return text;
}

}  // namespace

std::string WithDefaultApplication(std::string_view mimeappsList, std::string_view mimeType,
                                   std::string_view desktopId) {
  return WithApplicationInGroup(mimeappsList, kDefaultApplicationsGroup, mimeType, desktopId);
}

std::string WithAddedAssociation(std::string_view mimeappsList, std::string_view mimeType,
                                 std::string_view desktopId) {
  return WithApplicationInGroup(mimeappsList, kAddedAssociationsGroup, mimeType, desktopId);
}

std::optional<std::string> DesktopEntryValue(std::string_view entry, std::string_view key) {
  bool inEntry = false;
  for (std::string_view line : Lines(entry)) {
    if (const std::optional<std::string_view> group = GroupName(line)) {
      inEntry = *group == kDesktopEntryGroup;
      continue;
    }
    if (!inEntry) {
      continue;
    }
    if (const std::optional<KeyLine> keyLine = SplitKeyLine(line); keyLine && keyLine->key == key) {
      return std::string(keyLine->value);
    }
  }
  return std::nullopt;
}

std::vector<std::string> SplitList(std::string_view value) {
  std::vector<std::string> items;
  while (!value.empty()) {
    const std::size_t semicolon = value.find(';');
    const std::string_view item = Trim(value.substr(0, semicolon));
    if (!item.empty()) {
      items.emplace_back(item);
    }
    value = semicolon == std::string_view::npos ? std::string_view{} : value.substr(semicolon + 1);
  }
  return items;
}

std::vector<std::string> GlobOwners(std::string_view globs2, std::string_view glob) {
  std::vector<std::string> owners;
  for (std::string_view line : Lines(globs2)) {
    line = Trim(line);
    if (line.empty() || line.front() == '#') {
      continue;
    }
    // weight:type:pattern[:flags]
    const std::size_t first = line.find(':');
    const std::size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
    if (second == std::string_view::npos) {
      continue;
    }
    const std::string_view type = line.substr(first + 1, second - first - 1);
    std::string_view pattern = line.substr(second + 1);
    std::string_view flags;
    if (const std::size_t third = pattern.find(':'); third != std::string_view::npos) {
      flags = pattern.substr(third + 1);
      pattern = pattern.substr(0, third);
    }
    const bool caseSensitive = flags.find("cs") != std::string_view::npos;
    const bool matches = caseSensitive ? pattern == glob : EqualNoCase(pattern, glob);
    if (matches && !type.empty() && std::find(owners.begin(), owners.end(), type) == owners.end()) {
      owners.emplace_back(type);
    }
  }
  return owners;
}

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
