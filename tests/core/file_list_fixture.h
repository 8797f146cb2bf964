#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "forwarding_transport.h"
#include "handset/phone_file_list.h"
#include "simulated_link.h"
#include "support/settings.h"
#include "support/status_sink.h"
#include "support/worker_signal.h"

namespace tollhaven::testing {

// Answers chosen commands with scripted data: before the n-th command (1 = the first sent
// through this transport) goes out, the simulated handset is told how to answer it.
class ScriptingTransport : public ForwardingTransport {
 public:
  ScriptingTransport(p2ksim::SimulatedHandset& sim, std::unique_ptr<UsbTransport> inner)
      : ForwardingTransport(std::move(inner)), sim_(sim) {}
  int UsbSend(const uint8_t* buffer, uint32_t& size) override {
    auto script = scripts.find(++commands_);
    if (script != scripts.end()) {
      if (script->second) {
        sim_.ScriptNextAnswer(*script->second);
      } else {
        sim_.ScriptNextAnswerNoData();
      }
    }
    return ForwardingTransport::UsbSend(buffer, size);
  }

  // Command number -> the answer's data (status 8), or nullopt for status 6 without data.
  std::map<int, std::optional<std::vector<uint8_t>>> scripts;

 private:
  p2ksim::SimulatedHandset& sim_;
  int commands_ = 0;
};

// Keeps the last text of each status-bar part.
struct RecordingStatus : StatusSink {
  void SetStatusText(int part, std::string_view text) override { parts[part] = std::string(text); }
  std::map<int, std::string> parts;
};

// A simulated handset, its link and a file list, with a transport that can script answers.
struct FileListFixture {
  FileListFixture() {
    auto scripting = std::make_unique<ScriptingTransport>(
        s.sim, std::make_unique<EmulatedTransport>(s.sim, s.log, s.clock));
    scripting_ = scripting.get();
    s.transport = nullptr;  // the recording transport is replaced
    s.link.SetTransport(std::move(scripting));
  }

  // Runs the file-list worker on its own thread, as the panels do, and waits for it; the load
  // steps s.progress, or `progress`.
  void Load() { Load(s.progress); }
  void Load(ProgressSink& progress) {
    std::thread worker([this, &progress] { list.FileListWorker(signal, progress); });
    worker.join();
  }

  // How the handset answers the n-th command sent through the fixture (1 = the first).
  void Script(int command, std::optional<std::vector<uint8_t>> data) {
    scripting_->scripts[command] = std::move(data);
  }

  // Sub-commands of the file-system commands the handset received, in order.
  std::vector<int> SubCommands() const {
    std::vector<int> result;
    for (const auto& command : s.sim.Received()) {
      result.push_back(command.subCommand());
    }
    return result;
  }

  SimulatedLink s;
  Settings settings;
  PhoneFileList list{s.handset, settings};
  WorkerSignal signal;

 private:
  ScriptingTransport* scripting_ = nullptr;
};

}  // namespace tollhaven::testing
