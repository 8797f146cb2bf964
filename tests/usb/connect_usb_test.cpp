// The real path to a handset: Linux discovery in sysfs, libusb, usbfs requests, answered by a
// fake USB device (umockdev) that hands the control transfers to the simulated handset.
// Runs under umockdev-wrapper.

#include <gtest/gtest.h>
#include <termios.h>
#include <umockdev.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "emulator/simulated_handset.h"
#include "handset/handset.h"
#include "link/connect.h"
#include "link/discovery_linux.h"
#include "support/clock.h"
#include "support/event_log.h"
#include "tests/usb/fake_usb_handset.h"

namespace tollhaven {
namespace {

using testing::FakeUsbHandset;

constexpr char kConnected[] = "Usb p2k device found, phone connected !";

// A serial port usually turns "\n" into "\r\n" on output; set it up that way, as the kernel
// does for a freshly plugged modem, so the test sees what such a port would send.
void MakeOutputCooked(const char* port) {
  int fd = open(port, O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios settings{};
  ASSERT_EQ(tcgetattr(fd, &settings), 0);
  settings.c_oflag |= OPOST | ONLCR;
  ASSERT_EQ(tcsetattr(fd, TCSANOW, &settings), 0);
  close(fd);
}

class UsbHandsetTest : public ::testing::Test {
 protected:
  void Plug(FakeUsbHandset::Layout layout) {
    const char* preload = std::getenv("LD_PRELOAD");
    ASSERT_TRUE(preload != nullptr && std::string(preload).find("umockdev") != std::string::npos)
        << "run under umockdev-wrapper";
    fake = std::make_unique<FakeUsbHandset>(sim, layout);
  }

  // Every vendor transfer the device saw went to interface `number`.
  void ExpectAllAddressed(uint16_t number) {
    std::vector<FakeUsbHandset::Setup> setups = fake->VendorSetups();
    ASSERT_FALSE(setups.empty());
    for (const FakeUsbHandset::Setup& setup : setups) {
      EXPECT_EQ(setup[4] | (setup[5] << 8), number);
    }
  }

  p2ksim::SimulatedHandset sim;
  // Declared before the link, so the device outlives the handle that the link holds.
  std::unique_ptr<FakeUsbHandset> fake;
  EventLog log;
  ManualClock clock;
  PhoneLink link{log, clock};
  Handset handset{link};
  LinuxDiscovery discovery;
};

TEST_F(UsbHandsetTest, ConnectSwitchesModeWaitsAndOpensInterfaceEight) {
  Plug({});
  MakeOutputCooked("/dev/ttyACM0");
  sim.SetVolumes({"/a", "/b"});

  Connect(link, discovery);

  EXPECT_EQ(fake->ModemBytes(), std::string("at+mode=8\r\n", 11));
  EXPECT_EQ(clock.TotalSlept(), 5000u);
  EXPECT_EQ(log.Lines(), std::vector<std::string>{kConnected});
  EXPECT_EQ(link.handsetConnected, 1);
  EXPECT_EQ(link.testInterface, 8);
  EXPECT_EQ(fake->Opens(), 1);
  EXPECT_EQ(fake->Claims(), 1);
  ASSERT_NE(link.transport(), nullptr);
  std::string name;
  EXPECT_EQ(link.transport()->UsbQueryName(2, name), 0);
  EXPECT_EQ(name, "Motorola Test Command");

  uint8_t volumes[kVolumeBufferSize] = {};
  ASSERT_EQ(handset.PhoneVolumes(volumes), 0);
  const uint8_t slashA[] = {0x00, '/', 0x00, 'a'};
  EXPECT_TRUE(std::equal(std::begin(slashA), std::end(slashA), volumes));
  ExpectAllAddressed(8);
}

TEST_F(UsbHandsetTest, FileWrittenThroughLibusbReadsBackByteExact) {
  Plug({});
  Connect(link, discovery);
  ASSERT_EQ(link.handsetConnected, 1);

  std::vector<uint8_t> contents(3000);
  for (std::size_t i = 0; i < contents.size(); ++i) {
    contents[i] = static_cast<uint8_t>((i * 7 + i / 256) & 0xFF);
  }
  ASSERT_EQ(handset.PhoneOpen("/a/skin.bin", 4), 0);
  ASSERT_EQ(handset.PhoneWrite(contents.data(), 3000), 0);
  ASSERT_EQ(handset.PhoneClose(), 0);
  ASSERT_TRUE(sim.File("/a/skin.bin").has_value());
  EXPECT_EQ(sim.File("/a/skin.bin")->contents, contents);

  std::vector<uint8_t> back(3000);
  ASSERT_EQ(handset.PhoneOpen("/a/skin.bin", 0), 0);
  ASSERT_EQ(handset.PhoneRead(back.data(), 3000), 0);
  ASSERT_EQ(handset.PhoneClose(), 0);
  EXPECT_EQ(back, contents);
}

TEST_F(UsbHandsetTest, TransferNeverAnsweredTimesOutAndTheNextCommandWorks) {
  Plug({});
  Connect(link, discovery);
  ASSERT_EQ(link.handsetConnected, 1);
  uint8_t volumes[kVolumeBufferSize] = {};

  // The send of the next command never completes: libusb discards it after one second.
  sim.TimeOutTransfer(1);
  EXPECT_EQ(handset.PhoneVolumes(volumes), -1);
  std::vector<std::string> lines = log.Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], "USB: IO Time-out!");
  EXPECT_EQ(lines[2], "CMD: Data write fail!");
  EXPECT_EQ(fake->Discards(), 1);

  EXPECT_EQ(handset.PhoneVolumes(volumes), 0);
}

TEST_F(UsbHandsetTest, InterfaceAtAnotherNumberIsAddressedByThatNumber) {
  // A later handset: the interface sits at 5 and sysfs does not show its name, so the name
  // comes from the device's string descriptor, which counts a zero character into the name.
  // No modem port: no mode switch, no wait.
  Plug(
      {.testInterface = 5, .nameInSysfs = false, .modemPort = false, .nameStringEndsInZero = true});

  Connect(link, discovery);

  EXPECT_EQ(log.Lines(), std::vector<std::string>{kConnected});
  EXPECT_EQ(clock.TotalSlept(), 0u);
  EXPECT_EQ(link.testInterface, 5);
  // The modem's interfaces have no name string: the device is opened once, for interface 5.
  EXPECT_EQ(fake->Opens(), 1);
  uint8_t volumes[kVolumeBufferSize] = {};
  EXPECT_EQ(handset.PhoneVolumes(volumes), 0);
  ExpectAllAddressed(5);
}

TEST_F(UsbHandsetTest, ReceiveNeverAsksForMoreThanTheCallerCanHold) {
  Plug({});
  Connect(link, discovery);
  ASSERT_NE(link.transport(), nullptr);
  // A poll setup announcing 4096 bytes, in a buffer of 8.
  uint8_t buffer[8] = {0xC1, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x10};
  uint32_t size = 0;
  EXPECT_EQ(link.transport()->UsbReceive(buffer, sizeof buffer, size), 0);
  EXPECT_LE(size, sizeof buffer);
  FakeUsbHandset::Setup asked = fake->VendorSetups().back();
  EXPECT_EQ(asked[6] | (asked[7] << 8), 8);
}

TEST_F(UsbHandsetTest, ConnectingAgainKeepsTheWorkingHandle) {
  Plug({});
  Connect(link, discovery);
  UsbTransport* first = link.transport();

  // The interface is still claimed through the first handle, so the new one cannot have it.
  Connect(link, discovery);
  EXPECT_EQ(link.transport(), first);
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{kConnected, kConnected}));
  EXPECT_EQ(fake->Opens(), 2);
  EXPECT_EQ(fake->Claims(), 1);
  uint8_t volumes[kVolumeBufferSize] = {};
  EXPECT_EQ(handset.PhoneVolumes(volumes), 0);

  // Dropping the transport gives the interface back.
  link.SetTransport(nullptr);
  EXPECT_EQ(fake->Releases(), 1);
}

// As a real unplug: the transfer under way fails at once instead of after its time-out, every
// later one fails too, and the device plugged in again is found at its new address.
TEST_F(UsbHandsetTest, UnplugFailsTheTransferUnderWayAndTheReplugIsFoundAgain) {
  Plug({});
  Connect(link, discovery);
  ASSERT_NE(link.transport(), nullptr);
  const int firstAddress = fake->address();

  sim.TimeOutTransfer(1);  // the next poll is never answered
  std::thread unplug([this] {
    while (fake->Pending() == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    fake->Unplug();
  });
  const auto start = std::chrono::steady_clock::now();
  uint8_t poll[12] = {0xC1, 0x00, 0x00, 0x00, 0x08, 0x00, 0x08, 0x00};
  uint32_t size = 0;
  EXPECT_EQ(link.transport()->UsbReceive(poll, sizeof poll, size), -1);
  unplug.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(kUsbReceiveTimeoutMs / 4));
  EXPECT_EQ(log.Lines().back(), "USB: IO Failed!");
  EXPECT_EQ(fake->Discards(), 0);
  // Known as gone, so no command waits for an answer from it.
  EXPECT_TRUE(link.transport()->DeviceGone());

  uint8_t volumes[kVolumeBufferSize] = {};
  EXPECT_EQ(handset.PhoneVolumes(volumes), -1);
  const std::vector<std::string> lines = log.Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "USB: IO Failed!");

  fake->PlugIn();
  Connect(link, discovery);
  ASSERT_NE(link.transport(), nullptr);
  EXPECT_NE(fake->address(), firstAddress);
  EXPECT_EQ(link.transport()->DeviceAddress(), (UsbDeviceAddress{1, fake->address()}));
  EXPECT_FALSE(link.transport()->DeviceGone());
  EXPECT_EQ(handset.PhoneVolumes(volumes), 0);
}

}  // namespace
}  // namespace tollhaven
