#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli.h"
#include "emulator/simulated_handset.h"
#include "emulator/transport/emulated_transport.h"
#include "forwarding_transport.h"
#include "link/discovery.h"
#include "link/phone_link.h"
#include "support/clock.h"
#include "support/event_log.h"

namespace tollhaven::testing {

// Calls a hook after every command sent, so a test can break the handset in mid-transfer.
class HookedTransport : public ForwardingTransport {
 public:
  HookedTransport(std::unique_ptr<UsbTransport> inner, std::function<void()>& afterSend)
      : ForwardingTransport(std::move(inner)), afterSend_(afterSend) {}
  int UsbSend(const uint8_t* buffer, uint32_t& size) override {
    const int result = ForwardingTransport::UsbSend(buffer, size);
    if (afterSend_) {
      afterSend_();
    }
    return result;
  }

 private:
  std::function<void()>& afterSend_;
};

// Finds the simulated handset the way a platform's discovery finds a real one.
class SimulatedHandsetDiscovery : public Discovery {
 public:
  SimulatedHandsetDiscovery(p2ksim::SimulatedHandset& sim, Clock& clock)
      : sim_(sim), clock_(clock) {}

  int FindModemPort(std::string& port) override {
    if (!modemPort) {
      return -1;
    }
    port = "/dev/ttyACM0";
    return 0;
  }
  int SendModeSwitch(const std::string&) override {
    ++modeSwitches;
    plugged = plugged || appearsAfterSwitch;
    return 0;
  }
  FoundInterface OpenTestInterface(EventLog& log) override {
    FoundInterface found;
    ++searches;
    if (plugged) {
      found.transport = std::make_unique<HookedTransport>(
          std::make_unique<EmulatedTransport>(sim_, log, clock_), afterSend);
      found.interfaceNumber = sim_.InterfaceNumber();
    } else {
      found.accessDenied = accessDenied;
    }
    return found;
  }

  bool plugged = true;
  bool modemPort = false;
  bool appearsAfterSwitch = false;
  bool accessDenied = false;
  int modeSwitches = 0;
  int searches = 0;
  std::function<void()> afterSend;

 private:
  p2ksim::SimulatedHandset& sim_;
  Clock& clock_;
};

// A run of the command-line tool against the simulated handset, in-process: each Run is a
// fresh program (its own link and log) with the same handset and the same clock.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    temp = std::filesystem::path(::testing::TempDir()) /
           (std::string("cli_") + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(temp);
    std::filesystem::create_directories(temp);
  }
  void TearDown() override { std::filesystem::remove_all(temp); }

  int Run(std::vector<std::string> args, bool errIsTerminal = false) {
    link.reset();
    log = std::make_unique<EventLog>();
    link = std::make_unique<PhoneLink>(*log, clock);
    out.str("");
    err.str("");
    cli::CliEnvironment env(*link, discovery, out, err);
    env.errIsTerminal = errIsTerminal;
    env.in = &input;
    env.version = "1.2.3";
    return cli::RunCli(args, env);
  }

  // The file-system sub-commands the handset received so far with this number.
  int Received(int subCommand) const {
    int count = 0;
    for (const auto& command : sim.Received()) {
      count += command.subCommand() == subCommand ? 1 : 0;
    }
    return count;
  }

  static std::vector<uint8_t> Bytes(std::string_view text) {
    return std::vector<uint8_t>(text.begin(), text.end());
  }
  static std::vector<uint8_t> Pattern(std::size_t size, unsigned seed) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
      bytes[i] = static_cast<uint8_t>((i * 31 + seed * 7 + i / 253) & 0xFF);
    }
    return bytes;
  }
  static std::vector<uint8_t> ReadLocal(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  static void WriteLocal(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  // Every file below `directory`, as relative generic paths.
  static std::vector<std::string> LocalTree(const std::filesystem::path& directory) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
      if (entry.is_regular_file()) {
        files.push_back(entry.path().lexically_relative(directory).generic_string());
      }
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  static constexpr int kRead = 0x01;
  static constexpr int kWrite = 0x02;

  ManualClock clock;
  p2ksim::SimulatedHandset sim;
  SimulatedHandsetDiscovery discovery{sim, clock};
  std::unique_ptr<EventLog> log;
  std::unique_ptr<PhoneLink> link;
  std::istringstream input;
  std::ostringstream out;
  std::ostringstream err;
  std::filesystem::path temp;
};

}  // namespace tollhaven::testing
