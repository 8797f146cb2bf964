// The desktop integration in a temporary home, checked with the desktop's own tools: xdg-mime,
// update-mime-database, update-desktop-database and desktop-file-validate.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <map>

#include "app/desktop_launcher.h"
#include "app/shell_integration_commands.h"
#include "main_window_fixture.h"
#include "support/shell_integration.h"
#include "support/ui/resource_images.h"
#include "support/ui/shell_integration.h"

using tollhaven::ShellIntegration;
using tollhaven::testing::QuietSettings;
using tollhaven::testing::WindowUnderTest;

namespace {

namespace fs = std::filesystem;

// The cache tools run on their own; they take well under a second, the margin is for a loaded
// machine.
constexpr int kToolTimeoutMs = 15000;

// Points every XDG directory of this process, and of the programs it starts, into `home`.
void PointXdgAt(const QString& home) {
  for (const char* name : {"data", "config", "system", "runtime"}) {
    QDir(home).mkpath(QLatin1String(name));
  }
  // The session's runtime directory is private to its user.
  QFile::setPermissions(home + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("XDG_DATA_HOME", QFile::encodeName(home + "/data"));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + "/config"));
  qputenv("XDG_DATA_DIRS", QFile::encodeName(home + "/system"));
  qputenv("XDG_CONFIG_DIRS", QFile::encodeName(home + "/system-config"));
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home + "/runtime"));
}

fs::path ToPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

QString ReadText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void WriteText(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(text);
}

// A program at `path`, as the companion would be.
void MakeProgram(const QString& path) {
  WriteText(path, "#!/bin/sh\n");
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The value of `key` in a desktop entry file; empty when absent.
QString EntryValue(const QString& file, const char* key) {
  return QString::fromStdString(
      tollhaven::DesktopEntryValue(ReadText(file).toStdString(), key).value_or(""));
}

QString ToQString(const fs::path& path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// The program the desktop would start for our file types: this test program.
fs::path ThisProgram() {
  return fs::read_symlink("/proc/self/exe");
}

}  // namespace

class ShellIntegrationTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void aStartTiesTheFileTypesToTollhavenAndKeepsOtherEntries();
  void aSecondStartWritesNothingAndRefreshesNothing();
  void theDesktopStartsTheExecutableWithTheFileEvenOnAnAwkwardPath();
  void anInstalledPackageGetsNoUserCopies();
  void theSkinToolKeepsSkinPacks();
  void autoStartOnWritesTheEntryAndStartsTheCompanion();
  void autoStartOffHidesTheEntryAndRaisesTheStopSignalWithoutBlocking();
  void theStopSignalKeepsTheLongerWaitAndEndsWhenTurnedOn();
  void theStartupTaskStartsTheCompanion();

 private:
  QString Data(const QString& path) const { return home_->path() + "/data/" + path; }
  QString Config(const QString& path) const { return home_->path() + "/config/" + path; }
  QString System(const QString& path) const { return home_->path() + "/system/" + path; }
  QString StopSignal() const { return home_->path() + "/runtime/KillLmpw"; }
  // Runs xdg-mime as the generic freedesktop desktop does and returns the first line it prints.
  QString XdgMime(const QStringList& arguments) const;
  // A file of that name in the temporary home, for xdg-mime to look at.
  QString SampleFile(const QString& name) const;
  bool CachesBuilt() const {
    return QFile::exists(Data("mime/mime.cache")) &&
           QFile::exists(Data("applications/mimeinfo.cache"));
  }

  std::unique_ptr<QTemporaryDir> home_;
};

void ShellIntegrationTest::init() {
  home_ = std::make_unique<QTemporaryDir>();
  QVERIFY(home_->isValid());
  PointXdgAt(home_->path());
}

void ShellIntegrationTest::cleanup() {
  // The cache tools a start left running must be done before their directory can go.
  if (QFile::exists(Data("mime/packages/tollhaven.xml"))) {
    QTRY_VERIFY_WITH_TIMEOUT(CachesBuilt(), kToolTimeoutMs);
  }
  QTRY_VERIFY_WITH_TIMEOUT(home_->remove(), kToolTimeoutMs);
}

QString ShellIntegrationTest::XdgMime(const QStringList& arguments) const {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  // Whatever desktop the machine runs, ask the way every freedesktop desktop answers.
  environment.insert("XDG_CURRENT_DESKTOP", "X-Generic");
  for (const char* name : {"KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                           "MATE_DESKTOP_SESSION_ID", "DESKTOP_SESSION", "LXQT_SESSION_CONFIG"}) {
    environment.remove(name);
  }
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral("xdg-mime"), arguments);
  if (!process.waitForFinished(kToolTimeoutMs)) {
    return QStringLiteral("(xdg-mime did not answer)");
  }
  return QString::fromUtf8(process.readAllStandardOutput()).section('\n', 0, 0).trimmed();
}

QString ShellIntegrationTest::SampleFile(const QString& name) const {
  const QString path = home_->path() + "/files/" + name;
  QDir().mkpath(home_->path() + "/files");
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) {
    file.write("cp a.bin\r\n");
  }
  return path;
}

void ShellIntegrationTest::aStartTiesTheFileTypesToTollhavenAndKeepsOtherEntries() {
  // The user's own choices, among them another program for patch files, and the programs they
  // name.
  WriteText(Config("mimeapps.list"),
            "[Default Applications]\ntext/plain=editor.desktop;\n"
            "application/x-tollhaven-patch=other.desktop;\n\n"
            "[Added Associations]\nimage/png=viewer.desktop;\n");
  WriteText(System("applications/editor.desktop"),
            "[Desktop Entry]\nType=Application\nName=Editor\nExec=true %f\nMimeType=text/plain;\n");
  WriteText(System("applications/other.desktop"),
            "[Desktop Entry]\nType=Application\nName=Other\nExec=true %f\n"
            "MimeType=application/x-tollhaven-patch;\n");

  WindowUnderTest window;

  QTRY_COMPARE_WITH_TIMEOUT(XdgMime({"query", "filetype", SampleFile("x.tlhv")}),
                            QStringLiteral("application/x-tollhaven-patch"), kToolTimeoutMs);
  QCOMPARE(XdgMime({"query", "default", "application/x-tollhaven-patch"}),
           QStringLiteral("org.tollhaven.Tollhaven.desktop"));
  QCOMPARE(XdgMime({"query", "filetype", SampleFile("pack.s4m")}),
           QStringLiteral("application/x-tollhaven-skin-pack"));
  QCOMPARE(XdgMime({"query", "default", "application/x-tollhaven-skin-pack"}),
           QStringLiteral("org.tollhaven.Tollhaven.desktop"));
  // The program reads "PACK.S4M" as a patch file, so the desktop must not call it a skin pack.
  // xdg-mime's own lookup ignores case; the desktop's database keeps the flag for those that
  // do not.
  QVERIFY(ReadText(Data("mime/globs2")).contains("application/x-tollhaven-skin-pack:*.s4m:cs\n"));

  // Everything else the user had is still there and still answers.
  QCOMPARE(XdgMime({"query", "default", "text/plain"}), QStringLiteral("editor.desktop"));
  const QString list = ReadText(Config("mimeapps.list"));
  QVERIFY2(list.contains("\n[Added Associations]\nimage/png=viewer.desktop;\n"), qPrintable(list));
  // The other program stays behind ours, for when ours is gone.
  QVERIFY2(list.contains(
               "\napplication/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;other.desktop;\n"),
           qPrintable(list));

  // Our entry is one the desktop accepts, and the icon it names is in the user's theme.
  QProcess validate;
  validate.start(QStringLiteral("desktop-file-validate"),
                 {Data("applications/org.tollhaven.Tollhaven.desktop")});
  QVERIFY(validate.waitForFinished(kToolTimeoutMs));
  QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
  tollhaven::InitResources();
  QFile icon(QString::fromLatin1(tollhaven::kAppIcon));
  QVERIFY(icon.open(QIODevice::ReadOnly));
  QCOMPARE(ReadText(Data("icons/hicolor/scalable/apps/org.tollhaven.Tollhaven.svg")),
           QString::fromUtf8(icon.readAll()));
}

void ShellIntegrationTest::aSecondStartWritesNothingAndRefreshesNothing() {
  const fs::path executable = ThisProgram();
  const fs::path companion = ToPath(home_->path() + "/bin/Lampwick");
  MakeProgram(ToQString(companion));
  QStringList tools;
  auto start = [&] {
    auto integration = std::make_unique<ShellIntegration>(executable, companion);
    integration->startCompanion = [](const fs::path&) { return true; };
    integration->runTool = [&tools, real = integration->runTool](const QString& tool,
                                                                 const QStringList& arguments) {
      tools << tool;
      real(tool, arguments);
    };
    const int written = integration->RegisterAssociations();
    integration->ApplyAutoStart(false, tollhaven::kStartupStopSignalMs);
    return written;
  };

  QCOMPARE(start(), 4);  // MIME package, desktop entry, icon, mimeapps.list
  QCOMPARE(tools, QStringList({"update-mime-database", "update-desktop-database"}));
  QTRY_VERIFY_WITH_TIMEOUT(CachesBuilt(), kToolTimeoutMs);

  // Put every file we wrote a day into the past: any write would bring it back to now.
  const QStringList files{Data("mime/packages/tollhaven.xml"),
                          Data("applications/org.tollhaven.Tollhaven.desktop"),
                          Data("icons/hicolor/scalable/apps/org.tollhaven.Tollhaven.svg"),
                          Config("mimeapps.list"), Config("autostart/Lampwick.desktop")};
  std::map<QString, fs::file_time_type> aged;
  for (const QString& file : files) {
    const fs::path path = ToPath(file);
    fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(24));
    aged[file] = fs::last_write_time(path);
  }

  tools.clear();
  QCOMPARE(start(), 0);
  QCOMPARE(tools, QStringList());
  for (const QString& file : files) {
    QVERIFY2(fs::last_write_time(ToPath(file)) == aged[file], qPrintable(file));
  }
}

void ShellIntegrationTest::theDesktopStartsTheExecutableWithTheFileEvenOnAnAwkwardPath() {
  const QString awkward = home_->path() + "/My \"Tools\" $HOME 100% `x` \\/tollhaven";
  ShellIntegration integration(ToPath(awkward), ToPath(home_->path() + "/Lampwick"));
  QCOMPARE(integration.RegisterAssociations(), 4);

  // The launcher's own reading of desktop entries gives back the path and the file, unchanged.
  const std::optional<tollhaven::DesktopEntry> entry =
      tollhaven::ReadDesktopEntry(Data("applications/org.tollhaven.Tollhaven.desktop"));
  QVERIFY(entry.has_value());
  QCOMPARE(tollhaven::ExpandDesktopExec(*entry, "/tmp/a patch.tlhv"),
           QStringList({awkward, "/tmp/a patch.tlhv"}));
  QProcess validate;
  validate.start(QStringLiteral("desktop-file-validate"),
                 {Data("applications/org.tollhaven.Tollhaven.desktop")});
  QVERIFY(validate.waitForFinished(kToolTimeoutMs));
  QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
}

void ShellIntegrationTest::anInstalledPackageGetsNoUserCopies() {
  WriteText(System("applications/org.tollhaven.Tollhaven.desktop"),
            "[Desktop Entry]\nType=Application\nName=Tollhaven\nExec=true %f\n"
            "MimeType=application/x-tollhaven-patch;\n");
  WriteText(System("mime/packages/tollhaven.xml"),
            tollhaven::MimePackageXml({tollhaven::kPatchFileType}).c_str());
  // What a run from a build directory wrote before the package came.
  WriteText(Data("applications/org.tollhaven.Tollhaven.desktop"),
            tollhaven::TollhavenDesktopEntry(
                "/home/me/src/tollhaven/build/tollhaven",
                {tollhaven::kPatchFileMimeType, tollhaven::kSkinPackMimeType})
                .value()
                .c_str());

  WindowUnderTest window;

  QVERIFY(!QFile::exists(Data("applications/org.tollhaven.Tollhaven.desktop")));
  QVERIFY(!QFile::exists(Data("mime/packages/tollhaven.xml")));
  QVERIFY(!QFile::exists(Data("icons")));
  QCOMPARE(XdgMime({"query", "default", "application/x-tollhaven-patch"}),
           QStringLiteral("org.tollhaven.Tollhaven.desktop"));
  // The package leaves skin packs out; without the skin tool they are this user's to claim.
  QTRY_COMPARE_WITH_TIMEOUT(XdgMime({"query", "filetype", SampleFile("pack.s4m")}),
                            QStringLiteral("application/x-tollhaven-skin-pack"), kToolTimeoutMs);
  QCOMPARE(XdgMime({"query", "default", "application/x-tollhaven-skin-pack"}),
           QStringLiteral("org.tollhaven.Tollhaven.desktop"));
  QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Data("applications/mimeinfo.cache")), kToolTimeoutMs);
}

void ShellIntegrationTest::theSkinToolKeepsSkinPacks() {
  WriteText(System("applications/skinner4moto.desktop"),
            "[Desktop Entry]\nType=Application\nName=Skins\nExec=true %f\n");

  WindowUnderTest window;

  QTRY_COMPARE_WITH_TIMEOUT(XdgMime({"query", "filetype", SampleFile("x.tlhv")}),
                            QStringLiteral("application/x-tollhaven-patch"), kToolTimeoutMs);
  QVERIFY(XdgMime({"query", "filetype", SampleFile("pack.s4m")}) !=
          QStringLiteral("application/x-tollhaven-skin-pack"));
  QVERIFY(!ReadText(Config("mimeapps.list")).contains("skin-pack"));
}

void ShellIntegrationTest::autoStartOnWritesTheEntryAndStartsTheCompanion() {
  const fs::path companion = ToPath(home_->path() + "/bin/Lampwick");
  ShellIntegration integration(ThisProgram(), companion);
  QStringList started;
  integration.startCompanion = [&started](const fs::path& program) {
    started << ToQString(program);
    return true;
  };
  // A copy that died with the signal up left it behind; it would end the companion at once.
  WriteText(StopSignal(), "");

  // No companion beside the program: no session starts it.
  integration.ApplyAutoStart(true, tollhaven::kStartupStopSignalMs);
  QVERIFY(!QFile::exists(Config("autostart/Lampwick.desktop")));
  QVERIFY(!QFile::exists(StopSignal()));

  MakeProgram(ToQString(companion));
  started.clear();
  integration.ApplyAutoStart(true, tollhaven::kStartupStopSignalMs);

  QCOMPARE(started, QStringList{ToQString(companion)});
  QCOMPARE(EntryValue(Config("autostart/Lampwick.desktop"), "Exec"), ToQString(companion));
  QCOMPARE(EntryValue(Config("autostart/Lampwick.desktop"), "Hidden"), QStringLiteral("false"));
  QVERIFY(!integration.StopSignalRaised());
  QVERIFY(!QFile::exists(StopSignal()));

  // The Options dialog's OK goes the same way, with the companion beside the program; and so
  // does a start, which takes a leftover signal away too.
  WriteText(StopSignal(), "");
  tollhaven::Settings autoStart = QuietSettings();
  autoStart.autoStart = 1;
  WindowUnderTest window(autoStart);
  QVERIFY(!QFile::exists(StopSignal()));
  window.window->shellIntegration().startCompanion = [&started](const fs::path& program) {
    started << ToQString(program);
    return true;
  };
  const QString besideProgram = ToQString(window.dir() / "Lampwick");
  MakeProgram(besideProgram);
  started.clear();
  tollhaven::ApplyAutoStart(*window.window, true);
  QCOMPARE(started, QStringList{besideProgram});
  QCOMPARE(EntryValue(Config("autostart/Lampwick.desktop"), "Exec"), besideProgram);
  QCOMPARE(EntryValue(Config("autostart/Lampwick.desktop"), "Hidden"), QStringLiteral("false"));
}

void ShellIntegrationTest::autoStartOffHidesTheEntryAndRaisesTheStopSignalWithoutBlocking() {
  // The entry an earlier run wrote for a companion that has gone since.
  WriteText(Config("autostart/Lampwick.desktop"),
            tollhaven::CompanionAutostartEntry("/opt/gone/Lampwick", true).value().c_str());
  QElapsedTimer clock;
  clock.start();
  // Settings with auto-start off: the window's initialisation raises the signal.
  WindowUnderTest window(QuietSettings());
  const qint64 constructed = clock.elapsed();
  QVERIFY(QFile::exists(StopSignal()));
  QCOMPARE(EntryValue(Config("autostart/Lampwick.desktop"), "Hidden"), QStringLiteral("true"));
  QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(StopSignal()), 5000);
  QVERIFY2(clock.elapsed() >= tollhaven::kStartupStopSignalMs,
           qPrintable(QString::number(clock.elapsed())));
  // The wait passed in the event loop, not inside the window's construction.
  QVERIFY2(constructed < clock.elapsed(), qPrintable(QString::number(constructed)));

  // The Options dialog's OK holds it longer, and returns at once.
  clock.restart();
  tollhaven::ApplyAutoStart(*window.window, false);
  const qint64 returned = clock.elapsed();
  QVERIFY(QFile::exists(StopSignal()));
  QVERIFY2(returned < tollhaven::kOptionsStopSignalMs, qPrintable(QString::number(returned)));
  QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(StopSignal()), 5000);
  QVERIFY2(clock.elapsed() >= tollhaven::kOptionsStopSignalMs,
           qPrintable(QString::number(clock.elapsed())));
}

void ShellIntegrationTest::theStopSignalKeepsTheLongerWaitAndEndsWhenTurnedOn() {
  auto integration =
      std::make_unique<ShellIntegration>(ThisProgram(), ToPath(home_->path() + "/Lampwick"));
  int starts = 0;
  integration->startCompanion = [&starts](const fs::path&) {
    ++starts;
    return true;
  };

  QElapsedTimer clock;
  clock.start();
  integration->ApplyAutoStart(false, tollhaven::kOptionsStopSignalMs);
  integration->ApplyAutoStart(false, tollhaven::kStartupStopSignalMs);
  QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(StopSignal()), 5000);
  QVERIFY2(clock.elapsed() >= tollhaven::kOptionsStopSignalMs,
           qPrintable(QString::number(clock.elapsed())));

  // Turned back on while the signal is up: it goes at once, or it would end the new companion.
  integration->ApplyAutoStart(false, tollhaven::kOptionsStopSignalMs);
  QVERIFY(QFile::exists(StopSignal()));
  integration->ApplyAutoStart(true, tollhaven::kOptionsStopSignalMs);
  QVERIFY(!QFile::exists(StopSignal()));
  QCOMPARE(starts, 1);

  // Nor does a window that goes away leave it behind.
  integration->ApplyAutoStart(false, tollhaven::kOptionsStopSignalMs);
  QVERIFY(QFile::exists(StopSignal()));
  integration.reset();
  QVERIFY(!QFile::exists(StopSignal()));
}

void ShellIntegrationTest::theStartupTaskStartsTheCompanion() {
  WindowUnderTest window(QuietSettings());
  QStringList started;
  window.window->shellIntegration().startCompanion = [&started](const fs::path& program) {
    started << ToQString(program);
    return true;
  };
  // Turned on before the first tick of the start-up timer.
  window.window->settings().autoStart = 1;
  QTRY_COMPARE(started, QStringList{ToQString(window.dir() / "Lampwick")});
}

int main(int argc, char* argv[]) {
  // Before anything of Qt's can look at the user's directories.
  QTemporaryDir sandbox;
  if (!sandbox.isValid()) {
    return 1;
  }
  PointXdgAt(sandbox.path());
  QApplication application(argc, argv);
  ShellIntegrationTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "shell_integration_test.moc"
