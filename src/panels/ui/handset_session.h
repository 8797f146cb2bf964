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

namespace tollhaven {

class MainWindow;
class StatusSink;

// The handset as one main window reaches it: how it is found, the link, the file commands and
// the cached file list both panels share. The window's event log, settings and progress bar
// serve it.
class HandsetSession : public QObject {
  Q_OBJECT

 public:
  HandsetSession(MainWindow& window, std::unique_ptr<Discovery> discovery,
                 std::unique_ptr<Clock> clock);

  // The window's session. The first call makes one that looks for a handset on this computer.
  static HandsetSession& Of(MainWindow& window);
  // Gives the window a session that finds its handset through `discovery`, replacing any
  // before it. For a handset other than a USB one (the simulated handset of the demo program
  // and the tests); call it before the handset is first used.
  static HandsetSession& Install(MainWindow& window, std::unique_ptr<Discovery> discovery,
                                 std::unique_ptr<Clock> clock);

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
  MainWindow& window_;
  LinkRecovery recovery_;
  QTimer linkWatch_;
  // Devices reported gone and not yet compared with the handset's: a worker held the link.
  std::vector<UsbDeviceAddress> departed_;
};

}  // namespace tollhaven
