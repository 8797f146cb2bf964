#include "support/ui/update_check.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QWidget>
#include <string_view>

#include "support/event_log.h"
#include "support/ui/about_dialog.h"
#include "support/update_version.h"

namespace tollhaven {
namespace {

// The About box's caption names the running release; the mail link's subject carries it.
constexpr const char* kAboutCaption = kAuthorMailSubject;

std::string_view Bytes(const QByteArray& data) {
  return std::string_view(data.constData(), static_cast<std::size_t>(data.size()));
}

QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsWebUrl(const QUrl& url) {
  return url.isValid() &&
         (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
         !url.host().isEmpty();
}

}  // namespace

UpdateCheck::UpdateCheck(QWidget* owner) : QObject(owner) {
  askYesNo = [owner](const QString& text, const QString& caption) {
    const std::unique_ptr<QMessageBox> box = MakeUpdateQuestion(owner, text, caption);
    return box->exec() == QMessageBox::Yes;
  };
  openAddress = [](const QUrl& address) { return QDesktopServices::openUrl(address); };
}

UpdateCheck::~UpdateCheck() = default;

void UpdateCheck::Run(EventLog& log) {
  const std::string versionKey = UpdateVersionKey(kAboutCaption);
  log.AppendLog("Open Internet connection. ");

  std::optional<QByteArray> latestDocument;
  std::optional<QByteArray> messageDocument;
  {
    QNetworkAccessManager manager;
    // Straight to the server, past any proxy and its cache (the requests refuse caches too): a
    // stale "Latest" would hide the very release it is there to announce.
    manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    latestDocument = Fetch(manager, kLatestDocumentPath);
    if (!latestDocument) {
      log.AppendLog("Cannot establish Internet connection. ");
      return;
    }
    log.AppendLog("Check if update available. ");
    if (IsSameRelease(ParseLatest(Bytes(*latestDocument)), versionKey)) {
      log.AppendLog("Sorry, no update available yet. ");
      return;
    }
    messageDocument = Fetch(manager, kMessageDocumentPath);
  }

  const LatestRelease latest = ParseLatest(Bytes(*latestDocument));
  const QString text = messageDocument ? Latin1(UpdateMessageText(Bytes(*messageDocument)))
                                       : QString::fromLatin1(kUpdateFallbackMessage);
  if (!askYesNo || !askYesNo(text, QString::fromLatin1(kUpdateCaption))) {
    return;
  }
  log.AppendLog(latest.address);
  // The address comes from the network: only a web page may be opened, never a local file or a
  // program, and only once.
  const QUrl address(Latin1(latest.address), QUrl::StrictMode);
  if (!MayOpenUpdateAddress(latest.address) || !IsWebUrl(address)) {
    log.AppendLog(kNotAWebAddressLine);
    return;
  }
  if (!openAddress || !openAddress(address)) {
    log.AppendLog(kNoBrowserLine);
  }
}

std::optional<QByteArray> UpdateCheck::Fetch(QNetworkAccessManager& manager,
                                             const char* path) const {
  QNetworkRequest request(QUrl(baseAddress + QLatin1String(path)));
  request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromLatin1(kUpdateAgent));
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

  const std::unique_ptr<QNetworkReply> reply(manager.get(request));
  const auto limit = static_cast<qint64>(kUpdateDocumentLimit);
  // The rest of a long document is never needed, so it is not taken off the connection either.
  reply->setReadBufferSize(limit);

  enum class State { Waiting, Complete, Failed };
  State state = State::Waiting;
  QByteArray document;
  QEventLoop loop;
  const auto answeredOk = [&reply] {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 200 && status <= 299;
  };
  const auto take = [&] { document += reply->read(limit - document.size()); };

  QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
    if (state != State::Waiting) {
      return;
    }
    // An error page is no document, however it reads.
    if (!answeredOk()) {
      state = State::Failed;
      loop.quit();
      return;
    }
    take();
    if (document.size() >= limit) {
      state = State::Complete;
      loop.quit();
    }
  });
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, [&] {
    if (state == State::Waiting) {
      if (reply->error() == QNetworkReply::NoError && answeredOk()) {
        take();
        state = State::Complete;
      } else {
        state = State::Failed;
      }
    }
    loop.quit();
  });
  // A server that accepts and never answers must not keep the start-up waiting.
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
    if (state == State::Waiting) {
      state = State::Failed;
    }
    loop.quit();
  });
  deadline.start(timeout);
  // Paint events and timers go on, so the window does not freeze; the user's input waits until
  // the check is over, so that no command runs in the middle of the start-up tasks.
  loop.exec(QEventLoop::ExcludeUserInputEvents);

  QObject::disconnect(reply.get(), nullptr, &loop, nullptr);
  reply->abort();
  if (state != State::Complete) {
    return std::nullopt;
  }
  return document;
}

std::unique_ptr<QMessageBox> MakeUpdateQuestion(QWidget* owner, const QString& text,
                                                const QString& caption) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Information, caption, text,
                                           QMessageBox::Yes | QMessageBox::No, owner);
  box->setTextFormat(Qt::PlainText);
  box->setDefaultButton(QMessageBox::Yes);
  return box;
}

}  // namespace tollhaven
