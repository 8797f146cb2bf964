#include "handset/handset_connection.h"

#include "handset/handset_names.h"
#include "link/connect.h"

namespace tollhaven {

namespace {

// The core's own jobs run where they are called: the tool has nothing else to do meanwhile.
int RunInPlace(WorkerSignal& signal, const std::function<void()>& job) {
  job();
  return signal.Succeeded() ? 0 : -1;
}

}  // namespace

Volume::Volume(Handset& handset, Settings& settings, EventLog& log, char letter,
               ProgressSink& progress)
    : list_(handset, settings), files_(list_, log, signal_, RunInPlace, progress) {
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

HandsetConnection::HandsetConnection(PhoneLink& link, Settings& settings, ProgressSink& progress)
    : link_(link), settings_(settings), progress_(progress), handset_(link) {}

HandsetConnection::HandsetConnection(PhoneLink& link, Settings& settings, Discovery& discovery,
                                     ProgressSink& progress)
    : HandsetConnection(link, settings, progress) {
  discovery_ = &discovery;
  recovery_.emplace(link, discovery);
}

bool HandsetConnection::Connect(Discovery& discovery) {
  tollhaven::Connect(link_, discovery);
  if (link_.handsetConnected == 0) {
    return false;
  }
  ReadVolumeInfo();
  return true;
}

bool HandsetConnection::Connect() {
  return discovery_ != nullptr && Connect(*discovery_);
}

void HandsetConnection::ReadVolumeInfo() {
  // A handset found again reports afresh: nothing of the last report may linger.
  status_.parts.clear();
  letters_.clear();
  PhoneFileList volumeInfo(handset_, settings_);
  volumeInfo.LoadVolumeInfo(status_);
  volumeNames_ = volumeInfo.volumeNames;
  const std::string volumes = StatusValue(1);
  for (const char* name : {"/a", "/b", "/c"}) {
    if (volumes.find(name) != std::string::npos) {
      letters_ += name[1];
    }
  }
}

LinkChange HandsetConnection::Forget(LinkChange change) {
  if (change == LinkChange::Lost) {
    for (auto& known : volumes_) {
      known.second->list().Release();
    }
  }
  return change;
}

LinkChange HandsetConnection::LookAfterLink() {
  if (!recovery_) {
    return LinkChange::None;
  }
  const LinkChange change = Forget(recovery_->Check());
  if (change == LinkChange::Back) {
    ReadVolumeInfo();
  }
  return change;
}

LinkChange HandsetConnection::DeviceLeft(const UsbDeviceAddress& device) {
  return recovery_ ? Forget(recovery_->DeviceLeft(device)) : LinkChange::None;
}

bool HandsetConnection::RefreshFreeSpace() {
  return handset_.PhoneFreeSpace(volumeNames_.data(), volumeNames_.size()) == 0;
}

std::string HandsetConnection::StatusValue(int part) const {
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

Volume* HandsetConnection::Open(char letter, std::string& error) {
  const Opening opening = OpenVolume(letter);
  switch (opening.result) {
    case VolumeOpening::Opened:
    case VolumeOpening::Empty:
      break;
    case VolumeOpening::NoSuchVolume:
      error = std::string("the handset has no volume /") + letter;
      break;
    case VolumeOpening::Unreadable:
      error = std::string("cannot read the file list of /") + letter;
      break;
  }
  return opening.volume;
}

HandsetConnection::Opening HandsetConnection::OpenVolume(char letter) {
  const auto known = volumes_.find(letter);
  // A list that could not take an edit (the first file of an empty volume has no entry size to
  // go by) is fetched again, so that the next look at it sees what the handset holds.
  if (known != volumes_.end() && known->second->list().fileListLoaded != 0) {
    return {VolumeOpening::Opened, known->second.get()};
  }
  // Without the volume names nothing can be ruled out: the list load tells.
  if (volumesRead() && letters_.find(letter) == std::string::npos) {
    return {VolumeOpening::NoSuchVolume, nullptr};
  }
  auto volume = std::make_unique<Volume>(handset_, settings_, link_.log(), letter, progress_);
  WorkerSignal signal;
  volume->list().FileListWorker(signal, progress_);
  VolumeOpening result = VolumeOpening::Opened;
  if (!signal.Succeeded()) {
    // The count answers zero files for an empty volume, and the load then fails.
    if (!volume->list().countedNoFiles) {
      return {VolumeOpening::Unreadable, nullptr};
    }
    result = VolumeOpening::Empty;
  }
  Volume* opened = volume.get();
  volumes_[letter] = std::move(volume);
  return {result, opened};
}

std::optional<uint32_t> HandsetConnection::CountFiles(char letter) {
  PhoneFileList counter(handset_, settings_);
  counter.partitionLetter = letter;
  if (counter.CountFiles(false) == 0) {
    return counter.handsetFileCount;
  }
  if (counter.countedNoFiles) {
    return 0;
  }
  return std::nullopt;
}

}  // namespace tollhaven
