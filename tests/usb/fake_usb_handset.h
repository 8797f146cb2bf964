#pragma once

#include <umockdev.h>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/simulated_handset.h"

namespace tollhaven::testing {

// A handset 22b8:4901 plugged into a umockdev testbed: sysfs carries the device, its modem
// port /dev/ttyACM0 and its test-command interface, and the device node answers libusb's usbfs
// requests. Vendor control transfers go to the simulated handset; a transfer it never
// completes stays pending until libusb gives up and discards it. Only one per process: the
// testbed redirects /sys and /dev for the whole program.
class FakeUsbHandset {
 public:
  struct Layout {
    uint8_t testInterface = 8;
    // Whether sysfs shows the interface's name; without it the name must come from the device.
    bool nameInSysfs = true;
    bool modemPort = true;
    // Some devices count a terminating zero character into their name string.
    bool nameStringEndsInZero = false;
  };

  FakeUsbHandset(p2ksim::SimulatedHandset& handset, Layout layout);
  ~FakeUsbHandset();
  FakeUsbHandset(const FakeUsbHandset&) = delete;
  FakeUsbHandset& operator=(const FakeUsbHandset&) = delete;

  // Everything written to the modem port so far (read from the other end of its pty).
  std::string ModemBytes();

  // What the device saw.
  using Setup = std::array<uint8_t, 8>;
  std::vector<Setup> VendorSetups() const;  // of every vendor transfer, in order
  int Claims() const;                       // successful ones
  int Releases() const;
  int Opens() const;     // of the device node
  int Discards() const;  // transfers libusb gave up on

 private:
  struct Urb {
    UMockdevIoctlData* data;  // the URB as the client submitted it; one reference held
    unsigned long clientAddress;
  };

  static gboolean OnIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client, gpointer self);
  static void OnConnected(UMockdevIoctlBase* base, UMockdevIoctlClient* client, gpointer self);
  bool HandleIoctl(UMockdevIoctlClient* client);
  // Carries out a control URB; false when the device leaves it pending.
  bool Answer(UMockdevIoctlData* urb);
  bool AnswerStandard(const uint8_t* setup, std::vector<uint8_t>& reply);

  p2ksim::SimulatedHandset& handset_;
  Layout layout_;
  UMockdevTestbed* testbed_ = nullptr;
  UMockdevIoctlBase* handler_ = nullptr;

  mutable std::mutex mutex_;
  std::deque<Urb> done_;     // ready to be reaped
  std::deque<Urb> pending_;  // submitted, never completed
  std::vector<Setup> vendorSetups_;
  int claims_ = 0;
  int releases_ = 0;
  int opens_ = 0;
  std::map<unsigned, UMockdevIoctlClient*> claimedBy_;
  int discards_ = 0;
};

}  // namespace tollhaven::testing
