// The start-up check for a newer release, against an HTTP server inside the test on 127.0.0.1:
// what is fetched and how, the log lines, the question, what is opened, and the give-up paths.
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QHash>
#include <QLabel>
#include <QMessageBox>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "main_window_fixture.h"
#include "support/event_log.h"
#include "support/ui/update_check.h"

using namespace tollhaven;
using namespace std::chrono_literals;
using tollhaven::testing::QuietSettings;
using tollhaven::testing::WindowUnderTest;

namespace {

const QString kOpen = QStringLiteral("Open Internet connection. ");
const QString kCannot = QStringLiteral("Cannot establish Internet connection. ");
const QString kCheck = QStringLiteral("Check if update available. ");
const QString kSorry = QStringLiteral("Sorry, no update available yet. ");
const QString kNotWeb = QStringLiteral("Not a web address, not opened. ");
const QString kLatestPath = QStringLiteral("/tollhaven/Latest");
const QString kMessagePath = QStringLiteral("/tollhaven/Message");

// How the test server treats the Message path.
enum MessageServing { Served = 0, Missing = 1, Silent = 2 };

// A small HTTP/1.1 server on the loopback interface: each request gets the table's document
// with its length and the connection closed, a 404 for a path it does not know, or, for a
// silent path, no answer at all while the connection stays open.
class LoopbackServer : public QObject {
  Q_OBJECT

 public:
  struct Request {
    QString path;
    QHash<QByteArray, QByteArray> headers;  // names in lower case
  };

  LoopbackServer() {
    connect(&server_, &QTcpServer::newConnection, this, &LoopbackServer::Accept);
    listening_ = server_.listen(QHostAddress::LocalHost, 0);
  }

  bool listening() const { return listening_; }
  QString address() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort());
  }
  void Serve(const QString& path, const QByteArray& document) { documents_[path] = document; }
  void KeepSilent(const QString& path) { silent_.insert(path); }

  QList<Request> requests;

 private:
  void Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      socket->setParent(this);
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
    }
  }

  void Read(QTcpSocket* socket) {
    QByteArray& buffer = buffers_[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
      return;
    }
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    buffer.clear();
    Request request;
    request.path = QString::fromLatin1(lines.value(0).split(' ').value(1));
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const qsizetype colon = lines[i].indexOf(':');
      if (colon > 0) {
        request.headers[lines[i].left(colon).trimmed().toLower()] =
            lines[i].mid(colon + 1).trimmed();
      }
    }
    requests.append(request);
    if (silent_.contains(request.path)) {
      return;
    }
    const bool known = documents_.contains(request.path);
    // Error pages are long enough to pass for a document if their status were not looked at.
    const QByteArray body =
        known ? documents_.value(request.path)
              : "<html><body><h1>Not Found</h1>" + QByteArray(300, ' ') + "</body></html>";
    socket->write((known ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") +
                  QByteArray("Content-Type: text/plain\r\nContent-Length: ") +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
  }

  QTcpServer server_;
  bool listening_ = false;
  QHash<QString, QByteArray> documents_;
  QSet<QString> silent_;
  QHash<QTcpSocket*, QByteArray> buffers_;
};

// A loopback port that nothing listens on.
quint16 ClosedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  const quint16 port = probe.serverPort();
  probe.close();
  return port;
}

// A checker that answers the question with `answer` and records what it was asked and what it
// would have opened.
struct RecordedCheck {
  explicit RecordedCheck(const QString& base, bool answer = true,
                         std::chrono::milliseconds timeout = 5000ms) {
    check.baseAddress = base;
    check.timeout = timeout;
    check.askYesNo = [this, answer](const QString& text, const QString& caption) {
      asked << text;
      captions << caption;
      return answer;
    };
    check.openAddress = [this](const QUrl& address) {
      opened << address.toString();
      return true;
    };
  }

  QStringList Run() {
    check.Run(log);
    QStringList lines;
    for (const std::string& line : log.Lines()) {
      lines << QString::fromLatin1(line.data(), qsizetype(line.size()));
    }
    return lines;
  }

  UpdateCheck check;
  EventLog log;
  QStringList asked;
  QStringList captions;
  QStringList opened;
};

}  // namespace

class UpdateCheckTest : public QObject {
  Q_OBJECT

 private slots:
  void answers_data();
  void answers();
  void requestsAreUncachedAndNamed();
  void noLatestDocument_data();
  void noLatestDocument();
  void aSilentServerIsGivenUpWhileTheWindowGoesOn();
  void theQuestionShowsTheMessageAsPlainText();
  void theDesktopBrowserOpensTheAddress();
  void anAddressNothingOpensIsLogged();
  void atStartTheCheckEndsBeforeTheReminder_data();
  void atStartTheCheckEndsBeforeTheReminder();
};

void UpdateCheckTest::answers_data() {
  QTest::addColumn<QByteArray>("latest");
  QTest::addColumn<int>("messageServe");
  QTest::addColumn<QByteArray>("message");
  QTest::addColumn<bool>("yes");
  QTest::addColumn<QStringList>("log");
  QTest::addColumn<QStringList>("asked");
  QTest::addColumn<QStringList>("opened");

  const QByteArray news = "Tollhaven 3.2.8 is out.\r\nDownload it now?";
  const QStringList newsAsked{QString::fromLatin1(news)};
  const QString download = QStringLiteral("http://127.0.0.1/download");

  QTest::newRow("same version") << QByteArray("V327 http://127.0.0.1/download") << int(Served)
                                << news << true << QStringList{kOpen, kCheck, kSorry}
                                << QStringList{} << QStringList{};
  QTest::newRow("same version, key only")
      << QByteArray("V327") << int(Served) << news << true << QStringList{kOpen, kCheck, kSorry}
      << QStringList{} << QStringList{};
  QTest::newRow("newer, Yes") << QByteArray("V328 http://127.0.0.1/download") << int(Served) << news
                              << true << QStringList{kOpen, kCheck, download} << newsAsked
                              << QStringList{download};
  QTest::newRow("newer, No") << QByteArray("V328 http://127.0.0.1/download") << int(Served) << news
                             << false << QStringList{kOpen, kCheck} << newsAsked << QStringList{};
  QTest::newRow("older on the server counts too")
      << QByteArray("V326 https://127.0.0.1/old") << int(Served) << news << true
      << QStringList{kOpen, kCheck, "https://127.0.0.1/old"} << newsAsked
      << QStringList{"https://127.0.0.1/old"};
  QTest::newRow("line break after the address")
      << QByteArray("V328 http://127.0.0.1/download\r\n") << int(Served) << news << true
      << QStringList{kOpen, kCheck, download} << newsAsked << QStringList{download};

  // Three bytes are no key: an update, with no address to open.
  QTest::newRow("Latest of 3 bytes")
      << QByteArray("V32") << int(Served) << news << true
      << QStringList{kOpen, kCheck, QString(), kNotWeb} << newsAsked << QStringList{};
  // 300 bytes sent, 255 read: the address is bytes 5 to 254.
  const QByteArray longLatest = "V328 http://127.0.0.1/" + QByteArray(278, 'a');
  const QString longAddress = QString::fromLatin1(longLatest.mid(5, 250));
  QTest::newRow("Latest of 300 bytes")
      << longLatest << int(Served) << news << true << QStringList{kOpen, kCheck, longAddress}
      << newsAsked << QStringList{longAddress};

  QTest::newRow("empty Message") << QByteArray("V328 http://127.0.0.1/download") << int(Served)
                                 << QByteArray() << false << QStringList{kOpen, kCheck}
                                 << QStringList{QString()} << QStringList{};
  QTest::newRow("Message of 300 bytes")
      << QByteArray("V328 http://127.0.0.1/download") << int(Served) << QByteArray(300, 'm')
      << false << QStringList{kOpen, kCheck} << QStringList{QString(255, QLatin1Char('m'))}
      << QStringList{};
  const QByteArray markup = "<b>New!</b> <a href=\"file:///etc/passwd\">Get it</a>";
  QTest::newRow("Message with markup is passed on as text")
      << QByteArray("V328 http://127.0.0.1/download") << int(Served) << markup << false
      << QStringList{kOpen, kCheck} << QStringList{QString::fromLatin1(markup)} << QStringList{};
  const QStringList fallback{QString::fromLatin1(kUpdateFallbackMessage)};
  QTest::newRow("no Message document")
      << QByteArray("V328 http://127.0.0.1/download") << int(Missing) << QByteArray() << true
      << QStringList{kOpen, kCheck, download} << fallback << QStringList{download};
  QTest::newRow("Message never answered")
      << QByteArray("V328 http://127.0.0.1/download") << int(Silent) << QByteArray() << false
      << QStringList{kOpen, kCheck} << fallback << QStringList{};

  for (const char* address : {"file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm",
                              "ftp://127.0.0.1/pub", "http://127.0.0.1@127.0.0.2/"}) {
    QTest::addRow("not a web address: %s", address)
        << QByteArray("V328 ") + address << int(Served) << news << true
        << QStringList{kOpen, kCheck, QString::fromLatin1(address), kNotWeb} << newsAsked
        << QStringList{};
  }
}

void UpdateCheckTest::answers() {
  QFETCH(QByteArray, latest);
  QFETCH(int, messageServe);
  QFETCH(QByteArray, message);
  QFETCH(bool, yes);
  QFETCH(QStringList, log);
  QFETCH(QStringList, asked);
  QFETCH(QStringList, opened);

  LoopbackServer server;
  QVERIFY(server.listening());
  server.Serve(kLatestPath, latest);
  if (messageServe == Served) {
    server.Serve(kMessagePath, message);
  } else if (messageServe == Silent) {
    server.KeepSilent(kMessagePath);
  }
  RecordedCheck check(server.address(), yes, messageServe == Silent ? 200ms : 5000ms);

  QCOMPARE(check.Run(), log);
  QCOMPARE(check.asked, asked);
  for (const QString& caption : check.captions) {
    QCOMPARE(caption, QStringLiteral("Tollhaven warning message:"));
  }
  QCOMPARE(check.opened, opened);

  // The announcement is fetched only when there is something to announce.
  QStringList paths;
  for (const LoopbackServer::Request& request : server.requests) {
    paths << request.path;
  }
  const QStringList expectedPaths =
      asked.isEmpty() ? QStringList{kLatestPath} : QStringList{kLatestPath, kMessagePath};
  QCOMPARE(paths, expectedPaths);
}

void UpdateCheckTest::requestsAreUncachedAndNamed() {
  LoopbackServer server;
  QVERIFY(server.listening());
  server.Serve(kLatestPath, "V328 http://127.0.0.1/download");
  server.Serve(kMessagePath, "News");
  RecordedCheck check(server.address(), false);
  const QStringList log = check.Run();

  QCOMPARE(log, (QStringList{kOpen, kCheck}));
  QCOMPARE(server.requests.size(), 2);
  for (const LoopbackServer::Request& request : server.requests) {
    QCOMPARE(request.headers.value("user-agent"), QByteArray("Tollhaven"));
    QCOMPARE(request.headers.value("cache-control"), QByteArray("no-cache"));
  }
}

void UpdateCheckTest::noLatestDocument_data() {
  QTest::addColumn<bool>("serverRuns");
  QTest::newRow("nothing listens on the port") << false;
  QTest::newRow("the server has no Latest") << true;
}

void UpdateCheckTest::noLatestDocument() {
  QFETCH(bool, serverRuns);
  LoopbackServer server;
  QVERIFY(server.listening());
  server.Serve(kMessagePath, "News");
  const QString base =
      serverRuns ? server.address() : QStringLiteral("http://127.0.0.1:%1").arg(ClosedPort());
  RecordedCheck check(base);
  QElapsedTimer elapsed;
  elapsed.start();
  QCOMPARE(check.Run(), (QStringList{kOpen, kCannot}));
  // Known at once, long before the time-out.
  QVERIFY2(elapsed.elapsed() < 4000, qPrintable(QString::number(elapsed.elapsed())));
  QVERIFY(check.asked.isEmpty());
  QVERIFY(check.opened.isEmpty());
  QCOMPARE(server.requests.size(), serverRuns ? 1 : 0);
}

void UpdateCheckTest::aSilentServerIsGivenUpWhileTheWindowGoesOn() {
  LoopbackServer server;
  QVERIFY(server.listening());
  server.KeepSilent(kLatestPath);
  RecordedCheck check(server.address(), true, 200ms);
  // Stands for the window's painting and its fade-in: timers must go on during the wait.
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  ticker.start(10);

  QElapsedTimer elapsed;
  elapsed.start();
  QCOMPARE(check.Run(), (QStringList{kOpen, kCannot}));
  const qint64 waited = elapsed.elapsed();
  QVERIFY2(waited >= 190 && waited < 3000, qPrintable(QString::number(waited)));
  QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
  QCOMPARE(server.requests.size(), 1);
  QVERIFY(check.asked.isEmpty());
}

void UpdateCheckTest::theQuestionShowsTheMessageAsPlainText() {
  QWidget owner;
  const QString text = QStringLiteral("<b>New!</b>\r\n<a href=\"file:///etc/passwd\">Get it</a>");
  const std::unique_ptr<QMessageBox> box =
      MakeUpdateQuestion(&owner, text, QStringLiteral("Tollhaven warning message:"));
  QCOMPARE(box->parentWidget(), &owner);
  QCOMPARE(box->windowTitle(), QStringLiteral("Tollhaven warning message:"));
  QCOMPARE(box->text(), text);
  QCOMPARE(box->textFormat(), Qt::PlainText);
  QCOMPARE(box->icon(), QMessageBox::Information);
  QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
  // The label that shows the text keeps the markup as characters.
  box->show();
  auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  QVERIFY(label != nullptr);
  QCOMPARE(label->textFormat(), Qt::PlainText);
  QCOMPARE(label->text(), text);
  box->done(QMessageBox::No);
}

namespace {

// Stands in for the desktop's browser.
class BrowserStandIn : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;
  Q_INVOKABLE void open(const QUrl& url) { opened.append(url); }
};

}  // namespace

void UpdateCheckTest::theDesktopBrowserOpensTheAddress() {
  LoopbackServer server;
  QVERIFY(server.listening());
  server.Serve(kLatestPath, "V328 https://127.0.0.1/download");
  server.Serve(kMessagePath, "News");
  BrowserStandIn browser;
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
  // The program's own opener, only the question answered by the test.
  UpdateCheck check;
  check.baseAddress = server.address();
  check.askYesNo = [](const QString&, const QString&) { return true; };
  EventLog log;
  check.Run(log);
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

  QCOMPARE(browser.opened, (QList<QUrl>{QUrl(QStringLiteral("https://127.0.0.1/download"))}));
  QCOMPARE(log.Lines().back(), std::string("https://127.0.0.1/download"));
}

void UpdateCheckTest::anAddressNothingOpensIsLogged() {
  LoopbackServer server;
  QVERIFY(server.listening());
  server.Serve(kLatestPath, "V328 http://127.0.0.1/download");
  server.Serve(kMessagePath, "News");
  RecordedCheck check(server.address());
  check.check.openAddress = [&check](const QUrl& address) {
    check.opened << address.toString();
    return false;
  };
  QCOMPARE(check.Run(), (QStringList{kOpen, kCheck, "http://127.0.0.1/download",
                                     "No browser could open the address. "}));
  QCOMPARE(check.opened, QStringList{"http://127.0.0.1/download"});
}

void UpdateCheckTest::atStartTheCheckEndsBeforeTheReminder_data() {
  QTest::addColumn<int>("checkUpdate");
  QTest::newRow("check on") << 1;
  QTest::newRow("check off") << 0;
}

void UpdateCheckTest::atStartTheCheckEndsBeforeTheReminder() {
  QFETCH(int, checkUpdate);
  LoopbackServer server;
  QVERIFY(server.listening());
  server.KeepSilent(kLatestPath);

  Settings settings = QuietSettings();
  settings.checkUpdate = checkUpdate;
  settings.showReminder = 1;
  settings.fileLimit = -1;
  WindowUnderTest test(settings);
  UpdateCheck& check = test.window->updateCheck();
  QCOMPARE(&test.window->updateCheck(), &check);
  check.baseAddress = server.address();
  check.timeout = 200ms;
  check.askYesNo = [](const QString&, const QString&) { return false; };

  // The log as it stands when the reminder, the next start-up task, comes up.
  std::vector<std::string> logAtReminder;
  bool reminderSeen = false;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box != nullptr && box->isVisible() && !reminderSeen) {
      reminderSeen = true;
      logAtReminder = test.window->eventLog().Lines();
      box->accept();
    }
  });
  watcher.start(5);
  test.window->show();
  QTRY_VERIFY(reminderSeen);

  const auto at = [&logAtReminder](const QString& line) {
    const auto found = std::find(logAtReminder.begin(), logAtReminder.end(), line.toStdString());
    return found == logAtReminder.end() ? -1 : int(found - logAtReminder.begin());
  };
  if (checkUpdate == 1) {
    QVERIFY(at(kOpen) >= 0);
    QCOMPARE(at(kCannot), at(kOpen) + 1);
    QCOMPARE(server.requests.size(), 1);
  } else {
    QCOMPARE(at(kOpen), -1);
    QCOMPARE(at(kCannot), -1);
    QVERIFY(server.requests.isEmpty());
  }
}

QTEST_MAIN(UpdateCheckTest)
#include "update_check_test.moc"
