// The texts of the files the desktop integration writes and reads: desktop entries, the MIME
// package, mimeapps.list and the glob lists.
#include <algorithm>
#include <cstdint>

#include "support/shell_integration.h"
#include "support/text_helpers.h"

namespace tollhaven {

namespace {

constexpr std::string_view kDefaultApplicationsGroup = "Default Applications";
constexpr std::string_view kAddedAssociationsGroup = "Added Associations";
constexpr std::string_view kDesktopEntryGroup = "Desktop Entry";

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
  const std::vector<std::string_view> lines = SplitLines(mimeappsList);
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
  for (std::string_view line : SplitLines(entry)) {
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
  for (std::string_view line : SplitLines(globs2)) {
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

}  // namespace tollhaven
