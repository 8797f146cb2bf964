#include "panels/ui/handset_session.h"

#include <QApplication>
#include <utility>

#include "app/file_prompts.h"
#include "app/main_window.h"
#include "app/progress_bar.h"
#include "app/status_bar.h"
#include "handset/handset_names.h"
#include "link/connect.h"
#include "link/platform_discovery.h"
#include "panels/ui/hotplug_notifier.h"
#include "support/status_sink.h"
#include "support/ui/wait_dialog.h"

namespace tollhaven {

HandsetSession::HandsetSession(MainWindow& window, std::unique_ptr<Discovery> discovery,
                               std::unique_ptr<Clock> clock)
    : QObject(&window),
      clock_(std::move(clock)),
      discovery_(std::move(discovery)),
      link_(window.eventLog(), *clock_),
      handset_(link_),
      fileList_(handset_, window.settings()),
      files_(
          fileList_, window.eventLog(), signal_,
          [&window](WorkerSignal& signal, std::function<void()> job) {
            return RunWorker(&window, signal, std::move(job));
          },
          window.progress()),
      window_(window),
      recovery_(link_, *discovery_),
      linkWatch_(this) {
  setObjectName(QStringLiteral("handsetSession"));
  // Every way the window uploads (copy, drop, paste, patch run) asks the same questions.
  files_.askReplaceUnkept = [&window](std::string_view handsetPath) {
    return FilePrompts::Of(window).askReplaceUnkept(
        QString::fromStdString(Utf8FromHandsetName(handsetPath)));
  };
  files_.askReplaceCaseTwin = [&window](std::string_view listedPath, std::string_view newPath) {
    const auto name = [](std::string_view path) {
      return QString::fromStdString(Utf8FromHandsetName(path.substr(path.rfind('/') + 1)));
    };
    return FilePrompts::Of(window).askReplaceCaseTwin(name(listedPath), name(newPath));
  };
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
      fileList_.LoadVolumeInfo(window_.status());
      break;
    case LinkChange::None:
      break;
  }
}

HandsetSession& HandsetSession::Of(MainWindow& window) {
  auto* session = window.findChild<HandsetSession*>(QString(), Qt::FindDirectChildrenOnly);
  if (session != nullptr) {
    return *session;
  }
  return *new HandsetSession(window, PlatformDiscovery(), std::make_unique<SystemClock>());
}

HandsetSession& HandsetSession::Install(MainWindow& window, std::unique_ptr<Discovery> discovery,
                                        std::unique_ptr<Clock> clock) {
  delete window.findChild<HandsetSession*>(QString(), Qt::FindDirectChildrenOnly);
  return *new HandsetSession(window, std::move(discovery), std::move(clock));
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
