// The program started with a patch file or a skin pack: dialog 1600, the run on a
// simulated handset, the three outcomes and the end without ".config" or ".log".
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "app/file_prompts.h"
#include "handset/handset_names.h"
#include "handset_window_fixture.h"
#include "local_files_fixture.h"
#include "panels/ui/handset_session.h"
#include "support/ui/control_ids.h"
#include "support/ui/patch_dialog.h"
#include "support/ui/wait_dialog.h"

using namespace tollhaven;
using namespace tollhaven::testing;

namespace {

const QString kCaption = QStringLiteral("Tollhaven warning message:");
const QString kRunComplete = QStringLiteral(
    "Uploading complete! Tollhaven will exit now.\n\rEnjoy your new skin! Or whatever you've "
    "uploaded! Regards: Tovik.....\n\rDo you want powercycle your phone?");
const QString kNotConnected = QStringLiteral(
    "Phone not connected!\n\rYoiu must plug phone,\n\rBEFORE you start *.tlhv file.");
const QString kSeparator = QStringLiteral("----------------------");
constexpr int kRunTimeoutMs = 20000;

struct Message {
  QMessageBox::Icon icon;
  QString caption;
  QString text;
  QMessageBox::StandardButtons buttons;
};

// Every message box of the run, answered with `answer` where the box offers it.
struct Messages {
  explicit Messages(MainWindow& window, QMessageBox::StandardButton answer = QMessageBox::No) {
    window.prompts().showMessage = [this, answer](QMessageBox::Icon icon, const QString& caption,
                                                  const QString& text,
                                                  QMessageBox::StandardButtons buttons) {
      seen.push_back({icon, caption, text, buttons});
      return buttons.testFlag(answer) ? answer : QMessageBox::Ok;
    };
  }
  std::vector<Message> seen;
};

// Acts on the patch dialog once it shows, noting what it listed, and notes the run's state
// whenever a wait dialog holds the window.
class DialogDriver {
 public:
  enum class Act { Start, Cancel, Escape, CloseBox };

  DialogDriver(MainWindow& window, Act act) {
    QObject::connect(&timer_, &QTimer::timeout, [this, &window, act] {
      if (qobject_cast<WaitDialog*>(QApplication::activeModalWidget()) != nullptr) {
        fileLimits << window.settings().fileLimit;
        patchRunning << window.handsetSession().patchRunning;
      }
      auto* dialog = window.findChild<PatchDialog*>();
      if (acted || dialog == nullptr || !dialog->isVisible()) {
        return;
      }
      acted = true;
      title = dialog->windowTitle();
      auto* list = FindControl<QListWidget>(dialog, PatchDialog::kLinesListId);
      for (int row = 0; row < list->count(); ++row) {
        listed << list->item(row)->text();
      }
      auto* start = FindControl<QPushButton>(dialog, PatchDialog::kStartButtonId);
      startIsDefault = start->isDefault();
      // Acted on from the event loop, not inside this tick: a timer does not tick again while
      // its own tick runs, and the run's wait dialogs are to be watched.
      QTimer::singleShot(0, dialog, [dialog, start, act] {
        switch (act) {
          case Act::Start:
            start->click();
            break;
          case Act::Cancel:
            FindControl<QPushButton>(dialog, PatchDialog::kCancelButtonId)->click();
            break;
          case Act::Escape:
            QTest::keyClick(dialog, Qt::Key_Escape);
            break;
          case Act::CloseBox:
            dialog->close();
            break;
        }
      });
    });
    timer_.start(5);
  }

  bool acted = false;
  QString title;
  QStringList listed;
  bool startIsDefault = false;
  QList<int> fileLimits;
  QList<bool> patchRunning;

 private:
  QTimer timer_;
};

QString ConfigFile(const WindowUnderTest& test) {
  return QString::fromStdString((test.dir() / ".config").string());
}
QString LogFile(const WindowUnderTest& test) {
  return QString::fromStdString((test.dir() / ".log").string());
}

// Shows the window and waits until the start-up task has ended it.
bool RunUntilTheWindowEnds(MainWindow& window, const DialogDriver* driver = nullptr) {
  window.show();
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < kRunTimeoutMs) {
    QTest::qWait(10);
    if (!window.isVisible() && (driver == nullptr || driver->acted)) {
      return true;
    }
  }
  return false;
}

bool Logged(MainWindow& window, const std::string& line) {
  const std::vector<std::string> lines = window.eventLog().Lines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

class PatchRunTest : public QObject {
  Q_OBJECT

 private slots:
  void theDialogListsThePathTheSeparatorAndTheLines() {
    const std::vector<std::string> lines = {"cp a.bin", "CP a.bin", "md /a/caf\xE9"};
    bool started = false;
    PatchDialog dialog(QStringLiteral("/skins/blue.tlhv"), lines, [&] { started = true; });
    QCOMPARE(dialog.property(kControlIdProperty).toInt(), 1600);
    QVERIFY(dialog.windowTitle().contains(QStringLiteral("Tollhaven")));
    QVERIFY(dialog.windowTitle().contains(QStringLiteral("patch file")));
    auto* list = FindControl<QListWidget>(&dialog, 1603);
    QVERIFY(list != nullptr);
    QVERIFY(!list->isSortingEnabled());
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) {
      texts << list->item(row)->text();
    }
    QCOMPARE(texts, (QStringList{"/skins/blue.tlhv", "----------------------", "cp a.bin",
                                 "CP a.bin", QStringLiteral("md /a/caf\u00E9")}));
    QCOMPARE(kSeparator.size(), 22);
    auto* start = FindControl<QPushButton>(&dialog, 1601);
    auto* cancel = FindControl<QPushButton>(&dialog, 1602);
    QVERIFY(start != nullptr && cancel != nullptr);
    QVERIFY(start->isDefault());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(start));
    start->click();
    QVERIFY(started);
    QCOMPARE(dialog.outcome(), PatchDialog::Outcome::Started);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  void cancelEscapeAndTheCloseBoxEndTheDialogTheirOwnWay() {
    const struct {
      std::function<void(PatchDialog&)> act;
      PatchDialog::Outcome outcome;
    } cases[] = {
        {[](PatchDialog& d) { FindControl<QPushButton>(&d, 1602)->click(); },
         PatchDialog::Outcome::Cancelled},
        {[](PatchDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); },
         PatchDialog::Outcome::Cancelled},
        {[](PatchDialog& d) { d.close(); }, PatchDialog::Outcome::Closed},
    };
    for (const auto& c : cases) {
      bool started = false;
      PatchDialog dialog(QStringLiteral("x.tlhv"), {}, [&] { started = true; });
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      c.act(dialog);
      QVERIFY(!dialog.isVisible());
      QVERIFY(!started);
      QCOMPARE(dialog.outcome(), c.outcome);
    }
  }

  void aHostilePatchFileIsListedInGoodTime() {
    std::vector<std::string> lines(150000, "at 7");
    lines.push_back(std::string(1u << 20, 'x'));
    QElapsedTimer clock;
    clock.start();
    PatchDialog dialog(QStringLiteral("big.tlhv"), lines, [] {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    FindControl<QListWidget>(&dialog, 1603)->scrollToBottom();
    QTest::qWait(20);
    QCOMPARE(FindControl<QListWidget>(&dialog, 1603)->count(), 150003);
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
  }

  void cancelEndsWithoutAMessageAndWithoutSaving() {
    for (DialogDriver::Act act : {DialogDriver::Act::Cancel, DialogDriver::Act::Escape}) {
      QTemporaryDir skin;
      const QString patch = skin.filePath(QStringLiteral("skin.tlhv"));
      QVERIFY(WriteFile(patch, "md /a/x\r\n"));
      HandsetWindow h({QStringLiteral("tollhaven"), patch});
      QVERIFY(QFile::remove(ConfigFile(h.test)));
      Messages messages(h.window);
      DialogDriver driver(h.window, act);
      QVERIFY(RunUntilTheWindowEnds(h.window, &driver));
      QCOMPARE(driver.listed, (QStringList{patch, kSeparator, "md /a/x"}));
      QVERIFY(messages.seen.empty());
      // Nothing reached the handset, and nothing was connected.
      QVERIFY(h.handset.Received().empty());
      QVERIFY(!h.handset.HasDirectory("/a/x"));
      QVERIFY(!QFile::exists(ConfigFile(h.test)));
      QVERIFY(!QFile::exists(LogFile(h.test)));
    }
  }

  void withoutAHandsetTheRunEndsWithPhoneNotConnected() {
    for (DialogDriver::Act act : {DialogDriver::Act::Start, DialogDriver::Act::CloseBox}) {
      QTemporaryDir skin;
      const QString patch = skin.filePath(QStringLiteral("skin.tlhv"));
      QVERIFY(WriteFile(patch, "md /a/x\r\n"));
      HandsetWindow h({QStringLiteral("tollhaven"), patch});
      h.discovery->plugged = false;
      h.window.settings().fileLimit = 500;
      QVERIFY(QFile::remove(ConfigFile(h.test)));
      Messages messages(h.window);
      DialogDriver driver(h.window, act);
      QVERIFY(RunUntilTheWindowEnds(h.window, &driver));

      QCOMPARE(messages.seen.size(), std::size_t{1});
      QCOMPARE(messages.seen[0].icon, QMessageBox::Critical);
      QCOMPARE(messages.seen[0].caption, kCaption);
      QCOMPARE(messages.seen[0].text, kNotConnected);
      QCOMPARE(messages.seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
      QCOMPARE(Logged(h.window, "No p2k device found, NOT connected !"),
               act == DialogDriver::Act::Start);
      QVERIFY(!h.handset.HasDirectory("/a/x"));
      // The right panel stayed local; the run's state is put back.
      QCOMPARE(h.window.panel(kRight).driveIndex, 2);
      QCOMPARE(h.window.settings().fileLimit, 500);
      QVERIFY(!h.window.handsetSession().patchRunning);
      QVERIFY(!QFile::exists(ConfigFile(h.test)));
      QVERIFY(!QFile::exists(LogFile(h.test)));
    }
  }

  void aCompletedRunRunsEveryLineAndAsksAboutTheRestart() {
    for (QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No}) {
      QTemporaryDir skin;
      QVERIFY(QDir(skin.path()).mkdir(QStringLiteral("parts")));
      QVERIFY(WriteFile(skin.filePath(QStringLiteral("parts/a.bin")), QByteArray(3000, 'a')));
      const QString patch = skin.filePath(QStringLiteral("skin.tlhv"));
      QVERIFY(WriteFile(patch,
                        "cp parts\\a.bin\r\n"
                        "to /a/mobile/a.bin\r\n"
                        "CP a.bin\r\n"
                        "md /a/skins\r\n"
                        "at 5\r\n"
                        "sa /a/ring.mp3\r\n"
                        "rm /a/odd.zzz\r\n"
                        "rd /a/audio\r\n"
                        "\r\n"
                        "md /a/never\r\n"));
      HandsetWindow h({QStringLiteral("tollhaven"), patch});
      h.window.settings().fileLimit = 500;
      QVERIFY(QFile::remove(ConfigFile(h.test)));
      Messages messages(h.window, answer);
      DialogDriver driver(h.window, DialogDriver::Act::Start);
      QVERIFY(RunUntilTheWindowEnds(h.window, &driver));

      QCOMPARE(driver.listed, (QStringList{patch, kSeparator, "cp parts\\a.bin",
                                           "to /a/mobile/a.bin", "CP a.bin", "md /a/skins", "at 5",
                                           "sa /a/ring.mp3", "rm /a/odd.zzz", "rd /a/audio"}));
      QVERIFY(driver.startIsDefault);
      QVERIFY(driver.title.contains(QStringLiteral("patch file")));

      // Every line ran on the handset.
      const auto uploaded = h.handset.File("/a/mobile/a.bin");
      QVERIFY(uploaded.has_value());
      QCOMPARE(uploaded->contents, std::vector<uint8_t>(3000, 'a'));
      QVERIFY(h.handset.File("/a/skins/" + std::string(kPlaceholderName)).has_value());
      QCOMPARE(h.handset.File("/a/ring.mp3")->attributes, uint16_t{5});
      QVERIFY(!h.handset.File("/a/odd.zzz").has_value());
      QVERIFY(!h.handset.File("/a/audio/tune.mid").has_value());
      QVERIFY(!h.handset.HasDirectory("/a/never"));
      QVERIFY(Logged(h.window, "Usb p2k device found, phone connected !"));
      const std::vector<std::string> lines = h.window.eventLog().Lines();
      const auto local = std::find(lines.begin(), lines.end(),
                                   QDir(skin.path()).filePath("parts/a.bin").toStdString());
      QVERIFY(local != lines.end());
      QCOMPARE(*(local + 1), std::string("/a/mobile/a.bin"));
      QVERIFY(Logged(h.window, "Deleting file "));
      QVERIFY(Logged(h.window, "/a/audio"));

      // The message, and the restart only on Yes.
      QCOMPARE(messages.seen.size(), std::size_t{1});
      QCOMPARE(messages.seen[0].icon, QMessageBox::Information);
      QCOMPARE(messages.seen[0].caption, kCaption);
      QCOMPARE(messages.seen[0].text, kRunComplete);
      QCOMPARE(messages.seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
      QCOMPARE(h.handset.RestartCount(), answer == QMessageBox::Yes ? 1 : 0);

      // During the run: the short file limit and the flag; afterwards both as they were.
      QVERIFY(!driver.fileLimits.isEmpty());
      QCOMPARE(driver.fileLimits.first(), 3);
      QVERIFY(!driver.patchRunning.contains(false));
      QCOMPARE(h.window.settings().fileLimit, 500);
      QVERIFY(!h.window.handsetSession().patchRunning);

      // The right panel shows the handset.
      QCOMPARE(h.window.panel(kRight).driveIndex, 0);
      QCOMPARE(h.window.driveSelector(kRight)->currentIndex(), 0);
      QCOMPARE(h.window.pathField(kRight)->text(), QStringLiteral("P2k:/"));
      QCOMPARE(h.window.list(kRight)->model()->headerData(2, Qt::Horizontal).toString(),
               QStringLiteral("Ownr/Attr"));
      QCOMPARE(Names(h.window, kRight), QStringList{"a"});

      // No ".config" and no ".log", neither now nor once the window is gone.
      QVERIFY(!QFile::exists(ConfigFile(h.test)));
      QVERIFY(!QFile::exists(LogFile(h.test)));
      h.test.window.reset();
      QVERIFY(!QFile::exists(ConfigFile(h.test)));
      QVERIFY(!QFile::exists(LogFile(h.test)));
    }
  }

  // Lines that failed are counted in the message, and ".log" is left so the user can read which
  // and why; ".config" is still not written.
  void aRunWithFailedLinesSaysHowManyAndWritesTheLog() {
    for (const auto& [text, failed] : std::vector<std::pair<QByteArray, QString>>{
             {"cp missing.bin\r\nto /a/x.bin\r\nmd /a/ok\r\n", "2 lines"},
             {"at 5 \r\nmd /a/ok\r\n", "1 line"}}) {
      QTemporaryDir skin;
      const QString patch = skin.filePath(QStringLiteral("skin.tlhv"));
      QVERIFY(WriteFile(patch, text));
      HandsetWindow h({QStringLiteral("tollhaven"), patch});
      QVERIFY(QFile::remove(ConfigFile(h.test)));
      Messages messages(h.window, QMessageBox::No);
      DialogDriver driver(h.window, DialogDriver::Act::Start);
      QVERIFY(RunUntilTheWindowEnds(h.window, &driver));

      QVERIFY(h.handset.HasDirectory("/a/ok"));
      QCOMPARE(messages.seen.size(), std::size_t{1});
      QCOMPARE(messages.seen[0].icon, QMessageBox::Warning);
      QCOMPARE(messages.seen[0].caption, kCaption);
      QCOMPARE(messages.seen[0].text,
               QStringLiteral("Uploading done, but ") + failed +
                   QStringLiteral(" failed! Tollhaven will exit now.\n\rThe event log .log "
                                  "tells which.\n\rDo you want powercycle your phone?"));
      QCOMPARE(messages.seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
      QCOMPARE(h.handset.RestartCount(), 0);
      QVERIFY(QFile::exists(LogFile(h.test)));
      QVERIFY(ReadFile(LogFile(h.test)).contains("Refused, not an attribute value") ||
              ReadFile(LogFile(h.test)).contains("Skipped, cannot read"));
      QVERIFY(!QFile::exists(ConfigFile(h.test)));
    }
  }

  // Cancel in the wait dialog of a "to" stops the run: the removals after it do not happen, and
  // the message says the run was stopped.
  void cancelDuringAnUploadStopsTheRun() {
    QTemporaryDir skin;
    QVERIFY(WriteFile(skin.filePath(QStringLiteral("big.bin")), QByteArray(200 * 1024, 'b')));
    const QString patch = skin.filePath(QStringLiteral("skin.tlhv"));
    QVERIFY(WriteFile(patch,
                      "cp big.bin\r\nto /a/big.bin\r\nrm /a/odd.zzz\r\nrd /a/audio\r\n"
                      "md /a/later\r\n"));
    HandsetWindow h({QStringLiteral("tollhaven"), patch});
    QVERIFY(QFile::remove(ConfigFile(h.test)));
    Messages messages(h.window, QMessageBox::No);
    DialogDriver driver(h.window, DialogDriver::Act::Start);
    constexpr int kWrite = 0x02;
    QTimer poll;
    bool pressed = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<WaitDialog*>(QApplication::activeModalWidget());
      int writes = 0;
      for (const auto& command : h.handset.Received()) {
        writes += command.subCommand() == kWrite;
      }
      if (dialog == nullptr || writes < 3) {
        return;
      }
      poll.stop();
      QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cancelButton")),
                        Qt::LeftButton);
      pressed = true;
    });
    poll.start(10);
    h.handset.SetLatency(std::chrono::milliseconds(2));
    QVERIFY(RunUntilTheWindowEnds(h.window, &driver));
    h.handset.SetLatency(std::chrono::microseconds(0));

    QVERIFY(pressed);
    QVERIFY(!h.handset.File("/a/big.bin").has_value());
    QVERIFY(h.handset.File("/a/odd.zzz").has_value());
    QVERIFY(h.handset.File("/a/audio/tune.mid").has_value());
    QVERIFY(!h.handset.HasDirectory("/a/later"));
    QVERIFY(Logged(h.window, "Cancelled: /a/big.bin"));
    QCOMPARE(messages.seen.size(), std::size_t{1});
    QCOMPARE(messages.seen[0].icon, QMessageBox::Warning);
    QCOMPARE(messages.seen[0].text,
             QStringLiteral("Uploading stopped by Cancel! Tollhaven will exit now.\n\rThe lines "
                            "after it did not run; the event log .log tells which did.\n\rDo "
                            "you want powercycle your phone?"));
    QVERIFY(QFile::exists(LogFile(h.test)));
    QVERIFY(!QFile::exists(ConfigFile(h.test)));
  }

  void aMissingPatchFileListsTwoLinesAndStillConnects() {
    QTemporaryDir skin;
    const QString patch = skin.filePath(QStringLiteral("gone.tlhv"));
    HandsetWindow h({QStringLiteral("tollhaven"), patch});
    Messages messages(h.window);
    DialogDriver driver(h.window, DialogDriver::Act::Start);
    QVERIFY(RunUntilTheWindowEnds(h.window, &driver));
    QCOMPARE(driver.listed, (QStringList{patch, kSeparator}));
    QVERIFY(Logged(h.window, "Usb p2k device found, phone connected !"));
    QCOMPARE(messages.seen.size(), std::size_t{1});
    QCOMPARE(messages.seen[0].text, kRunComplete);
  }

  void aSkinPackShowsItsMessageAndClosesNormally() {
    QTemporaryDir skin;
    WindowUnderTest test(QuietSettings(),
                         {QStringLiteral("tollhaven"), skin.filePath(QStringLiteral("pack.s4m"))});
    QVERIFY(QFile::remove(ConfigFile(test)));
    Messages messages(*test.window);
    DialogDriver driver(*test.window, DialogDriver::Act::Cancel);
    QVERIFY(RunUntilTheWindowEnds(*test.window));
    QTest::qWait(30);
    QVERIFY(!driver.acted);
    QCOMPARE(messages.seen.size(), std::size_t{1});
    const Message& message = messages.seen[0];
    QCOMPARE(message.icon, QMessageBox::Information);
    QCOMPARE(message.caption, kCaption);
    QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    const QStringList parts = message.text.split(QStringLiteral("\n\r"));
    QCOMPARE(parts.size(), 4);
    QCOMPARE(parts[0], QStringLiteral("To open this skinpack you need skinner4moto!"));
    QVERIFY(!parts[1].isEmpty());
    QVERIFY(!parts[1].contains(QStringLiteral("http")));
    QVERIFY(!parts[1].contains(QStringLiteral("www")));
    QCOMPARE(parts[2], QStringLiteral("Or you have to rename this *.s4m to *.zip."));
    QCOMPARE(parts[3], QStringLiteral("Then unzip that standard zipfile, and click *.tlhv file"));
    // The normal close: both files written.
    QVERIFY(QFile::exists(ConfigFile(test)));
    QVERIFY(QFile::exists(LogFile(test)));
  }

  void anUpperCaseS4mIsAPatchFile() {
    QTemporaryDir skin;
    const QString pack = skin.filePath(QStringLiteral("pack.S4M"));
    WindowUnderTest test(QuietSettings(), {QStringLiteral("tollhaven"), pack});
    QVERIFY(QFile::remove(ConfigFile(test)));
    Messages messages(*test.window);
    DialogDriver driver(*test.window, DialogDriver::Act::Cancel);
    QVERIFY(RunUntilTheWindowEnds(*test.window, &driver));
    QCOMPARE(driver.listed, (QStringList{pack, kSeparator}));
    QVERIFY(messages.seen.empty());
    QVERIFY(!QFile::exists(ConfigFile(test)));
    QVERIFY(!QFile::exists(LogFile(test)));
  }

  void withoutAnArgumentTheProgramGoesOn() {
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("tollhaven")}, QStringList{"tollhaven", ""}}) {
      WindowUnderTest test(QuietSettings(), arguments);
      Messages messages(*test.window);
      DialogDriver driver(*test.window, DialogDriver::Act::Cancel);
      QVERIFY(test.Show());
      QTest::qWait(100);
      QVERIFY(test.window->isVisible());
      QVERIFY(!driver.acted);
      QVERIFY(messages.seen.empty());
    }
  }

  // Last: it runs the application's own loop, which a quit leaves marked as ended.
  void theProgramEndsAfterAPatchRun() {
    QTemporaryDir skin;
    WindowUnderTest test(QuietSettings(),
                         {QStringLiteral("tollhaven"), skin.filePath(QStringLiteral("gone.tlhv"))});
    Messages messages(*test.window);
    DialogDriver driver(*test.window, DialogDriver::Act::Cancel);
    test.window->show();
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    watchdog.start(kRunTimeoutMs);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(driver.acted);
    QVERIFY(!test.window->isVisible());
  }
};

QTEST_MAIN(PatchRunTest)
#include "patch_run_test.moc"
