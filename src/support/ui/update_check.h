#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "support/project_addresses.h"

class QMessageBox;
class QNetworkAccessManager;
class QWidget;

namespace tollhaven {

class EventLog;

inline constexpr const char* kLatestDocumentPath = "/tollhaven/Latest";
inline constexpr const char* kMessageDocumentPath = "/tollhaven/Message";
inline constexpr const char* kUpdateAgent = "Tollhaven";
inline constexpr const char* kUpdateCaption = "Tollhaven warning message:";
// Shown in place of the server's announcement when that cannot be fetched after a newer release
// was found: the user still gets the offer.
inline constexpr const char* kUpdateFallbackMessage =
    "A newer version of Tollhaven is available.\nOpen its download page?";
// The log line when the server's download address is not a web address.
inline constexpr const char* kNotAWebAddressLine = "Not a web address, not opened. ";
// The log line when the desktop could not open the download page.
inline constexpr const char* kNoBrowserLine = "No browser could open the address. ";

// The start-up check for a newer release: fetches the server's "Latest" document, and when it
// names another release, shows the server's "Message" and on Yes opens the download page in
// the desktop's browser. Each request gives up after `timeout`. While a request runs, a local
// event loop keeps the window painting and its timers ticking, but holds back the user's input,
// so that no command starts before the check is over; the next start-up task waits for it.
class UpdateCheck : public QObject {
  Q_OBJECT

 public:
  // `owner` owns the question box (and this object); it may be null for a checker of its own.
  explicit UpdateCheck(QWidget* owner = nullptr);
  ~UpdateCheck() override;

  // Runs the whole check once, writing its lines to `log`.
  void Run(EventLog& log);

  // The server, without a trailing slash; the document paths are added to it.
  QString baseAddress = QString::fromLatin1(kUpdateServerAddress);
  std::chrono::milliseconds timeout{10000};
  // Shows the announcement with Yes and No; true for Yes.
  std::function<bool(const QString& text, const QString& caption)> askYesNo;
  // Hands an http or https address to the desktop's browser; false when nothing could open it.
  std::function<bool(const QUrl& address)> openAddress;

 private:
  // The first kUpdateDocumentLimit bytes of the document at `path`; nothing when the server
  // cannot be reached, answers with an error, or takes longer than `timeout`.
  std::optional<QByteArray> Fetch(QNetworkAccessManager& manager, const char* path) const;
};

// The Yes/No box that shows the server's announcement, owned by `owner`. The text is shown as
// plain text: markup from the server is never interpreted.
std::unique_ptr<QMessageBox> MakeUpdateQuestion(QWidget* owner, const QString& text,
                                                const QString& caption);

}  // namespace tollhaven
