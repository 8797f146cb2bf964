// The commands on single files and directories: info, ls, rm, mkdir, rmdir, attr and restart.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>

#include "cli/cli_run.h"
#include "cli/json_text.h"
#include "handset/handset_names.h"
#include "panels/handset_view.h"
#include "panels/row_order.h"
#include "support/text_helpers.h"

namespace tollhaven::cli {

namespace fs = std::filesystem;

namespace {

// Attribute bits of a handset file and the letters attr takes for them.
struct AttributeBit {
  char letter;
  uint16_t bit;
};
constexpr AttributeBit kAttributeBits[] = {
    {'r', 0x01}, {'h', 0x02}, {'s', 0x04}, {'a', 0x20}, {'c', 0x40}};

std::string AttributeLetters(uint16_t word) {
  std::string letters;
  for (const AttributeBit& bit : kAttributeBits) {
    letters += (word & bit.bit) != 0 ? bit.letter : '-';
  }
  return letters;
}

// Rows have no icons here.
class NoIcons : public HandsetIcons {
 public:
  int ParentRowIcon() override { return 0; }
  int TemplateIcon(std::string_view) override { return -1; }
};

PanelRow FileRow(const HandsetFile& file) {
  PanelRow row;
  row.name = file.Name();
  row.size = std::to_string(file.size);
  row.column2 = OwnerAttributeText(file.attributeField);
  return row;
}

}  // namespace

int InfoCommand(CliRun& run) {
  if (const int status = run.Connect()) {
    return status;
  }
  HandsetConnection& handset = run.handset;
  if (!handset.volumesRead()) {
    run.Fail("info: cannot read the volume information");
    return run.status;
  }
  std::vector<std::pair<char, std::optional<uint32_t>>> counts;
  for (const char letter : handset.volumeLetters()) {
    counts.emplace_back(letter, handset.CountFiles(letter));
  }
  const std::string model = handset.StatusValue(3);
  const uint32_t freeSpace = handset.handset().freeSpace;

  std::ostream& out = run.env.out;
  if (run.line.json) {
    out << "{\"model\": " << JsonString(Shown(model)) << ", \"volumes\": [";
    for (std::size_t i = 0; i < counts.size(); ++i) {
      out << (i ? ", " : "") << "\"/" << counts[i].first << '"';
    }
    out << "], \"freeSpace\": " << freeSpace << ", \"files\": {";
    for (std::size_t i = 0; i < counts.size(); ++i) {
      out << (i ? ", " : "") << "\"/" << counts[i].first << "\": ";
      if (counts[i].second) {
        out << *counts[i].second;
      } else {
        out << "null";
      }
    }
    out << "}}\n";
  } else {
    run.Say("Model:      " + Shown(model));
    std::string volumes, files;
    for (const auto& [letter, count] : counts) {
      volumes += std::string(volumes.empty() ? "" : " ") + "/" + letter;
      files += std::string(files.empty() ? "" : ", ") + "/" + letter + " " +
               (count ? std::to_string(*count) : std::string("unknown"));
    }
    run.Say("Volumes:    " + volumes);
    run.Say("Free space: " + std::to_string(freeSpace / 1024) + " KB");
    run.Say("Files:      " + files);
  }
  for (const auto& [letter, count] : counts) {
    if (!count) {
      run.Fail(std::string("info: cannot count the files of /") + letter);
    }
  }
  return run.status;
}

int ListCommand(CliRun& run) {
  const std::optional<HandsetPath> arg =
      run.HandsetOperand(run.line.operands.empty() ? "/a/" : run.line.operands[0]);
  if (!arg) {
    return kExitUsage;
  }
  int status = 0;
  Volume* volume = run.ConnectedVolume(arg->volume(), status);
  if (volume == nullptr) {
    return status;
  }

  std::vector<PanelRow> rows;
  std::string listed = arg->AsDirectory();
  if (const std::optional<HandsetFile> file = volume->File(arg->bytes())) {
    rows.push_back(FileRow(*file));
    listed = arg->bytes();
  } else if (volume->IsDirectory(arg->bytes())) {
    NoIcons icons;
    HandsetFillRequest request;
    request.handsetDir = listed;
    request.connected = true;
    fillHandsetPanel(request, volume->list(), icons, nullptr, rows);
    std::erase_if(rows, [](const PanelRow& row) { return row.name == kParentRowName; });
    sortPanel(rows, kNameAscending, CompareNamesIgnoringCase);
  } else {
    run.Fail("ls: no such file or directory on the handset: " + Shown(arg->bytes()));
    return run.status;
  }

  std::ostream& out = run.env.out;
  if (run.line.json) {
    out << "{\"path\": " << JsonString(Shown(listed)) << ", \"entries\": [";
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const PanelRow& row = rows[i];
      out << (i ? ", " : "") << "{\"name\": " << JsonString(Shown(row.name));
      if (row.IsDirectory()) {
        out << ", \"directory\": true}";
      } else {
        out << ", \"directory\": false, \"size\": " << ParseDecimal(row.size)
            << ", \"owner\": " << ParseHex(row.column2.substr(0, 2))
            << ", \"attributes\": " << AttributeWordOfText(row.column2)
            << ", \"ownerAttributes\": " << JsonString(row.column2) << "}";
      }
    }
    out << "]}\n";
    return run.status;
  }
  for (const PanelRow& row : rows) {
    const std::string name = Shown(row.name) + (row.IsDirectory() ? "/" : "");
    if (run.line.longListing) {
      std::string size = row.size;
      size.insert(0, size.size() < 10 ? 10 - size.size() : 0, ' ');
      run.Say(size + "  " + row.column2 + "  " + name);
    } else {
      run.Say(name);
    }
  }
  return run.status;
}

namespace {

// Takes every operand as a handset path (a usage error stops the run before anything is sent),
// connects, and hands each one with its volume to `act`; a volume that cannot be listed has
// already said why.
int ForEachHandsetOperand(CliRun& run,
                          const std::function<void(const HandsetPath&, Volume*)>& act) {
  std::vector<HandsetPath> targets;
  for (const std::string& operand : run.line.operands) {
    std::optional<HandsetPath> arg = run.HandsetOperand(operand);
    if (!arg) {
      return kExitUsage;
    }
    targets.push_back(std::move(*arg));
  }
  if (const int status = run.Connect()) {
    return status;
  }
  for (const HandsetPath& target : targets) {
    if (Volume* volume = run.OpenVolume(target.volume())) {
      act(target, volume);
    }
  }
  return run.status;
}

}  // namespace

int RemoveCommand(CliRun& run) {
  return ForEachHandsetOperand(run, [&run](const HandsetPath& target, Volume* volume) {
    if (target.IsVolume()) {
      run.Fail("rm: a volume cannot be removed: " + target.bytes());
    } else if (volume->File(target.bytes())) {
      if (volume->files().Delete(target.bytes(), false) != FileOutcome::Done) {
        run.Fail("rm: " + volume->files().lastReport());
      }
    } else if (!volume->IsDirectory(target.bytes())) {
      run.Fail("rm: no such file or directory on the handset: " + Shown(target.bytes()));
    } else if (!run.line.recursive) {
      run.Fail("rm: a directory (use rm -r, or rmdir when it is empty): " + Shown(target.bytes()));
    } else if (volume->files().Delete(target.bytes(), true) != FileOutcome::Done) {
      run.Fail("rm: " + volume->files().lastReport());
    }
  });
}

int MakeDirectoryCommand(CliRun& run) {
  return ForEachHandsetOperand(run, [&run](const HandsetPath& target, Volume* volume) {
    if (volume->IsDirectory(target.bytes())) {
      run.Fail("mkdir: already there: " + Shown(target.bytes()));
      return;
    }
    // Each missing directory on the way, the last one included, gets made in turn.
    for (std::size_t slash = target.bytes().find('/', 3);;
         slash = target.bytes().find('/', slash + 1)) {
      const std::string path = target.bytes().substr(0, slash);
      volume = run.OpenVolume(target.volume());
      if (volume == nullptr) {
        break;
      }
      if (volume->File(path)) {
        run.Fail("mkdir: a file of that name is in the way: " + Shown(path));
        break;
      }
      if (!volume->IsDirectory(path) && volume->files().MakeDirectory(path) != FileOutcome::Done) {
        run.Fail("mkdir: " + volume->files().lastReport());
        break;
      }
      if (slash == std::string::npos) {
        break;
      }
    }
  });
}

int RemoveDirectoryCommand(CliRun& run) {
  return ForEachHandsetOperand(run, [&run](const HandsetPath& target, Volume* volume) {
    if (target.IsVolume()) {
      run.Fail("rmdir: a volume cannot be removed: " + target.bytes());
      return;
    }
    if (!volume->IsDirectory(target.bytes())) {
      run.Fail(std::string("rmdir: ") +
               (volume->File(target.bytes()) ? "not a directory: " : "no such directory: ") +
               Shown(target.bytes()));
      return;
    }
    const std::string placeholder = target.bytes() + "/" + std::string(kPlaceholderName);
    const std::vector<HandsetFile> below = volume->FilesBelow(target.bytes());
    if (std::any_of(below.begin(), below.end(),
                    [&](const HandsetFile& file) { return file.path != placeholder; })) {
      run.Fail("rmdir: not empty (use rm -r): " + Shown(target.bytes()));
      return;
    }
    if (volume->files().Delete(target.bytes(), true) != FileOutcome::Done) {
      run.Fail("rmdir: " + volume->files().lastReport());
    }
  });
}

int AttributesCommand(CliRun& run) {
  const std::optional<HandsetPath> target = run.HandsetOperand(run.line.operands[0]);
  if (!target) {
    return kExitUsage;
  }
  int status = 0;
  Volume* volume = run.ConnectedVolume(target->volume(), status);
  if (volume == nullptr) {
    return status;
  }
  std::optional<HandsetFile> file = volume->File(target->bytes());
  if (!file) {
    run.Fail("attr: no such file on the handset: " + Shown(target->bytes()));
    return run.status;
  }
  if (!run.line.attributeChanges.empty()) {
    uint16_t word = file->AttributeWord();
    for (const std::string& change : run.line.attributeChanges) {
      for (const AttributeBit& bit : kAttributeBits) {
        if (bit.letter == change[1]) {
          word = change[0] == '+' ? static_cast<uint16_t>(word | bit.bit)
                                  : static_cast<uint16_t>(word & ~bit.bit);
        }
      }
    }
    if (volume->files().SetAttributes(target->bytes(), word) != FileOutcome::Done) {
      run.Fail("attr: " + volume->files().lastReport());
      return run.status;
    }
    file = volume->File(target->bytes());
  }
  run.Say(OwnerAttributeText(file->attributeField) + "  " +
          AttributeLetters(file->AttributeWord()) + "  " + Shown(target->bytes()));
  return run.status;
}

int RestartCommand(CliRun& run) {
  if (const int status = run.Connect()) {
    return status;
  }
  if (run.handset.handset().PhoneRestart() != 0) {
    run.Fail("restart: the handset did not take the command");
  } else {
    run.Say("The handset restarts.");
  }
  return run.status;
}

}  // namespace tollhaven::cli
