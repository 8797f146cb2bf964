#include "cli/cli_handset.h"

#include "handset/handset_names.h"
#include "link/connect.h"

namespace tollhaven::cli {

namespace {

// The core's own jobs run where they are called: the tool has nothing else to do meanwhile.
int RunInPlace(WorkerSignal& signal, const std::function<void()>& job) {
  job();
  return signal.Succeeded() ? 0 : -1;
}

// What the count answers for a volume without a single file; the load then holds no entries.
constexpr std::string_view kEmptyVolumeLine = "Invalid files count!";

}  // namespace

std::optional<HandsetPathArg> ParseHandsetPath(std::string_view utf8, std::string& error) {
  const std::optional<std::string> bytes = HandsetNameFromUtf8(utf8);
  if (!bytes) {
    error = "the handset cannot hold the name " + std::string(utf8);
    return std::nullopt;
  }
  const std::string& text = *bytes;
  if (text.size() < 2 || text[0] != '/' || text[1] < 'a' || text[1] > 'c' ||
      (text.size() > 2 && text[2] != '/')) {
    error = "not a handset path (they begin with /a/, /b/ or /c/): " + std::string(utf8);
    return std::nullopt;
  }
  HandsetPathArg arg;
  arg.volume = text[1];
  arg.path = text.substr(0, 2);
  std::size_t at = 3;
  while (at < text.size()) {
    std::size_t slash = text.find('/', at);
    if (slash == std::string::npos) {
      slash = text.size();
    }
    const std::string_view component(text.data() + at, slash - at);
    // One trailing "/" ends the loop before it; every name before it must be a real one.
    if (component.empty() || component == "." || component == ".." ||
        component.find('\0') != std::string_view::npos) {
      error = "not a usable handset path: " + std::string(utf8);
      return std::nullopt;
    }
    arg.path += '/';
    arg.path += component;
    at = slash + 1;
  }
  return arg;
}

Volume::Volume(Handset& handset, Settings& settings, EventLog& log, char letter)
    : list_(handset, settings), files_(list_, log, signal_, RunInPlace) {
  list_.partitionLetter = letter;
}

std::optional<HandsetFile> Volume::File(std::string_view path) const {
  std::optional<HandsetFile> found;
  list_.ForEachEntry([&](const FileListEntry& entry) {
    if (!entry.deleted && entry.name == path) {
      found = HandsetFile{std::string(entry.name), entry.size, entry.attributeField};
    }
  });
  return found;
}

bool Volume::IsDirectory(std::string_view path) const {
  if (path.size() == 2) {
    return true;
  }
  const std::string prefix = std::string(path) + "/";
  bool found = false;
  list_.ForEachEntry([&](const FileListEntry& entry) {
    found = found || (!entry.deleted && entry.name.starts_with(prefix));
  });
  return found;
}

std::vector<HandsetFile> Volume::FilesBelow(std::string_view path) const {
  const std::string prefix = std::string(path) + "/";
  std::vector<HandsetFile> below;
  list_.ForEachEntry([&](const FileListEntry& entry) {
    if (!entry.deleted && entry.name.starts_with(prefix)) {
      below.push_back(HandsetFile{std::string(entry.name), entry.size, entry.attributeField});
    }
  });
  return below;
}

CliHandset::CliHandset(PhoneLink& link, Settings& settings)
    : link_(link), settings_(settings), handset_(link) {}

bool CliHandset::Connect(Discovery& discovery) {
  tollhaven::Connect(link_, discovery);
  if (link_.handsetConnected == 0) {
    return false;
  }
  PhoneFileList volumeInfo(handset_, settings_);
  volumeInfo.LoadVolumeInfo(status_);
  volumeNames_ = volumeInfo.volumeNames;
  const std::string volumes = StatusValue(1);
  for (const char* name : {"/a", "/b", "/c"}) {
    if (volumes.find(name) != std::string::npos) {
      letters_ += name[1];
    }
  }
  return true;
}

bool CliHandset::RefreshFreeSpace() {
  return handset_.PhoneFreeSpace(volumeNames_.data(), volumeNames_.size()) == 0;
}

std::string CliHandset::StatusValue(int part) const {
  const auto text = status_.parts.find(part);
  if (text == status_.parts.end()) {
    return {};
  }
  // Every label ("Space:", "Vols: ", "Files:", "Model:") is six characters long.
  constexpr std::size_t kLabelLength = 6;
  std::string value = text->second.substr(std::min(kLabelLength, text->second.size()));
  while (!value.empty() && value.back() == ' ') {
    value.pop_back();
  }
  return value;
}

Volume* CliHandset::Open(char letter, std::string& error) {
  const auto known = volumes_.find(letter);
  // A list that could not take an edit (the first file of an empty volume has no entry size to
  // go by) is fetched again, so that the next look at it sees what the handset holds.
  if (known != volumes_.end() && known->second->list().fileListLoaded != 0) {
    return known->second.get();
  }
  // Without the volume names nothing can be ruled out: the list load tells.
  if (volumesRead() && letters_.find(letter) == std::string::npos) {
    error = std::string("the handset has no volume /") + letter;
    return nullptr;
  }
  EventLog& log = link_.log();
  auto volume = std::make_unique<Volume>(handset_, settings_, log, letter);
  const std::size_t linesBefore = log.Count();
  WorkerSignal signal;
  volume->list().FileListWorker(signal);
  if (!signal.Succeeded()) {
    if (!SaidEmpty(linesBefore)) {
      error = std::string("cannot read the file list of /") + letter;
      return nullptr;
    }
  }
  Volume* opened = volume.get();
  volumes_[letter] = std::move(volume);
  return opened;
}

std::optional<uint32_t> CliHandset::CountFiles(char letter) {
  PhoneFileList counter(handset_, settings_);
  counter.partitionLetter = letter;
  const std::size_t linesBefore = link_.log().Count();
  if (counter.CountFiles(false) == 0) {
    return counter.handsetFileCount;
  }
  if (SaidEmpty(linesBefore)) {
    return 0;
  }
  return std::nullopt;
}

bool CliHandset::SaidEmpty(std::size_t first) const {
  // The count answers zero files with a line of its own, and the load then fails; there is no
  // other way to tell an empty volume from one that cannot be read.
  const std::vector<std::string> lines = link_.log().Lines();
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (lines[i] == kEmptyVolumeLine) {
      return true;
    }
  }
  return false;
}

}  // namespace tollhaven::cli
