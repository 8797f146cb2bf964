// Start and end of the main window: the start-up timer with the fade-in, the saved rectangle, the
// start-up reminder, and the close sequence with its two files.
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "app/startup_reminder.h"
#include "app/status_bar.h"
#include "main_window_fixture.h"

using namespace tollhaven;
using tollhaven::testing::QuietSettings;
using tollhaven::testing::WindowUnderTest;

namespace {

const char kLimitWarning[] =
    "Warning setting \"number of files\" is NOT unlimited !!!\r\nYou will not see the whole "
    "filelist !!!\r\nYou can change this setting in options menu.\r\nAfter that you must perform a "
    "\"Re-read\".";

// Answers every message box that comes up, once `mayClose` allows, and notes what it said.
class MessageBoxCatcher {
 public:
  explicit MessageBoxCatcher(std::function<bool()> mayClose = [] { return true; })
      : mayClose_(std::move(mayClose)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box != nullptr && box->isVisible() && mayClose_()) {
        seen << box->windowTitle() + QLatin1Char('|') + box->text();
        icons << box->icon();
        box->accept();
      }
    });
    timer_.start(5);
  }

  QStringList seen;
  QList<QMessageBox::Icon> icons;

 private:
  std::function<bool()> mayClose_;
  QTimer timer_;
};

}  // namespace

class MainWindowStartupTest : public QObject {
  Q_OBJECT

 private slots:
  void reminderTexts_data();
  void reminderTexts();
  void reminderBoxesAppearAtStartInOrder();
  void fadeInAppliesTheSavedRectangleAndRunsTheTasksOnce();
  void withoutFadeInTheWindowKeepsItsFirstSize();
  void closeWritesTheSettingsAndTheLog();
  void statusBarTextsAndFonts();
};

void MainWindowStartupTest::reminderTexts_data() {
  QTest::addColumn<int>("fileLimit");
  QTest::addColumn<QList<int>>("partitions");
  QTest::addColumn<QStringList>("messages");
  const QString limit = QStringLiteral("Tollhaven warning message:|") + kLimitWarning;
  QTest::newRow("unlimited, /a") << -1 << QList<int>{1, 0, 0}
                                 << QStringList{
                                        "n00b reminder...|Selected partition is: /a\n\r"
                                        "This can be modified in options dialog."};
  QTest::newRow("limit 100, /a") << 100 << QList<int>{1, 0, 0}
                                 << QStringList{limit,
                                                "n00b reminder...|Selected partition is: /a\n\r"
                                                "This can be modified in options dialog."};
  QTest::newRow("only /b") << -1 << QList<int>{0, 1, 0}
                           << QStringList{
                                  "n00b reminder...|Selected partition is: /b\n\r"
                                  "This can be modified in options dialog."};
  QTest::newRow("a file naming none") << -1 << QList<int>{0, 0, 0}
                                      << QStringList{
                                             "n00b reminder...|Selected partition is: \n\r"
                                             "This can be modified in options dialog."};
  QTest::newRow("a file naming all") << 10 << QList<int>{1, 1, 1}
                                     << QStringList{limit,
                                                    "n00b reminder...|Selected partition is: "
                                                    "/a/b/c\n\rThis can be modified in options "
                                                    "dialog."};
}

void MainWindowStartupTest::reminderTexts() {
  QFETCH(int, fileLimit);
  QFETCH(QList<int>, partitions);
  QFETCH(QStringList, messages);
  Settings settings;
  settings.fileLimit = fileLimit;
  settings.partitionA = partitions[0];
  settings.partitionB = partitions[1];
  settings.partitionC = partitions[2];
  QStringList shown;
  for (const ReminderMessage& message : StartupReminder(settings)) {
    shown << QString::fromStdString(message.caption + "|" + message.text);
  }
  QCOMPARE(shown, messages);

  settings.showReminder = 0;
  QVERIFY(StartupReminder(settings).empty());
}

void MainWindowStartupTest::reminderBoxesAppearAtStartInOrder() {
  for (int fileLimit : {100, -1}) {
    MessageBoxCatcher catcher;
    Settings settings = QuietSettings();
    settings.showReminder = 1;
    settings.fileLimit = fileLimit;
    WindowUnderTest test(settings);
    test.window->show();
    const int expected = fileLimit == -1 ? 1 : 2;
    QTRY_COMPARE(catcher.seen.size(), expected);
    QCOMPARE(catcher.seen.first().startsWith(fileLimit == -1 ? "n00b reminder...|"
                                                             : "Tollhaven warning message:|"),
             true);
    QCOMPARE(catcher.seen.last(), QStringLiteral("n00b reminder...|Selected partition is: /a\n\r"
                                                 "This can be modified in options dialog."));
    for (QMessageBox::Icon icon : catcher.icons) {
      QCOMPARE(icon, QMessageBox::Warning);
    }
  }
}

void MainWindowStartupTest::fadeInAppliesTheSavedRectangleAndRunsTheTasksOnce() {
  Settings settings = QuietSettings();
  settings.fadeIn = 1;
  settings.showReminder = 1;
  settings.windowLeft = 40;
  settings.windowRight = 740;
  settings.windowTop = 30;
  settings.windowBottom = 530;
  WindowUnderTest test(settings);
  MainWindow& window = *test.window;
  // The reminder stays open until the fade-in is over: the fade goes on behind it.
  MessageBoxCatcher catcher([&window] { return window.startupOpacity() == 255; });
  QCOMPARE(window.windowOpacity(), 0.0);
  window.show();
  QTRY_COMPARE(catcher.seen.size(), 1);
  QCOMPARE(window.startupOpacity(), 255);
  // The last of the 52 ticks makes the window opaque.
  QTRY_COMPARE(window.windowOpacity(), 1.0);
  QCOMPARE(window.frameGeometry(), QRect(QPoint(40, 30), QSize(700, 500)));
  // The tasks ran on the first tick only.
  QTest::qWait(50);
  QCOMPARE(catcher.seen.size(), 1);
}

void MainWindowStartupTest::withoutFadeInTheWindowKeepsItsFirstSize() {
  Settings settings = QuietSettings();
  settings.windowLeft = 40;
  settings.windowRight = 740;
  settings.windowTop = 30;
  settings.windowBottom = 530;
  WindowUnderTest test(settings);
  QVERIFY(test.Show());
  QTest::qWait(20);
  QCOMPARE(test.window->windowOpacity(), 1.0);
  QCOMPARE(test.window->width(), 615);  // the template's 410 dialog units
  QVERIFY(test.window->frameGeometry().topLeft() != QPoint(40, 30));
}

void MainWindowStartupTest::closeWritesTheSettingsAndTheLog() {
  for (int fadeIn : {0, 1}) {
    Settings settings = QuietSettings();
    settings.fadeIn = fadeIn;
    WindowUnderTest test(settings);
    MainWindow& window = *test.window;
    QVERIFY(test.Show());
    QTRY_COMPARE(window.windowOpacity(), 1.0);
    window.settings().handsetType = 3;  // as the Options box would
    window.eventLog().AppendLog("one more line");
    const QRect frame = window.frameGeometry();

    QVERIFY(window.close());

    QFile config(QString::fromStdString((test.dir() / ".config").string()));
    QVERIFY(config.open(QIODevice::ReadOnly));
    QCOMPARE(config.size(), 52);
    Settings saved;
    LoadSettings(saved, test.dir() / ".config");
    QCOMPARE(saved.handsetType, 3);
    QCOMPARE(saved.fadeIn, fadeIn);
    QCOMPARE(saved.windowLeft, frame.left());
    QCOMPARE(saved.windowTop, frame.top());
    QCOMPARE(saved.windowRight, frame.left() + frame.width());
    QCOMPARE(saved.windowBottom, frame.top() + frame.height());

    QFile log(QString::fromStdString((test.dir() / ".log").string()));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray expected = QByteArray::fromStdString(test.dir().string()) +
                                "\r\nTollhaven launched.\r\none more line\r\n";
    QCOMPARE(log.readAll(), expected);
    // With the fade-in on, the window fades out before it goes.
    QCOMPARE(window.windowOpacity() < 0.1, fadeIn == 1);
  }
}

void MainWindowStartupTest::statusBarTextsAndFonts() {
  WindowUnderTest test;
  // The lists and path fields use a bold face that the font matcher actually found.
  for (int side : {kLeft, kRight}) {
    const QList<QWidget*> controls = {test.window->list(side), test.window->pathField(side)};
    for (QWidget* control : controls) {
      const QFontInfo face(control->font());
      QVERIFY(!face.family().isEmpty());
      QCOMPARE(face.pixelSize(), 12);
      QVERIFY(face.weight() >= QFont::DemiBold);
    }
  }
  QCOMPARE(test.window->windowTitle(), QStringLiteral("Tollhaven v3.28"));
  const StatusBar& status = test.window->status();
  QCOMPARE(status.partText(0), QStringLiteral("Space:"));
  QCOMPARE(status.partText(1), QStringLiteral("Vols: "));
  QCOMPARE(status.partText(2), QStringLiteral("Files:"));
  QCOMPARE(status.partText(3), QStringLiteral("Model:"));
}

QTEST_MAIN(MainWindowStartupTest)
#include "main_window_startup_test.moc"
