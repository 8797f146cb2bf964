#pragma once

// The maker's driver played by a test: it records every request the transport makes and answers
// as told, by default as the simulated handset would over USB.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/simulated_handset.h"
#include "link/driver_transport_win.h"

namespace tollhaven::testing {

// The completion status Windows gives a request whose device was unplugged.
inline constexpr ULONG_PTR kStatusDeviceNotConnected = 0xC000009D;
inline constexpr ULONG_PTR kStatusUnsuccessful = 0xC0000001;

struct DriverRequest {
  DWORD code = 0;
  std::vector<uint8_t> input;
  DWORD outputSize = 0;
};

// How the driver deals with one request.
struct DriverReply {
  enum class Kind { Completes, NeverCompletes, RefusedAtOnce };
  Kind kind = Kind::Completes;
  std::vector<uint8_t> output;  // written to the output area (cut at its size)
  // Bytes reported transferred; the size of `output` when not given.
  std::optional<DWORD> transferred;
  ULONG_PTR status = 0;             // the completion's NTSTATUS
  DWORD error = ERROR_GEN_FAILURE;  // for RefusedAtOnce
};

struct DriverRecord {
  std::vector<DriverRequest> requests;
  std::vector<DWORD> waits;  // the time-out of every wait
  int cancels = 0;
  std::function<DriverReply(const DriverRequest&)> answer;
};

class FakeDriver : public DeviceControl {
 public:
  explicit FakeDriver(std::shared_ptr<DriverRecord> record) : record_(std::move(record)) {}

  bool Request(HANDLE, DWORD code, const void* input, DWORD inputSize, void* output,
               DWORD outputSize, OVERLAPPED& overlapped, DWORD& error) override {
    DriverRequest request{code, {}, outputSize};
    const auto* bytes = static_cast<const uint8_t*>(input);
    request.input.assign(bytes, bytes + inputSize);
    record_->requests.push_back(request);
    const DriverReply reply = record_->answer(request);
    switch (reply.kind) {
      case DriverReply::Kind::RefusedAtOnce:
        error = reply.error;
        return false;
      case DriverReply::Kind::NeverCompletes:
        error = ERROR_IO_PENDING;
        return false;
      case DriverReply::Kind::Completes:
        break;
    }
    std::memcpy(output, reply.output.data(),
                std::min<std::size_t>(reply.output.size(), outputSize));
    overlapped.Internal = reply.status;
    overlapped.InternalHigh = reply.transferred.value_or(static_cast<DWORD>(reply.output.size()));
    SetEvent(overlapped.hEvent);
    error = ERROR_IO_PENDING;
    return false;
  }

  DWORD Wait(HANDLE event, DWORD timeoutMs) override {
    record_->waits.push_back(timeoutMs);
    // The real wait, without its time: a request that never completes leaves the event clear.
    return WaitForSingleObject(event, 0);
  }

  void Cancel(HANDLE) override { ++record_->cancels; }

 private:
  std::shared_ptr<DriverRecord> record_;
};

// The four bytes the driver puts ahead of each reply, then the reply.
inline std::vector<uint8_t> WithDriverPrefix(const std::vector<uint8_t>& reply) {
  std::vector<uint8_t> output = {0xde, 0xad, 0xbe, 0xef};
  output.insert(output.end(), reply.begin(), reply.end());
  return output;
}

// The name query's answer: a 32-bit count, then UTF-16LE characters.
inline std::vector<uint8_t> NameAnswer(const std::u16string& characters, uint32_t count) {
  std::vector<uint8_t> output = {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
                                 static_cast<uint8_t>(count >> 16),
                                 static_cast<uint8_t>(count >> 24)};
  for (char16_t c : characters) {
    output.push_back(static_cast<uint8_t>(c & 0xff));
    output.push_back(static_cast<uint8_t>(c >> 8));
  }
  return output;
}

// The driver in front of the simulated handset: control transfers in both directions and the
// interface's name.
inline std::function<DriverReply(const DriverRequest&)> PlaySimulatedHandset(
    p2ksim::SimulatedHandset& handset) {
  return [&handset](const DriverRequest& request) {
    DriverReply reply;
    if (request.code == kDriverQueryNameCode) {
      const std::string name = handset.InterfaceName();
      reply.output =
          NameAnswer(std::u16string(name.begin(), name.end()), static_cast<uint32_t>(name.size()));
      return reply;
    }
    const uint8_t* setup = request.input.data();
    if (request.input.size() < 8) {
      reply.status = kStatusUnsuccessful;
      return reply;
    }
    p2ksim::TransferStatus status;
    std::vector<uint8_t> data;
    if ((setup[0] & 0x80) != 0) {
      status = handset.ControlIn(setup, data);
      reply.output = WithDriverPrefix(data);
    } else {
      // Like a host controller, the data stage the setup packet announces.
      const std::size_t announced = static_cast<std::size_t>(setup[6] | (setup[7] << 8));
      status = handset.ControlOut(setup, setup + 8, std::min(announced, request.input.size() - 8));
      reply.output = WithDriverPrefix({});
      reply.transferred = static_cast<DWORD>(request.input.size());
    }
    if (status != p2ksim::TransferStatus::Ok) {
      reply.output.clear();
      reply.transferred = 0;
      reply.status = kStatusUnsuccessful;
    }
    return reply;
  };
}

// A handle the transport may cancel on and close: the null device.
inline HANDLE OpenNullDevice() {
  return CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, 0, nullptr);
}

}  // namespace tollhaven::testing
