// The commands on single files and directories: info, ls, get, put, rm, mkdir, rmdir, attr,
// restart and patch.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>

#include "cli/cli_run.h"
#include "cli/json_text.h"
#include "handset/handset_names.h"
#include "handset/patch_executor.h"
#include "panels/handset_view.h"
#include "panels/row_order.h"
#include "support/patch_file.h"
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

std::string Shown(std::string_view handsetBytes) {
  return Utf8FromHandsetName(handsetBytes);
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

// The volume `arg` lies on, or nullptr after a failure line.
Volume* OpenVolume(CliRun& run, char letter) {
  std::string error;
  Volume* volume = run.handset.Open(letter, error);
  if (volume == nullptr) {
    run.Fail(run.line.command + ": " + error);
  }
  return volume;
}

// The handset name of a local file or directory, or nullopt when the handset cannot hold it.
std::optional<std::string> HandsetNameOf(const fs::path& local) {
  const std::optional<std::string> name = HandsetNameFromUtf8(Utf8FileName(local));
  if (!name || name->empty()) {
    return std::nullopt;
  }
  return name;
}

// A handset path below `directory` taken apart into its names, or nullopt when one of them
// could not be a local file name (it would lead out of the destination).
std::optional<std::vector<std::string>> LocalComponents(std::string_view relative) {
  std::vector<std::string> components;
  std::size_t at = 0;
  while (at <= relative.size()) {
    std::size_t slash = relative.find('/', at);
    if (slash == std::string_view::npos) {
      slash = relative.size();
    }
    const std::string_view component = relative.substr(at, slash - at);
    if (!IsSafeLocalName(component)) {
      return std::nullopt;
    }
    components.emplace_back(component);
    at = slash + 1;
  }
  return components;
}

// The size of a local file for the progress line's totals; 0 for what has none (a missing or
// special file, which the upload then skips with its own line).
uint32_t LocalSize(const fs::path& file) {
  std::error_code error;
  const uintmax_t size = fs::file_size(file, error);
  return error || size > UINT32_MAX ? 0 : static_cast<uint32_t>(size);
}

fs::path LocalDirectoryFor(fs::path base, const std::vector<std::string>& components,
                           std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    base = LocalPathForHandsetName(base, components[i]);
  }
  return base;
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

namespace {

// Connects and opens one volume; null, with what the command returns in `status`, when either
// cannot be done (the reason has been told already).
Volume* ConnectedVolume(CliRun& run, char letter, int& status) {
  status = run.Connect();
  if (status != 0) {
    return nullptr;
  }
  Volume* volume = OpenVolume(run, letter);
  if (volume == nullptr) {
    status = run.status;
  }
  return volume;
}

}  // namespace

int ListCommand(CliRun& run) {
  const std::optional<HandsetPath> arg =
      run.HandsetOperand(run.line.operands.empty() ? "/a/" : run.line.operands[0]);
  if (!arg) {
    return kExitUsage;
  }
  int status = 0;
  Volume* volume = ConnectedVolume(run, arg->volume(), status);
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

int GetCommand(CliRun& run) {
  const std::vector<std::string>& operands = run.line.operands;
  const fs::path destination(operands.back());
  std::vector<HandsetPath> sources;
  for (std::size_t i = 0; i + 1 < operands.size(); ++i) {
    std::optional<HandsetPath> arg = run.HandsetOperand(operands[i]);
    if (!arg) {
      return kExitUsage;
    }
    sources.push_back(std::move(*arg));
  }
  std::error_code error;
  if (!fs::is_directory(destination, error)) {
    return run.Usage("get: not a local directory: " + operands.back());
  }
  if (const int status = run.Connect()) {
    return status;
  }

  // Everything to fetch is known before the first byte moves, for the progress line's totals.
  struct Job {
    char volume;
    HandsetFile file;
    fs::path localDirectory;
    bool directoryOnly;  // a directory the program made: only its local twin is created
  };
  std::vector<Job> jobs;
  uint64_t totalBytes = 0;
  uint32_t totalFiles = 0;
  for (const HandsetPath& source : sources) {
    Volume* volume = OpenVolume(run, source.volume());
    if (volume == nullptr) {
      continue;
    }
    if (std::optional<HandsetFile> file = volume->File(source.bytes())) {
      totalBytes += file->size;
      ++totalFiles;
      jobs.push_back({source.volume(), std::move(*file), destination, false});
      continue;
    }
    if (!volume->IsDirectory(source.bytes())) {
      run.Fail("get: no such file or directory on the handset: " + Shown(source.bytes()));
      continue;
    }
    if (!run.line.recursive) {
      run.Fail("get: a directory (use -r): " + Shown(source.bytes()));
      continue;
    }
    const std::string top = source.IsVolume()
                                ? std::string(1, source.volume())
                                : source.bytes().substr(source.bytes().rfind('/') + 1);
    const fs::path base = LocalPathForHandsetName(destination, top);
    for (HandsetFile& file : volume->FilesBelow(source.bytes())) {
      const std::optional<std::vector<std::string>> components =
          LocalComponents(std::string_view(file.path).substr(source.bytes().size() + 1));
      if (!components) {
        run.Fail("get: skipped, not a name for a local file: " + Shown(file.path));
        continue;
      }
      const bool placeholder = components->back() == kPlaceholderName;
      if (!placeholder) {
        totalBytes += file.size;
        ++totalFiles;
      }
      jobs.push_back({source.volume(), std::move(file),
                      LocalDirectoryFor(base, *components, components->size() - 1), placeholder});
    }
  }

  run.StartProgress(totalBytes, totalFiles);
  for (const Job& job : jobs) {
    if (run.Stopping()) {
      break;
    }
    if (!fs::is_directory(job.localDirectory, error) &&
        !fs::create_directories(job.localDirectory, error)) {
      run.Fail("get: cannot create " + job.localDirectory.string() + ": " + error.message());
      continue;
    }
    if (job.directoryOnly) {
      continue;
    }
    Volume* volume = OpenVolume(run, job.volume);
    if (volume == nullptr) {
      continue;
    }
    HandsetItem item;
    item.name = job.file.Name();
    item.size = job.file.size;
    item.attributeWord = job.file.AttributeWord();
    run.progress.BeginFile(job.file.size);
    const FileOutcome outcome =
        volume->files().Download(job.file.Directory(), item, job.localDirectory);
    run.progress.EndFile();
    if (outcome != FileOutcome::Done) {
      run.Fail("get: " + volume->files().lastReport());
    }
  }
  run.StopProgress();
  return run.status;
}

int PutCommand(CliRun& run) {
  const std::vector<std::string>& operands = run.line.operands;
  const std::optional<HandsetPath> target = run.HandsetOperand(operands.back());
  if (!target) {
    return kExitUsage;
  }
  int status = 0;
  Volume* volume = ConnectedVolume(run, target->volume(), status);
  if (volume == nullptr) {
    return status;
  }
  if (!volume->IsDirectory(target->bytes())) {
    run.Fail("put: no such directory on the handset: " + Shown(target->bytes()));
    return run.status;
  }

  // The whole tree is walked first, for the progress line's totals; directories come before
  // what goes into them.
  struct Job {
    fs::path local;
    std::string handsetPath;  // a directory to create, or the directory a file goes to
    bool directory;
  };
  std::vector<Job> jobs;
  uint64_t totalBytes = 0;
  uint32_t totalFiles = 0;
  std::error_code error;
  std::function<void(const fs::path&, const std::string&)> walk =
      [&](const fs::path& directory, const std::string& handsetDirectory) {
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(directory, error), end; !error && it != end;
             it.increment(error)) {
          entries.push_back(it->path());
        }
        if (error) {
          run.Fail("put: cannot read " + directory.string() + ": " + error.message());
          error.clear();
        }
        std::sort(entries.begin(), entries.end());
        for (const fs::path& entry : entries) {
          // A link to a directory could lead round in a circle; its files are sent, not it.
          if (fs::is_symlink(entry, error) && fs::is_directory(entry, error)) {
            run.Fail("put: skipped, a link to a directory: " + entry.string());
          } else if (fs::is_directory(entry, error)) {
            const std::optional<std::string> name = HandsetNameOf(entry);
            if (!name) {
              run.Fail("put: skipped, the handset cannot hold this name: " + entry.string());
              continue;
            }
            const std::string path = handsetDirectory + *name;
            jobs.push_back({entry, path, true});
            walk(entry, path + "/");
          } else {
            totalBytes += LocalSize(entry);
            ++totalFiles;
            jobs.push_back({entry, handsetDirectory, false});
          }
        }
      };
  for (std::size_t i = 0; i + 1 < operands.size(); ++i) {
    fs::path source(operands[i]);
    if (source.has_parent_path() && !source.has_filename()) {
      source = source.parent_path();  // "music/" names the directory "music"
    }
    if (!fs::exists(source, error)) {
      run.Fail("put: no such local file: " + operands[i]);
    } else if (!fs::is_directory(source, error)) {
      totalBytes += LocalSize(source);
      ++totalFiles;
      jobs.push_back({source, target->AsDirectory(), false});
    } else if (!run.line.recursive) {
      run.Fail("put: a directory (use -r): " + operands[i]);
    } else if (const std::optional<std::string> name = HandsetNameOf(fs::absolute(source))) {
      const std::string path = target->AsDirectory() + *name;
      jobs.push_back({source, path, true});
      walk(source, path + "/");
    } else {
      run.Fail("put: skipped, the handset cannot hold this name: " + operands[i]);
    }
  }

  run.StartProgress(totalBytes, totalFiles);
  for (const Job& job : jobs) {
    if (run.Stopping()) {
      break;
    }
    volume = OpenVolume(run, target->volume());
    if (volume == nullptr) {
      break;
    }
    if (job.directory) {
      if (volume->File(job.handsetPath)) {
        run.Fail("put: a file of that name is in the way: " + Shown(job.handsetPath));
      } else if (!volume->IsDirectory(job.handsetPath) &&
                 volume->files().MakeDirectory(job.handsetPath) != FileOutcome::Done) {
        run.Fail("put: " + volume->files().lastReport());
      }
      continue;
    }
    run.progress.BeginFile(LocalSize(job.local));
    const FileOutcome outcome = volume->files().Upload(job.local, job.handsetPath);
    run.progress.EndFile();
    if (outcome != FileOutcome::Done) {
      run.Fail("put: " + volume->files().lastReport());
    }
  }
  run.StopProgress();
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
    if (Volume* volume = OpenVolume(run, target.volume())) {
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
      volume = OpenVolume(run, target.volume());
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
  Volume* volume = ConnectedVolume(run, target->volume(), status);
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

int PatchCommand(CliRun& run) {
  const std::string& operand = run.line.operands[0];
  const fs::path patchFile(operand);
  std::error_code error;
  const std::optional<std::vector<std::string>> lines = ReadPatchFile(patchFile, error);
  if (!lines) {
    return run.Usage("patch: cannot read " + operand + ": " + error.message());
  }
  if (!run.line.yes) {
    for (const std::string& line : *lines) {
      run.Say("  " + Shown(line));
    }
    run.env.out << run.Shown("Run these lines on the handset? [y/N] ") << std::flush;
    std::string answer;
    if (run.env.in == nullptr || !std::getline(*run.env.in, answer) ||
        (answer != "y" && answer != "Y" && answer != "yes")) {
      run.Fail("patch: not confirmed; nothing was run");
      return run.status;
    }
  }
  if (const int status = run.Connect()) {
    return status;
  }

  // The file operations keep one volume's list in step; the volume the patch works on is the
  // one its first handset path names.
  char letter = 'a';
  uint64_t totalBytes = 0;
  bool named = false;
  for (const std::string& line : *lines) {
    const PatchLine command = ParsePatchLine(line);
    if (command.command == PatchCommand::Load) {
      if (const std::optional<fs::path> file =
              PatchLocalFile(patchFile.parent_path(), command.argument)) {
        const uintmax_t size = fs::file_size(*file, error);
        totalBytes += error ? 0 : size;
      }
    } else if (!named && command.command != PatchCommand::Ignored &&
               command.command != PatchCommand::AttributeValue && command.argument.size() > 1 &&
               command.argument[1] >= 'a' && command.argument[1] <= 'c') {
      letter = command.argument[1];
      named = true;
    }
  }
  Volume* volume = OpenVolume(run, letter);
  if (volume == nullptr) {
    return run.status;
  }

  EventLog& log = run.env.link.log();
  run.progress.CountEveryBlock();
  run.StartProgress(totalBytes, 0);
  {
    PatchExecutor executor(volume->files(), log, run.progress, patchFile.parent_path());
    for (const std::string& line : *lines) {
      if (run.Stopping()) {
        break;
      }
      const std::size_t before = log.Count();
      executor.RunLine(line);
      // Each line the run logged is shown; the one that tells why the line failed goes to
      // standard error and makes the run end with status 1.
      const std::vector<std::string> logged = log.Lines();
      const std::string& failure = executor.lineFailure();
      for (std::size_t i = before; i < logged.size(); ++i) {
        const std::string& text = logged[i];
        if (!failure.empty() && text == failure) {
          run.progress.Finish();
          run.env.err << "tollhaven-cli: patch: " << run.Shown(text) << '\n';
          run.status = kExitFailed;
        } else {
          run.progress.Finish();
          run.Say(text);
        }
      }
    }
  }
  run.StopProgress();
  return run.status;
}

}  // namespace tollhaven::cli
