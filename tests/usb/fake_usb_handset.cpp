#include "tests/usb/fake_usb_handset.h"

// <linux/usbdevice_fs.h> needs the ioctl macros first.
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace tollhaven::testing {

namespace {

constexpr char kDevicePath[] = "/devices/pci0000:00/0000:00:14.0/usb1/1-1";
constexpr uint8_t kInterfaceString = 4;
constexpr uint8_t kStandardIn = 0x80;
constexpr uint8_t kGetDescriptor = 0x06;
constexpr uint8_t kStringDescriptor = 0x03;
constexpr uint8_t kVendorBit = 0x40;

uint16_t Little16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

// Device descriptor and the one configuration: the modem's two interfaces and the test-command
// interface, which alone has a name string.
std::vector<uint8_t> Descriptors(uint8_t testInterface) {
  std::vector<uint8_t> bytes = {18,   0x01, 0x00, 0x02, 0x02, 0x00, 0x00, 64, 0xb8,
                                0x22, 0x01, 0x49, 0x00, 0x00, 1,    2,    0,  1};
  const uint8_t interfaces[3][4] = {{0, 0x02, 0x02, 0x01},  // modem control
                                    {1, 0x0a, 0x00, 0x00},  // modem data
                                    {testInterface, 0xff, 0xff, 0xff}};
  uint16_t total = 9 + 3 * 9;
  std::vector<uint8_t> config = {
      9,    0x02, static_cast<uint8_t>(total & 0xff), static_cast<uint8_t>(total >> 8), 3, 1, 0,
      0x80, 50};
  bytes.insert(bytes.end(), config.begin(), config.end());
  for (const auto& [number, klass, subclass, protocol] : interfaces) {
    uint8_t name = number == testInterface ? kInterfaceString : 0;
    bytes.insert(bytes.end(), {9, 0x04, number, 0, 0, klass, subclass, protocol, name});
  }
  return bytes;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char pair[4];
  for (uint8_t byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    text += pair;
  }
  return text;
}

std::string DeviceNumber(int address) {
  // Room for any int: the optimiser checks the buffer against the whole range, not the 1..127 a
  // USB address takes.
  char digits[16];
  std::snprintf(digits, sizeof digits, "%03d", address);
  return digits;
}

std::string NodeOf(int address) {
  return "/dev/bus/usb/001/" + DeviceNumber(address);
}

std::string InterfacePath(uint8_t number) {
  return std::string(kDevicePath) + "/1-1:1." + std::to_string(number);
}

std::string Interface(uint8_t number, const std::string& extra) {
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02x", number);
  return "P: " + InterfacePath(number) +
         "\nE: DEVTYPE=usb_interface\nE: SUBSYSTEM=usb\nA: bInterfaceNumber=" + hex + "\\n\n" +
         extra + "\n";
}

// The device's address when it is first plugged in; each re-plug takes the next.
constexpr int kFirstAddress = 2;

// The modem port of the device at `address`: ttyACM0 at first. The port of an unplugged device
// that is still held open keeps its number, so the device comes back under the next one.
std::string ModemName(int address) {
  return "ttyACM" + std::to_string(address - kFirstAddress);
}

std::string Description(const FakeUsbHandset::Layout& layout, const std::string& name, int address,
                        const std::string& modem) {
  const std::string number = DeviceNumber(address);
  std::string text;
  if (layout.modemPort) {
    text += std::string("P: ") + kDevicePath + "/1-1:1.1/tty/" + modem + "\nN: " + modem +
            "\nE: DEVNAME=/dev/" + modem + "\nE: SUBSYSTEM=tty\n\n";
  }
  text += Interface(0, "E: DRIVER=cdc_acm\n");
  text += Interface(1, "E: DRIVER=cdc_acm\n");
  text +=
      Interface(layout.testInterface, layout.nameInSysfs ? "A: interface=" + name + "\\n\n" : "");
  text += std::string("P: ") + kDevicePath + "\nN: bus/usb/001/" + number +
          "\nE: DEVNAME=" + NodeOf(address) +
          "\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: SUBSYSTEM=usb\nE: BUSNUM=001\nE: DEVNUM=" +
          number +
          "\nE: PRODUCT=22b8/4901/0\nA: busnum=1\\n\nA: devnum=" + std::to_string(address) +
          "\\n\nA: idVendor=22b8\\n\n"
          "A: idProduct=4901\\n\nA: speed=12\\n\nA: bConfigurationValue=1\\n\n"
          "A: bNumInterfaces= 3\\n\n"
          "H: descriptors=" +
          Hex(Descriptors(layout.testInterface)) + "\n\n";
  return text;
}

}  // namespace

FakeUsbHandset::FakeUsbHandset(p2ksim::SimulatedHandset& handset, Layout layout)
    : handset_(handset), layout_(layout) {
  handset_.SetInterfaceNumber(layout.testInterface);
  testbed_ = umockdev_testbed_new();
  try {
    PlugIn();
  } catch (...) {
    g_object_unref(testbed_);
    throw;
  }
}

FakeUsbHandset::~FakeUsbHandset() {
  {
    std::lock_guard lock(mutex_);
    for (const std::deque<Urb>* queue : {&done_, &pending_}) {
      for (const Urb& urb : *queue) {
        g_object_unref(urb.data);
      }
    }
    done_.clear();
    pending_.clear();
  }
  retired_.emplace_back(node_, handler_);
  for (auto& [node, handler] : retired_) {
    umockdev_testbed_detach_ioctl(testbed_, node.c_str(), nullptr);
    g_object_unref(handler);
  }
  // Removes the testbed's directory under /tmp as well.
  g_object_unref(testbed_);
}

void FakeUsbHandset::PlugIn() {
  if (plugged_) {
    return;
  }
  const int address = address_ == 0 ? kFirstAddress : address_ + 1;
  const std::string node = NodeOf(address);
  if (handler_ != nullptr) {
    // What the handset had queued was lost when it left the bus.
    handset_.Replug();
  }
  UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
  g_signal_connect(handler, "handle-ioctl", G_CALLBACK(&FakeUsbHandset::OnIoctl), this);
  g_signal_connect(handler, "client-connected", G_CALLBACK(&FakeUsbHandset::OnConnected), this);
  // The handler must be in place before the device appears, or the node is a plain file.
  GError* error = nullptr;
  bool attached = umockdev_testbed_attach_ioctl(testbed_, node.c_str(), handler, &error);
  bool ready =
      attached &&
      umockdev_testbed_add_from_string(
          testbed_,
          Description(layout_, handset_.InterfaceName(), address, ModemName(address)).c_str(),
          &error);
  if (!ready) {
    std::string message = error != nullptr ? error->message : "unknown error";
    g_clear_error(&error);
    if (attached) {
      umockdev_testbed_detach_ioctl(testbed_, node.c_str(), nullptr);
    }
    g_object_unref(handler);
    throw std::runtime_error("umockdev testbed: " + message);
  }
  {
    std::lock_guard lock(mutex_);
    if (handler_ != nullptr) {
      retired_.emplace_back(node_, handler_);
    }
    handler_ = handler;
    node_ = node;
    address_ = address;
    plugged_ = true;
  }
  umockdev_testbed_uevent(testbed_, (std::string("/sys") + kDevicePath).c_str(), "add");
}

void FakeUsbHandset::Unplug() {
  if (!plugged_) {
    return;
  }
  {
    std::lock_guard lock(mutex_);
    plugged_ = false;
    // The host controller fails what was still under way; the handles may reap those.
    for (Urb& urb : pending_) {
      auto* submitted = reinterpret_cast<usbdevfs_urb*>(urb.data->data);
      submitted->status = -ESHUTDOWN;
      submitted->actual_length = 0;
      done_.push_back(urb);
    }
    pending_.clear();
    claimedBy_.clear();
  }
  const std::string device = std::string("/sys") + kDevicePath;
  // The uevent is built from the device's sysfs entry, so it goes out while that is still there.
  umockdev_testbed_uevent(testbed_, device.c_str(), "remove");
  // Children first: removing a device leaves its children behind.
  if (layout_.modemPort) {
    umockdev_testbed_remove_device(
        testbed_, ("/sys" + InterfacePath(1) + "/tty/" + ModemName(address_)).c_str());
  }
  for (uint8_t number : {uint8_t{0}, uint8_t{1}, layout_.testInterface}) {
    umockdev_testbed_remove_device(testbed_, ("/sys" + InterfacePath(number)).c_str());
  }
  umockdev_testbed_remove_device(testbed_, device.c_str());
  // umockdev leaves the device nodes behind; a real unplug takes them away.
  gchar* root = umockdev_testbed_get_root_dir(testbed_);
  const std::filesystem::path dev = std::filesystem::path(root) / "dev";
  g_free(root);
  std::error_code error;
  std::filesystem::remove(dev / ModemName(address_), error);
  std::filesystem::remove(dev / node_.substr(5), error);
}

std::string FakeUsbHandset::ModemBytes() {
  int master = umockdev_testbed_get_dev_fd(testbed_, ("/dev/" + ModemName(address_)).c_str());
  if (master < 0) {
    return {};
  }
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  std::string bytes;
  char chunk[256];
  ssize_t got;
  while ((got = read(master, chunk, sizeof chunk)) > 0) {
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return bytes;
}

std::vector<FakeUsbHandset::Setup> FakeUsbHandset::VendorSetups() const {
  std::lock_guard lock(mutex_);
  return vendorSetups_;
}

int FakeUsbHandset::Claims() const {
  std::lock_guard lock(mutex_);
  return claims_;
}

int FakeUsbHandset::Releases() const {
  std::lock_guard lock(mutex_);
  return releases_;
}

int FakeUsbHandset::Opens() const {
  std::lock_guard lock(mutex_);
  return opens_;
}

int FakeUsbHandset::Pending() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(pending_.size());
}

int FakeUsbHandset::Discards() const {
  std::lock_guard lock(mutex_);
  return discards_;
}

gboolean FakeUsbHandset::OnIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client,
                                 gpointer self) {
  return static_cast<FakeUsbHandset*>(self)->HandleIoctl(base, client) ? TRUE : FALSE;
}

void FakeUsbHandset::OnConnected(UMockdevIoctlBase*, UMockdevIoctlClient*, gpointer self) {
  auto* fake = static_cast<FakeUsbHandset*>(self);
  std::lock_guard lock(fake->mutex_);
  ++fake->opens_;
}

bool FakeUsbHandset::HandleIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client) {
  unsigned long request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  std::size_t size = _IOC_SIZE(request);
  bool reap = request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY;
  bool gone;
  {
    std::lock_guard lock(mutex_);
    gone = !plugged_ || base != handler_;
  }
  // As usbfs does for a handle whose device was disconnected: only finished URBs can still be
  // reaped, everything else fails.
  if (gone && !reap) {
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return true;
  }

  if (request == USBDEVFS_DISCARDURB) {
    // The argument is the URB's address in the client: libusb gave up waiting for it.
    unsigned long address = *reinterpret_cast<unsigned long*>(arg->data);
    std::lock_guard lock(mutex_);
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
      if (it->clientAddress == address) {
        auto* urb = reinterpret_cast<usbdevfs_urb*>(it->data->data);
        urb->status = -ENOENT;
        urb->actual_length = 0;
        done_.push_back(*it);
        pending_.erase(it);
        ++discards_;
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
      }
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL);
    return true;
  }

  GError* error = nullptr;
  UMockdevIoctlData* data = size > 0 ? umockdev_ioctl_data_resolve(arg, 0, size, &error) : nullptr;
  if (size > 0 && data == nullptr) {
    g_clear_error(&error);
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return true;
  }

  switch (request) {
    case USBDEVFS_GET_CAPABILITIES:
      *reinterpret_cast<uint32_t*>(data->data) = 0;
      umockdev_ioctl_client_complete(client, 0, 0);
      break;
    case USBDEVFS_CLAIMINTERFACE: {
      // As the kernel does: an interface claimed through one open file is busy for the others.
      unsigned number = *reinterpret_cast<unsigned*>(data->data);
      std::lock_guard lock(mutex_);
      auto owner = claimedBy_.find(number);
      if (owner != claimedBy_.end() && owner->second != client) {
        umockdev_ioctl_client_complete(client, -1, EBUSY);
        break;
      }
      claimedBy_[number] = client;
      ++claims_;
      umockdev_ioctl_client_complete(client, 0, 0);
      break;
    }
    case USBDEVFS_RELEASEINTERFACE: {
      unsigned number = *reinterpret_cast<unsigned*>(data->data);
      std::lock_guard lock(mutex_);
      auto owner = claimedBy_.find(number);
      if (owner == claimedBy_.end() || owner->second != client) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        break;
      }
      claimedBy_.erase(owner);
      ++releases_;
      umockdev_ioctl_client_complete(client, 0, 0);
      break;
    }
    case USBDEVFS_SUBMITURB: {
      auto* urb = reinterpret_cast<usbdevfs_urb*>(data->data);
      if (urb->type != USBDEVFS_URB_TYPE_CONTROL) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        break;
      }
      Urb kept{static_cast<UMockdevIoctlData*>(g_object_ref(data)), data->client_addr, client};
      bool answered = Answer(data);
      {
        std::lock_guard lock(mutex_);
        (answered ? done_ : pending_).push_back(kept);
      }
      umockdev_ioctl_client_complete(client, 0, 0);
      break;
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
      std::lock_guard lock(mutex_);
      auto mine = std::find_if(done_.begin(), done_.end(),
                               [client](const Urb& urb) { return urb.client == client; });
      if (mine == done_.end()) {
        umockdev_ioctl_client_complete(client, -1, gone ? ENODEV : EAGAIN);
        break;
      }
      Urb urb = *mine;
      done_.erase(mine);
      // Hands the client its own URB back, with the reply and status written into it.
      umockdev_ioctl_data_set_ptr(data, 0, urb.data);
      g_object_unref(urb.data);
      umockdev_ioctl_client_complete(client, 0, 0);
      break;
    }
    default:
      // No kernel driver is bound (USBDEVFS_GETDRIVER) and nothing else is supported.
      umockdev_ioctl_client_complete(client, -1, request == USBDEVFS_GETDRIVER ? ENODATA : ENOTTY);
      break;
  }
  if (data != nullptr) {
    g_object_unref(data);
  }
  return true;
}

bool FakeUsbHandset::Answer(UMockdevIoctlData* urbData) {
  auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
  GError* error = nullptr;
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
      urbData, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), &error);
  if (buffer == nullptr || urb->buffer_length < 8) {
    g_clear_error(&error);
    urb->status = -EINVAL;
    return true;
  }
  uint8_t* setup = buffer->data;
  uint16_t length = Little16(setup + 6);
  bool in = (setup[0] & 0x80) != 0;
  p2ksim::TransferStatus status = p2ksim::TransferStatus::Ok;
  std::vector<uint8_t> reply;
  if ((setup[0] & 0x60) == kVendorBit) {
    {
      std::lock_guard lock(mutex_);
      Setup copy;
      std::copy_n(setup, copy.size(), copy.begin());
      vendorSetups_.push_back(copy);
    }
    status = in ? handset_.ControlIn(setup, reply) : handset_.ControlOut(setup, setup + 8, length);
  } else if (!AnswerStandard(setup, reply)) {
    status = p2ksim::TransferStatus::Error;
  }
  urb->actual_length = 0;
  switch (status) {
    case p2ksim::TransferStatus::Timeout:
      g_object_unref(buffer);
      return false;
    case p2ksim::TransferStatus::Error:
      urb->status = -EPIPE;
      break;
    case p2ksim::TransferStatus::Ok:
      urb->status = 0;
      if (in) {
        std::size_t room = static_cast<std::size_t>(urb->buffer_length) - 8;
        std::size_t count = std::min({reply.size(), room, static_cast<std::size_t>(length)});
        std::copy_n(reply.begin(), count, setup + 8);
        urb->actual_length = static_cast<int>(count);
      } else {
        urb->actual_length = length;
      }
      break;
  }
  g_object_unref(buffer);
  return true;
}

bool FakeUsbHandset::AnswerStandard(const uint8_t* setup, std::vector<uint8_t>& reply) {
  if (setup[0] != kStandardIn || setup[1] != kGetDescriptor || setup[3] != kStringDescriptor) {
    return false;
  }
  uint8_t index = setup[2];
  if (index == 0) {
    reply = {4, kStringDescriptor, 0x09, 0x04};  // US English
    return true;
  }
  if (index != kInterfaceString) {
    return false;
  }
  std::string name = handset_.InterfaceName();
  if (layout_.nameStringEndsInZero) {
    name.push_back('\0');
  }
  reply = {static_cast<uint8_t>(2 + 2 * name.size()), kStringDescriptor};
  for (char c : name) {
    reply.push_back(static_cast<uint8_t>(c));
    reply.push_back(0);
  }
  return true;
}

}  // namespace tollhaven::testing
