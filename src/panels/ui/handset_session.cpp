#include "panels/ui/handset_session.h"

#include <QApplication>
#include <utility>

#include "link/connect.h"
#include "link/platform_discovery.h"
#include "panels/ui/hotplug_notifier.h"
#include "support/status_sink.h"
#include "support/ui/wait_dialog.h"

namespace tollhaven {

HandsetReach UsbReach() {
  return {PlatformDiscovery(), std::make_unique<SystemClock>()};
}

HandsetSession::HandsetSession(QWidget& dialogOwner, EventLog& log, Settings& settings,
                               StatusSink& status, ProgressSink& progress, HandsetReach reach)
    : clock_(std::move(reach.clock)),
      discovery_(std::move(reach.discovery)),
      link_(log, *clock_),
      handset_(link_),
      fileList_(handset_, settings),
      files_(
          fileList_, log, signal_,
          [&dialogOwner](WorkerSignal& signal, std::function<void()> job) {
            return RunWorker(&dialogOwner, signal, std::move(job));
          },
          progress),
      status_(status),
      recovery_(link_, *discovery_),
      linkWatch_(this) {
  setObjectName(QStringLiteral("handsetSession"));
  // A plain search on a timer serves every discovery (the simulated handset's too) and every
  // platform, and costs nothing while a handset answers; hot-plug events, where there are any,
  // only make the look come sooner.
  linkWatch_.setObjectName(QStringLiteral("linkWatchTimer"));
  linkWatch_.setInterval(kLinkWatchIntervalMs);
  connect(&linkWatch_, &QTimer::timeout, this, &HandsetSession::WatchLink);
  linkWatch_.start();
  if (std::unique_ptr<UsbHotplugWatch> watch = discovery_->WatchDevices()) {
    new HotplugNotifier(
        std::move(watch),
        [this](HotplugEvents events) {
          departed_.insert(departed_.end(), events.departed.begin(), events.departed.end());
          WatchLink();
        },
        this);
  }
}

void HandsetSession::WatchLink() {
  // The link belongs to the worker while one runs, and the window goes on with its result once
  // the wait dialog is gone: nothing is let go or found while a dialog's event loop runs the
  // timers and the hot-plug notifier in the middle of an operation (a worker's wait, a
  // question to the user). Departures wait for the next look.
  if (signal_.HandedOut() || !signal_.Done() || QApplication::activeModalWidget() != nullptr) {
    return;
  }
  for (const UsbDeviceAddress& device : std::exchange(departed_, {})) {
    if (recovery_.DeviceLeft(device) == LinkChange::Lost) {
      fileList_.Release();
    }
  }
  switch (recovery_.Check()) {
    case LinkChange::Lost:
      fileList_.Release();
      break;
    case LinkChange::Back:
      fileList_.LoadVolumeInfo(status_);
      break;
    case LinkChange::None:
      break;
  }
}

void HandsetSession::EnsureConnected() {
  if (!connected()) {
    Connect(link_, *discovery_);
  }
}

void HandsetSession::ConnectAndLoadVolumes(StatusSink& status) {
  Connect(link_, *discovery_);
  if (connected()) {
    fileList_.LoadVolumeInfo(status);
  }
}

}  // namespace tollhaven
