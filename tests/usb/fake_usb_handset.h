#pragma once

#include <umockdev.h>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "emulator/simulated_handset.h"

namespace tollhaven::testing {

// A handset 22b8:4901 plugged into a umockdev testbed: sysfs carries the device, its modem
// port /dev/ttyACM0 (the next number after each re-plug) and its test-command interface, and
// the device node answers libusb's usbfs requests. Vendor control transfers go to the simulated
// handset; a transfer it never completes stays pending until libusb gives up and discards it.
// It can be unplugged and plugged in again, each time with the uevents a real one makes. Only
// one per process: the testbed redirects /sys and /dev for the whole program.
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

  // As a real unplug: transfers still pending fail with -ESHUTDOWN, every later request on a
  // handle opened before fails with ENODEV, the device leaves sysfs and /dev, and a "remove"
  // uevent tells libudev (and so libusb) about it.
  void Unplug();
  // Plugged in again: the device comes back at the next address (as a real re-plug gets one),
  // with an "add" uevent. Throws when the testbed refuses it.
  void PlugIn();
  bool plugged() const { return plugged_; }
  // The device's address on bus 1 while plugged in.
  int address() const { return address_; }

  // What the device saw.
  using Setup = std::array<uint8_t, 8>;
  std::vector<Setup> VendorSetups() const;  // of every vendor transfer, in order
  int Claims() const;                       // successful ones
  int Releases() const;
  int Opens() const;     // of the device node
  int Discards() const;  // transfers libusb gave up on
  int Pending() const;   // transfers submitted and not yet completed

 private:
  struct Urb {
    UMockdevIoctlData* data;  // the URB as the client submitted it; one reference held
    unsigned long clientAddress;
    UMockdevIoctlClient* client;  // the open file it was submitted through
  };

  static gboolean OnIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client, gpointer self);
  static void OnConnected(UMockdevIoctlBase* base, UMockdevIoctlClient* client, gpointer self);
  bool HandleIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client);
  // Carries out a control URB; false when the device leaves it pending.
  bool Answer(UMockdevIoctlData* urb);
  bool AnswerStandard(const uint8_t* setup, std::vector<uint8_t>& reply);

  p2ksim::SimulatedHandset& handset_;
  Layout layout_;
  UMockdevTestbed* testbed_ = nullptr;
  // The handler of the device node as it is now; those of earlier plug-ins stay alive for the
  // handles still open on them.
  UMockdevIoctlBase* handler_ = nullptr;
  std::vector<std::pair<std::string, UMockdevIoctlBase*>> retired_;
  std::string node_;  // /dev/bus/usb/001/<address>
  int address_ = 0;   // none before the first plug-in
  bool plugged_ = false;

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
