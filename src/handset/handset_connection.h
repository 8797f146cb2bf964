#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "handset/handset.h"
#include "handset/handset_files.h"
#include "handset/phone_file_list.h"
#include "link/discovery.h"
#include "link/link_recovery.h"
#include "link/phone_link.h"
#include "support/progress_sink.h"
#include "support/settings.h"
#include "support/status_sink.h"

namespace tollhaven {

// A file of the handset as the list holds it, copied out (the list's block moves as it grows).
struct HandsetFile {
  std::string path;  // the full handset path, bytes as the handset gave them
  uint32_t size = 0;
  uint32_t attributeField = 0;

  uint16_t AttributeWord() const { return static_cast<uint16_t>(attributeField >> 8); }
  uint8_t Owner() const { return static_cast<uint8_t>(attributeField >> 24); }
  std::string Name() const { return path.substr(path.rfind('/') + 1); }
  std::string Directory() const { return path.substr(0, path.rfind('/') + 1); }
};

// One volume: its file list, loaded once, and the file operations that keep it in step.
class Volume {
 public:
  // `progress` follows the volume's transfers and list loads.
  Volume(Handset& handset, Settings& settings, EventLog& log, char letter,
         ProgressSink& progress = NoProgress());

  PhoneFileList& list() { return list_; }
  HandsetFiles& files() { return files_; }
  char letter() const { return list_.partitionLetter; }

  // The file named exactly `path`, when the list holds it.
  std::optional<HandsetFile> File(std::string_view path) const;
  // True for the volume itself and for every directory the list has a file below.
  bool IsDirectory(std::string_view path) const;
  // Every file below the directory `path` (no trailing "/"), deepest included, in list order.
  std::vector<HandsetFile> FilesBelow(std::string_view path) const;

 private:
  WorkerSignal signal_;
  PhoneFileList list_;
  HandsetFiles files_;
};

// What opening a volume came to.
enum class VolumeOpening {
  Opened,        // its list is loaded
  Empty,         // the handset holds no file on it: an empty list, ready for uploads
  NoSuchVolume,  // the handset reported no such volume
  Unreadable,    // its list could not be read (the log says why)
};

// The connected handset of one run: the link, the volume information and a volume object for
// each volume a command reaches.
class HandsetConnection {
 public:
  // `progress` follows every transfer and list load of the run (none by default).
  HandsetConnection(PhoneLink& link, Settings& settings, ProgressSink& progress = NoProgress());
  // The same, with a discovery of its own (which must outlive the connection) that finds the
  // handset and, from then on, finds it again when it was lost: commands over a lost link fail
  // at once instead of waiting for an answer.
  HandsetConnection(PhoneLink& link, Settings& settings, Discovery& discovery,
                    ProgressSink& progress = NoProgress());

  // Connects as the window does and reads the volume information. False when no handset was
  // found (the log says why).
  bool Connect(Discovery& discovery);
  // The same through the connection's own discovery; false without one.
  bool Connect();

  // One look after the link, for a connection with a discovery of its own; call it now and
  // then, never while one of its operations runs. A handset that stopped answering is let go
  // and the lists of the volumes are forgotten, so that each is fetched afresh when next
  // opened (Lost); one that is back is connected again and its volume information read (Back).
  // None without a discovery of its own.
  LinkChange LookAfterLink();
  // The system reported `device` gone: when it is the handset's, as a Lost of LookAfterLink.
  LinkChange DeviceLeft(const UsbDeviceAddress& device);

  // The volume's list, fetched on first use. nullptr, with `error` set, when the handset has no
  // such volume or its list cannot be read.
  Volume* Open(char letter, std::string& error);
  // The same with the reason as a value; `volume` is null for NoSuchVolume and Unreadable.
  struct Opening {
    VolumeOpening result = VolumeOpening::Unreadable;
    Volume* volume = nullptr;
  };
  Opening OpenVolume(char letter);

  // The number of files on a volume (0 for an empty one), without fetching its list; nullopt
  // when the handset does not tell.
  std::optional<uint32_t> CountFiles(char letter);

  // Asks the handset for its free space again, about the volume the connect asked about, so
  // that the uploads of a command are checked against a fresh figure. False when it does not
  // tell (the uploads then go unchecked).
  bool RefreshFreeSpace();

  // The volume letters the handset reported, in its order.
  const std::string& volumeLetters() const { return letters_; }
  // A status-bar text of the volume information (0 space, 1 volumes, 2 files, 3 model), without
  // its label; empty when it was not read.
  std::string StatusValue(int part) const;
  bool volumesRead() const { return status_.parts.count(1) != 0; }

  Handset& handset() { return handset_; }
  PhoneLink& link() { return link_; }
  Settings& settings() { return settings_; }

 private:
  struct RecordingStatus : StatusSink {
    void SetStatusText(int part, std::string_view text) override {
      parts[part] = std::string(text);
    }
    std::map<int, std::string> parts;
  };

  // Reads the volumes, free space, model and file count, and the volume letters from them.
  void ReadVolumeInfo();
  // After a Lost: every volume's list is let go.
  LinkChange Forget(LinkChange change);

  PhoneLink& link_;
  Settings& settings_;
  ProgressSink& progress_;
  Discovery* discovery_ = nullptr;
  std::optional<LinkRecovery> recovery_;
  Handset handset_;
  RecordingStatus status_;
  std::string letters_;
  std::array<uint8_t, kVolumeBufferSize> volumeNames_{};
  std::map<char, std::unique_ptr<Volume>> volumes_;
};

}  // namespace tollhaven
