#include "panels/ui/handset_session.h"

#include "app/main_window.h"
#include "app/progress_bar.h"
#include "link/connect.h"
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
      files_(fileList_, window.eventLog(), signal_,
             [&window](WorkerSignal& signal, std::function<void()> job) {
               return RunWorker(&window, signal, std::move(job));
             }) {
  setObjectName(QStringLiteral("handsetSession"));
  handset_.SetProgress(&window.progress());
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
