#pragma once

#include <functional>
#include <memory>

#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_transport.h"
#include "handset/handset.h"
#include "handset/handset_files.h"
#include "handset/phone_file_list.h"
#include "support/clock.h"
#include "support/event_log.h"
#include "support/settings.h"

namespace tollhaven::fuzz {

// The file operations over an in-process simulated handset, with the jobs run on the calling
// thread and a clock that never waits. Put files on `sim`, then Load the list.
struct SimulatedHandsetFiles {
  SimulatedHandsetFiles() {
    link.SetTransport(std::make_unique<EmulatedTransport>(sim, log, clock));
  }

  void Load() { list.FileListWorker(signal); }

  EventLog log;
  ManualClock clock;
  p2ksim::SimulatedHandset sim;
  PhoneLink link{log, clock};
  Handset handset{link};
  Settings settings;
  PhoneFileList list{handset, settings};
  WorkerSignal signal;
  HandsetFiles files{list, log, signal, [](WorkerSignal& worker, std::function<void()> job) {
                       job();
                       return worker.outcome.load();
                     }};
};

}  // namespace tollhaven::fuzz
