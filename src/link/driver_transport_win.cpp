#include "link/driver_transport_win.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tollhaven {

namespace {

constexpr char kEventCreateLine[] = "USB: Event create failed!";
constexpr char kEventResetLine[] = "USB: Event reset failed!";
constexpr char kTimeOutLine[] = "USB: IO Time-out!";
constexpr char kFailedLine[] = "USB: IO Failed!";
constexpr char kAnswerSizeLine[] = "USB: Answer size invlid!";

// What the driver reports once the handset has been unplugged.
bool MeansDeviceGone(DWORD error) {
  return error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_DEV_NOT_EXIST ||
         error == ERROR_FILE_NOT_FOUND || error == ERROR_INVALID_HANDLE;
}

uint32_t Little32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace

bool DeviceControl::Request(HANDLE device, DWORD code, const void* input, DWORD inputSize,
                            void* output, DWORD outputSize, OVERLAPPED& overlapped, DWORD& error) {
  if (DeviceIoControl(device, code, const_cast<void*>(input), inputSize, output, outputSize,
                      nullptr, &overlapped)) {
    return true;
  }
  error = GetLastError();
  return false;
}

DWORD DeviceControl::Wait(HANDLE event, DWORD timeoutMs) {
  return WaitForSingleObject(event, timeoutMs);
}

void DeviceControl::Cancel(HANDLE device) {
  CancelIo(device);
}

DriverTransport::DriverTransport(HANDLE device, EventLog& log,
                                 std::unique_ptr<DeviceControl> control)
    : device_(device), log_(log), control_(std::move(control)) {
  if (!control_) {
    control_ = std::make_unique<DeviceControl>();
  }
}

DriverTransport::~DriverTransport() {
  if (device_ != nullptr && device_ != INVALID_HANDLE_VALUE) {
    CloseHandle(device_);
  }
}

void DriverTransport::NoteError(DWORD error) {
  gone_ = gone_ || MeansDeviceGone(error);
}

long DriverTransport::Exchange(DWORD code, const void* input, DWORD inputSize, void* output,
                               DWORD outputSize, DWORD timeoutMs) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr) {
    log_.AppendLog(kEventCreateLine);
    return -1;
  }
  overlapped_ = OVERLAPPED{};
  overlapped_.hEvent = event;
  if (!ResetEvent(event)) {
    CloseHandle(event);
    log_.AppendLog(kEventResetLine);
    return -1;
  }

  DWORD error = ERROR_SUCCESS;
  if (!control_->Request(device_, code, input, inputSize, output, outputSize, overlapped_, error) &&
      error != ERROR_IO_PENDING) {
    // Refused outright (the handset unplugged, a closed handle): the event would never be
    // signalled, and waiting out the time-out for it would only stall the caller.
    NoteError(error);
    CloseHandle(event);
    log_.AppendLog(kFailedLine);
    return -1;
  }

  if (control_->Wait(event, timeoutMs) != WAIT_OBJECT_0) {
    control_->Cancel(device_);
    CloseHandle(event);
    log_.AppendLog(kTimeOutLine);
    return -1;
  }
  DWORD transferred = 0;
  if (!GetOverlappedResult(device_, &overlapped_, &transferred, FALSE)) {
    NoteError(GetLastError());
    control_->Cancel(device_);
    CloseHandle(event);
    log_.AppendLog(kFailedLine);
    return -1;
  }
  CloseHandle(event);
  return static_cast<long>(transferred);
}

int DriverTransport::UsbSend(const uint8_t* buffer, uint32_t& size) {
  const long transferred = Exchange(kDriverTransferCode, buffer, size, output_.data(),
                                    kDriverSendOutputSize, kUsbSendTimeoutMs);
  if (transferred < 0) {
    return -1;
  }
  size = static_cast<uint32_t>(transferred);
  return 0;
}

int DriverTransport::UsbReceive(uint8_t* buffer, std::size_t capacity, uint32_t& size) {
  output_.fill(0);
  const long transferred = Exchange(kDriverTransferCode, buffer, kDriverReceiveInputSize,
                                    output_.data(), kDriverReceiveOutputSize, kUsbReceiveTimeoutMs);
  if (transferred < 0) {
    return -1;
  }
  if (transferred < static_cast<long>(kDriverReplyPrefix)) {
    log_.AppendLog(kAnswerSizeLine);
    return -1;
  }
  // No more than the output area holds, and no more than the caller's buffer takes.
  std::size_t reply =
      std::min<std::size_t>(static_cast<std::size_t>(transferred), kDriverReceiveOutputSize) -
      kDriverReplyPrefix;
  reply = std::min(reply, capacity);
  std::memcpy(buffer, output_.data() + kDriverReplyPrefix, reply);
  size = static_cast<uint32_t>(reply);
  return 0;
}

int DriverTransport::UsbQueryName(uint16_t selector, std::string& name) {
  const uint8_t input[2] = {static_cast<uint8_t>(selector & 0xff),
                            static_cast<uint8_t>(selector >> 8)};
  uint8_t output[kDriverNameOutputSize] = {};
  const long returned = Exchange(kDriverQueryNameCode, input, sizeof input, output, sizeof output,
                                 kUsbQueryNameTimeoutMs);
  if (returned < 0) {
    return -1;
  }
  if (returned < static_cast<long>(kDriverReplyPrefix)) {
    log_.AppendLog(kAnswerSizeLine);
    return -1;
  }
  // The count, then UTF-16LE characters; only their low bytes make the name. Characters beyond
  // what the driver returned are not read, even when the count claims them.
  const std::size_t fits = (sizeof output - kDriverReplyPrefix) / 2;
  const std::size_t arrived =
      (std::min<std::size_t>(static_cast<std::size_t>(returned), sizeof output) -
       kDriverReplyPrefix) /
      2;
  const std::size_t count = std::min<std::size_t>({Little32(output), fits, arrived});
  name.clear();
  for (std::size_t i = 0; i < count; ++i) {
    const uint8_t low = output[kDriverReplyPrefix + 2 * i];
    const uint8_t high = output[kDriverReplyPrefix + 2 * i + 1];
    if (low == 0 && high == 0) {
      break;
    }
    name.push_back(static_cast<char>(low));
  }
  return 0;
}

}  // namespace tollhaven
