// The window over the real USB path (its handset session over the Linux discovery and libusb,
// a fake device made with umockdev) notices the handset unplugged and lists it again once it is
// plugged back in, while the program runs. Runs under umockdev-wrapper.

// Before any Qt header: GLib names a struct member "signals", which Qt defines as a macro.
#include "tests/usb/fake_usb_handset.h"

#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/control_ids.h"
#include "handset_window_fixture.h"
#include "link/discovery.h"
#include "link/platform_discovery.h"
#include "panels/ui/handset_session.h"
#include "support/clock.h"

using namespace tollhaven;
using namespace tollhaven::testing;

namespace {

constexpr char kLostLine[] =
    "Handset disconnected. The file list is loaded again once the handset is back.";
constexpr char kBackLine[] = "Handset connected again.";
// Room for a busy machine; the waits end as soon as the line is there.
constexpr int kEventWaitMs = 5000;

// The platform's discovery as it is where the system reports no hot-plug events: the periodic
// search alone must then find the handset again.
class WithoutHotplug : public Discovery {
 public:
  explicit WithoutHotplug(std::unique_ptr<Discovery> inner) : inner_(std::move(inner)) {}
  int FindModemPort(std::string& port) override { return inner_->FindModemPort(port); }
  int SendModeSwitch(const std::string& port) override { return inner_->SendModeSwitch(port); }
  FoundInterface OpenTestInterface(EventLog& log) override {
    return inner_->OpenTestInterface(log);
  }

 private:
  std::unique_ptr<Discovery> inner_;
};

// A main window whose handset is the fake USB device.
struct UsbWindow {
  explicit UsbWindow(bool hotplug) : test(QuietSettings(), {}, Reach(hotplug)) {
    sim.SetVolumes({"/a"});
    sim.AddFile("/a/ring.mp3", std::vector<uint8_t>(1234));
  }

  static HandsetReach Reach(bool hotplug) {
    std::unique_ptr<Discovery> discovery = PlatformDiscovery();
    if (!hotplug) {
      discovery = std::make_unique<WithoutHotplug>(std::move(discovery));
    }
    return {std::move(discovery), std::make_unique<ManualClock>()};
  }

  long Count(const std::string& line) const {
    const std::vector<std::string> lines = window.eventLog().Lines();
    return std::count(lines.begin(), lines.end(), line);
  }
  // The device address the session's link has open; 0 when none.
  int OpenAddress() const {
    UsbTransport* transport = session->link().transport();
    return transport != nullptr ? transport->DeviceAddress().value_or(UsbDeviceAddress{}).address
                                : 0;
  }

  p2ksim::SimulatedHandset sim;
  // The device outlives the window, whose link holds a handle on it.
  std::unique_ptr<FakeUsbHandset> fake =
      std::make_unique<FakeUsbHandset>(sim, FakeUsbHandset::Layout{});
  WindowUnderTest test;
  MainWindow& window = *test.window;
  HandsetSession* session = &window.handsetSession();
};

}  // namespace

class LinkRecoveryUsbTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    const char* preload = std::getenv("LD_PRELOAD");
    QVERIFY2(preload != nullptr && std::string(preload).find("umockdev") != std::string::npos,
             "run under umockdev-wrapper");
  }

  // Hot-plug events alone: the periodic look is stopped and no command is sent while the handset
  // is away, so nothing else can notice it gone or find it back.
  void unplugAndReplugAreNoticedAtOnce() {
    UsbWindow u(true);
    QVERIFY(u.session->findChild<QObject*>(QStringLiteral("hotplugNotifier")) != nullptr);
    Choose(u.window, kRight, 0);
    Activate(u.window, kRight, QStringLiteral("a"));
    QVERIFY(Names(u.window, kRight).contains(QStringLiteral("ring.mp3")));
    const int firstAddress = u.OpenAddress();
    QCOMPARE(firstAddress, u.fake->address());
    auto* timer = u.session->findChild<QTimer*>(QStringLiteral("linkWatchTimer"));
    QVERIFY(timer != nullptr);
    timer->stop();
    const std::size_t sent = u.fake->VendorSetups().size();

    u.fake->Unplug();
    QTRY_COMPARE_WITH_TIMEOUT(u.Count(kLostLine), 1L, kEventWaitMs);
    QVERIFY(!u.session->connected());
    QCOMPARE(u.session->fileList().fileListLoaded, 0);
    QCOMPARE(u.fake->VendorSetups().size(), sent);

    u.fake->PlugIn();
    QTRY_COMPARE_WITH_TIMEOUT(u.Count(kBackLine), 1L, kEventWaitMs);
    QVERIFY(u.session->connected());
    QVERIFY(u.fake->address() != firstAddress);
    QCOMPARE(u.OpenAddress(), u.fake->address());
    u.window.OnCommand(ids::kRightRereadButton);
    QCOMPARE(u.session->fileList().fileListLoaded, 1);
    QVERIFY(Names(u.window, kRight).contains(QStringLiteral("ring.mp3")));
    QCOMPARE(u.Count(kLostLine), 1L);
  }

  // Without hot-plug events: commands to the unplugged device fail, the periodic look lets it
  // go, and the same look finds it again once it is back.
  void unplugAndReplugAreFoundByThePeriodicLook() {
    UsbWindow u(false);
    QVERIFY(u.session->findChild<QObject*>(QStringLiteral("hotplugNotifier")) == nullptr);
    Choose(u.window, kRight, 0);
    Activate(u.window, kRight, QStringLiteral("a"));
    QVERIFY(Names(u.window, kRight).contains(QStringLiteral("ring.mp3")));
    const int firstAddress = u.OpenAddress();
    // The same look, only more often, so that the test does not wait whole seconds for it.
    auto* timer = u.session->findChild<QTimer*>(QStringLiteral("linkWatchTimer"));
    QVERIFY(timer != nullptr);
    timer->setInterval(HandsetSession::kLinkWatchIntervalMs / 10);

    u.fake->Unplug();
    // Its commands fail at once now. Enough of them, and the next look lets it go; none after
    // that, or the panel would leave the handset that is not there.
    for (int i = 0; i < 2 * PhoneLink::kLinkLostAfter && u.Count(kLostLine) == 0 &&
                    !u.session->link().LinkLost();
         ++i) {
      u.window.OnCommand(ids::kRightRereadButton);
    }
    QTRY_COMPARE_WITH_TIMEOUT(u.Count(kLostLine), 1L, kEventWaitMs);
    QVERIFY(!u.session->connected());
    QCOMPARE(u.session->fileList().fileListLoaded, 0);

    u.fake->PlugIn();
    QTRY_COMPARE_WITH_TIMEOUT(u.Count(kBackLine), 1L, kEventWaitMs);
    QCOMPARE(u.OpenAddress(), u.fake->address());
    QVERIFY(u.OpenAddress() != firstAddress);
    u.window.OnCommand(ids::kRightRereadButton);
    QCOMPARE(u.session->fileList().fileListLoaded, 1);
    QVERIFY(Names(u.window, kRight).contains(QStringLiteral("ring.mp3")));
  }
};

QTEST_MAIN(LinkRecoveryUsbTest)
#include "link_recovery_usb_test.moc"
