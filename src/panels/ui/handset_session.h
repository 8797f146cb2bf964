#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

#include "handset/handset.h"
#include "handset/handset_files.h"
#include "handset/phone_file_list.h"
#include "link/discovery.h"
#include "link/link_recovery.h"
#include "link/phone_link.h"
#include "support/clock.h"
#include "support/worker_signal.h"

class QWidget;

namespace tollhaven {

class ProgressSink;
class StatusSink;

// How a handset is reached: how it is found (a USB search in the program, the simulated handset
// in the demo and the tests) and the clock that times its waits.
struct HandsetReach {
  std::unique_ptr<Discovery> discovery;
  std::unique_ptr<Clock> clock;
};
// The reach of a handset plugged into this computer.
HandsetReach UsbReach();

// The handset as the panels reach it: how it is found, the link, the file commands and the
// cached file list both panels share. The host's event log, settings, status and progress bars
// serve it; its wait dialogs belong to `dialogOwner`. It looks after the link from the start.
class HandsetSession : public QObject {
  Q_OBJECT

 public:
  HandsetSession(QWidget& dialogOwner, EventLog& log, Settings& settings, StatusSink& status,
                 ProgressSink& progress, HandsetReach reach);

  // A handset was found once; its device stays open from then on.
  bool connected() const { return link_.transport() != nullptr; }
  // Finds the handset (when it is not found yet) and, once it is there, reads its volumes,
  // free space, model and file count into the log and `status`.
  void ConnectAndLoadVolumes(StatusSink& status);
  // Finds the handset when it is not found yet, without reading its volumes.
  void EnsureConnected();

  PhoneLink& link() { return link_; }
  Handset& handset() { return handset_; }
  PhoneFileList& fileList() { return fileList_; }
  WorkerSignal& signal() { return signal_; }
  // Transfers and file changes, each transfer under the window's wait dialog.
  HandsetFiles& files() { return files_; }

  // Set while a patch file runs; the right panel then stays as it is when no handset answers.
  bool patchRunning = false;

  // How often the link is looked after: a handset that stopped answering is let go (the list is
  // forgotten), and while it is away the search runs again until it is back (then its volumes
  // are read; the panels load the list on their next fill).
  static constexpr int kLinkWatchIntervalMs = 1000;
  // One look, as the timer takes it; for tests that do not wait for the timer. Where the
  // system reports USB devices arriving and leaving, each report prompts a look at once.
  void WatchLink();

 private:
  std::unique_ptr<Clock> clock_;
  std::unique_ptr<Discovery> discovery_;
  PhoneLink link_;
  Handset handset_;
  PhoneFileList fileList_;
  WorkerSignal signal_;
  HandsetFiles files_;
  StatusSink& status_;
  LinkRecovery recovery_;
  QTimer linkWatch_;
  // Devices reported gone and not yet compared with the handset's: a worker held the link.
  std::vector<UsbDeviceAddress> departed_;
};

}  // namespace tollhaven
