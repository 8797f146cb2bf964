#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "link/usb_transport.h"
#include "support/event_log.h"

namespace tollhaven {

// The handset maker's driver: one device I/O control code carries both directions of the
// vendor control transfers, another gives the interface's name.
inline constexpr DWORD kDriverTransferCode = 0x80002014;
inline constexpr DWORD kDriverQueryNameCode = 0x80002010;
// The driver puts four bytes of its own ahead of every reply.
inline constexpr std::size_t kDriverReplyPrefix = 4;
// Output offered to a send (whatever arrives there is ignored), to a receive, to a name query.
inline constexpr DWORD kDriverSendOutputSize = 5;
inline constexpr DWORD kDriverReceiveOutputSize = 4101;
inline constexpr DWORD kDriverNameOutputSize = 261;
// A receive hands the driver the setup packet and the zero byte after it.
inline constexpr DWORD kDriverReceiveInputSize = 9;

// The two calls of a transport operation that reach the driver, as a seam: tests play the
// driver's part (answers, failures, a request that never completes) without one.
class DeviceControl {
 public:
  virtual ~DeviceControl() = default;
  // Issues the request with `overlapped` (whose event is set) as DeviceIoControl does. False when
  // the request failed at once, with the system's error code in `error`; ERROR_IO_PENDING means
  // it is under way.
  virtual bool Request(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output,
                       DWORD outputSize, OVERLAPPED& overlapped, DWORD& error);
  // Waits for `event` as WaitForSingleObject does.
  virtual DWORD Wait(HANDLE event, DWORD timeoutMs);
  // Cancels the requests pending on `device`, as CancelIo does.
  virtual void Cancel(HANDLE device);
};

// The transport over the maker's driver on Windows. Every operation is one overlapped device I/O
// control request with an event of its own, awaited with the operation's time-out. Owns the
// handle: destroying the transport closes it.
class DriverTransport : public UsbTransport {
 public:
  // `control` defaults to the system's calls.
  DriverTransport(HANDLE device, EventLog& log, std::unique_ptr<DeviceControl> control = nullptr);
  ~DriverTransport() override;
  DriverTransport(const DriverTransport&) = delete;
  DriverTransport& operator=(const DriverTransport&) = delete;

  int UsbSend(const uint8_t* buffer, uint32_t& size) override;
  int UsbReceive(uint8_t* buffer, std::size_t capacity, uint32_t& size) override;
  int UsbQueryName(uint16_t selector, std::string& name) override;
  bool DeviceGone() const override { return gone_; }

 private:
  // The common frame: event, request, wait, result. Bytes transferred, or -1 after logging.
  long Exchange(DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
                DWORD timeoutMs);
  void NoteError(DWORD error);

  HANDLE device_;
  EventLog& log_;
  std::unique_ptr<DeviceControl> control_;
  // Reused by every operation; only one runs at a time.
  OVERLAPPED overlapped_{};
  std::array<uint8_t, kDriverReceiveOutputSize> output_{};
  bool gone_ = false;
};

}  // namespace tollhaven
