// Handing files to outside programs: desktop entries read, found and expanded; the plain-text
// application found through xdg-mime, and every way that search falls back to the desktop.
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "app/desktop_launcher.h"

namespace {

// Stands in for the desktop wherever a file would open in its default application.
class UrlRecorder : public QObject {
  Q_OBJECT

 public slots:
  void open(const QUrl& url) { urls.append(url); }

 public:
  QList<QUrl> urls;
};

// A file that need not exist: nothing in these tests opens it for real.
const QString kTextFile = QStringLiteral("/srv/handset/read me.txt");
const QString kTextUrl = QStringLiteral("file:///srv/handset/read%20me.txt");

// Writes `contents` to `path`, creating its directory; a null `contents` removes the file.
bool WriteFile(const QString& path, const QByteArray& contents, bool executable = false) {
  if (contents.isNull()) {
    return !QFile::exists(path) || QFile::remove(path);
  }
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(contents) != contents.size()) {
    return false;
  }
  file.close();
  return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class DesktopLauncherTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void readDesktopEntry_data();
  void readDesktopEntry();
  void locateDesktopFile_data();
  void locateDesktopFile();
  void expandDesktopExec_data();
  void expandDesktopExec();
  void openAsXdgText_data();
  void openAsXdgText();
  void platformLauncherStartsTheTextApplicationDetached();
  void platformLauncherOpensThroughTheDesktop();

 private:
  QString Path(const QString& relative) const { return root_.filePath(relative); }

  QTemporaryDir root_;
  QByteArray savedPath_;
  UrlRecorder desktop_;
  // What OpenAsXdgText asked of the launcher it was given.
  QList<QStringList> started_;
  QStringList openedByDefault_;
};

void DesktopLauncherTest::initTestCase() {
  QVERIFY(root_.isValid());
  // The applications directories, the programs on the path and the desktop all belong to the
  // test: nothing of the machine's own desktop can answer or start.
  qputenv("XDG_DATA_HOME", QFile::encodeName(Path("home")));
  qputenv("XDG_DATA_DIRS", QFile::encodeName(Path("sys1") + QLatin1Char(':') + Path("sys2")));
  savedPath_ = qgetenv("PATH");
  QVERIFY(QDir().mkpath(Path("bin")));
  qputenv("PATH", QFile::encodeName(Path("bin")));
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop_, "open");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void DesktopLauncherTest::cleanupTestCase() {
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  qputenv("PATH", savedPath_);
}

void DesktopLauncherTest::readDesktopEntry_data() {
  QTest::addColumn<QByteArray>("contents");  // null: no file at all
  QTest::addColumn<bool>("found");
  QTest::addColumn<QString>("exec");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("icon");
  QTest::addColumn<bool>("terminal");

  QTest::newRow("plain") << QByteArray(
                                "[Desktop Entry]\nType=Application\nName=Editor\n"
                                "Icon=text-editor\nExec=editor %F\n")
                         << true << "editor %F"
                         << "Editor"
                         << "text-editor" << false;
  // String escapes go, the quoting escapes of Exec (\$) stay for the expansion.
  QTest::newRow("comments, spacing and escapes")
      << QByteArray(
             "# written by hand\n\n[Desktop Entry]\r\nName = Editor\r\n"
             "Exec = editor\\s--title \"a\\\\\\\\b \\$HOME\" %f\r\nTerminal=true\r\n")
      << true << "editor --title \"a\\\\b \\$HOME\" %f"
      << "Editor" << QString() << true;
  QTest::newRow("name in the language")
      << QByteArray("[Desktop Entry]\nName=Editor\nName[fr]=Editeur\nName[de]=Textbearbeitung\n")
      << true << QString() << "Textbearbeitung" << QString() << false;
  QTest::newRow("name in the language and country")
      << QByteArray(
             "[Desktop Entry]\nName=Editor\nName[de]=Textbearbeitung\nName[de_DE]=Texteditor\n")
      << true << QString() << "Texteditor" << QString() << false;
  QTest::newRow("keys of another group")
      << QByteArray(
             "[Desktop Entry]\nName=Editor\n\n[Desktop Action new-window]\n"
             "Exec=editor --new-window\nTerminal=true\n")
      << true << QString() << "Editor" << QString() << false;
  QTest::newRow("no Desktop Entry group") << QByteArray("[Desktop Action open]\nExec=editor %f\n")
                                          << false << QString() << QString() << QString() << false;
  QTest::newRow("no file") << QByteArray() << false << QString() << QString() << QString() << false;
}

void DesktopLauncherTest::readDesktopEntry() {
  QFETCH(QByteArray, contents);
  QFETCH(bool, found);
  QFETCH(QString, exec);
  QFETCH(QString, name);
  QFETCH(QString, icon);
  QFETCH(bool, terminal);
  const QString path = Path("entries/editor.desktop");
  QVERIFY(WriteFile(path, contents));

  const std::optional<tollhaven::DesktopEntry> entry = tollhaven::ReadDesktopEntry(path);
  QCOMPARE(entry.has_value(), found);
  if (!found) {
    return;
  }
  QCOMPARE(entry->exec, exec);
  QCOMPARE(entry->name, name);
  QCOMPARE(entry->icon, icon);
  QCOMPARE(entry->terminal, terminal);
  QCOMPARE(entry->location, path);
}

void DesktopLauncherTest::locateDesktopFile_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<QString>("expected");  // below the temporary directory; empty: not found

  for (const char* file :
       {"home/applications/home-only.desktop", "home/applications/both.desktop",
        "sys1/applications/both.desktop", "sys2/applications/system-only.desktop",
        "sys1/applications/vendor/editor.desktop",
        "sys2/applications/vendor-suite/writer.desktop"}) {
    QVERIFY(WriteFile(Path(QString::fromLatin1(file)), "[Desktop Entry]\n"));
  }
  QTest::newRow("user's own") << "home-only.desktop"
                              << "home/applications/home-only.desktop";
  QTest::newRow("the user's comes first") << "both.desktop"
                                          << "home/applications/both.desktop";
  QTest::newRow("second system directory") << "system-only.desktop"
                                           << "sys2/applications/system-only.desktop";
  QTest::newRow("dash for a subdirectory") << "vendor-editor.desktop"
                                           << "sys1/applications/vendor/editor.desktop";
  QTest::newRow("dash inside a subdirectory's name")
      << "vendor-suite-writer.desktop"
      << "sys2/applications/vendor-suite/writer.desktop";
  QTest::newRow("unknown") << "nowhere.desktop" << QString();
  QTest::newRow("a path is no id") << "vendor/editor.desktop" << QString();
  QTest::newRow("not a desktop file") << "home-only" << QString();
}

void DesktopLauncherTest::locateDesktopFile() {
  QFETCH(QString, id);
  QFETCH(QString, expected);
  const QString found = tollhaven::LocateDesktopFile(id);
  if (expected.isEmpty()) {
    QCOMPARE(found, QString());
  } else {
    QCOMPARE(QFileInfo(found).canonicalFilePath(), QFileInfo(Path(expected)).canonicalFilePath());
  }
}

void DesktopLauncherTest::expandDesktopExec_data() {
  QTest::addColumn<QString>("exec");
  QTest::addColumn<QString>("icon");
  QTest::addColumn<QStringList>("command");  // empty: the entry cannot open the file

  QTest::newRow("file list") << "editor %F" << QString() << QStringList{"editor", kTextFile};
  QTest::newRow("file inside an argument")
      << "editor --open=%f" << QString() << QStringList{"editor", "--open=" + kTextFile};
  QTest::newRow("url list") << "editor --new-window %U" << QString()
                            << QStringList{"editor", "--new-window", kTextUrl};
  QTest::newRow("url") << "editor %u" << QString() << QStringList{"editor", kTextUrl};
  QTest::newRow("quoted arguments")
      << R"("/opt/My Editor/edit" "say \"hi\" \$HOME \\ \`x\`" %f)" << QString()
      << QStringList{"/opt/My Editor/edit", R"(say "hi" $HOME \ `x`)", kTextFile};
  QTest::newRow("backslash outside quotes")
      << R"(my\ editor %f)" << QString() << QStringList{"my editor", kTextFile};
  QTest::newRow("percent") << "printf 100%% %f" << QString()
                           << QStringList{"printf", "100%", kTextFile};
  QTest::newRow("icon") << "editor %i %f"
                        << "text-editor"
                        << QStringList{"editor", "--icon", "text-editor", kTextFile};
  QTest::newRow("no icon") << "editor %i %f" << QString() << QStringList{"editor", kTextFile};
  QTest::newRow("name and location")
      << "editor --class %c --entry %k %f" << QString()
      << QStringList{
             "editor", "--class", "Texteditor", "--entry", "/usr/share/applications/editor.desktop",
             kTextFile};
  QTest::newRow("dropped codes") << "editor %d %D %n %N %v %m %x --x=%d %f" << QString()
                                 << QStringList{"editor", "--x=", kTextFile};
  QTest::newRow("no place for the file") << "editor --new-window" << QString() << QStringList{};
  QTest::newRow("open quote") << "editor \"%f" << QString() << QStringList{};
  QTest::newRow("empty") << QString() << QString() << QStringList{};
}

void DesktopLauncherTest::expandDesktopExec() {
  QFETCH(QString, exec);
  QFETCH(QString, icon);
  QFETCH(QStringList, command);
  tollhaven::DesktopEntry entry;
  entry.exec = exec;
  entry.icon = icon;
  entry.name = QStringLiteral("Texteditor");
  entry.location = QStringLiteral("/usr/share/applications/editor.desktop");
  QCOMPARE(tollhaven::ExpandDesktopExec(entry, kTextFile), command);
}

void DesktopLauncherTest::openAsXdgText_data() {
  QTest::addColumn<QByteArray>("xdgMime");  // the script on the path; null: there is none
  QTest::addColumn<QByteArray>("entry");    // the desktop file of the id the script names
  QTest::addColumn<bool>("startSucceeds");
  QTest::addColumn<QStringList>("asked");  // what startProgram is asked to start; empty: nothing
  QTest::addColumn<bool>("fallback");      // whether the file goes to openDefault

  const QByteArray answer(
      "#!/bin/sh\n[ \"$*\" = \"query default text/plain\" ] || exit 2\n"
      "echo tollhaven-test-editor.desktop\n");
  const QByteArray editor("[Desktop Entry]\nName=Editor\nExec=/opt/editor --new-window %U\n");
  const QStringList editorCommand{"/opt/editor", "--new-window", kTextUrl};

  QTest::newRow("default application") << answer << editor << true << editorCommand << false;
  QTest::newRow("application does not start") << answer << editor << false << editorCommand << true;
  QTest::newRow("no xdg-mime") << QByteArray() << editor << true << QStringList{} << true;
  QTest::newRow("xdg-mime fails") << QByteArray(
                                         "#!/bin/sh\necho tollhaven-test-editor.desktop\nexit 3\n")
                                  << editor << true << QStringList{} << true;
  QTest::newRow("xdg-mime crashes")
      << QByteArray("#!/bin/sh\nkill -SEGV $$\n") << editor << true << QStringList{} << true;
  QTest::newRow("no default") << QByteArray("#!/bin/sh\nexit 0\n") << editor << true
                              << QStringList{} << true;
  QTest::newRow("unknown id") << QByteArray("#!/bin/sh\necho nowhere-to-be-found.desktop\n")
                              << editor << true << QStringList{} << true;
  QTest::newRow("entry without Exec")
      << answer << QByteArray("[Desktop Entry]\nName=Editor\n") << true << QStringList{} << true;
  QTest::newRow("terminal application")
      << answer << QByteArray("[Desktop Entry]\nExec=vi %f\nTerminal=true\n") << true
      << QStringList{} << true;
}

void DesktopLauncherTest::openAsXdgText() {
#ifdef Q_OS_WIN
  QSKIP("xdg-mime belongs to the freedesktop desktops");
#else
  QFETCH(QByteArray, xdgMime);
  QFETCH(QByteArray, entry);
  QFETCH(bool, startSucceeds);
  QFETCH(QStringList, asked);
  QFETCH(bool, fallback);
  QVERIFY(WriteFile(Path("bin/xdg-mime"), xdgMime, true));
  QVERIFY(WriteFile(Path("home/applications/tollhaven-test-editor.desktop"), entry));
  started_.clear();
  openedByDefault_.clear();
  tollhaven::DesktopLauncher via;
  via.openDefault = [this](const QString& path) { openedByDefault_ << path; };
  via.startProgram = [this, startSucceeds](const QString& program, const QStringList& arguments) {
    started_ << QStringList{program} + arguments;
    return startSucceeds;
  };

  tollhaven::OpenAsXdgText(kTextFile, via);
  // The window must not wait for xdg-mime: nothing happens before the call returns.
  QVERIFY(started_.isEmpty());
  QVERIFY(openedByDefault_.isEmpty());
  QTRY_VERIFY(!openedByDefault_.isEmpty() || (startSucceeds && !started_.isEmpty()));
  // Time for a second outcome, which must not come.
  QTest::qWait(100);
  QCOMPARE(started_, asked.isEmpty() ? QList<QStringList>{} : QList<QStringList>{asked});
  QCOMPARE(openedByDefault_, fallback ? QStringList{kTextFile} : QStringList{});
#endif
}

void DesktopLauncherTest::platformLauncherStartsTheTextApplicationDetached() {
#ifdef Q_OS_WIN
  QSKIP("the Windows launcher starts Notepad, which a test must not");
#else
  // The application is a script that writes down its arguments, one per line.
  const QString recorder = Path("My Tools/record");
  const QString arguments = Path("arguments.txt");
  QVERIFY(
      WriteFile(Path("bin/xdg-mime"), "#!/bin/sh\necho tollhaven-test-recorder.desktop\n", true));
  QVERIFY(WriteFile(recorder,
                    "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + QFile::encodeName(arguments) + "'\n",
                    true));
  QVERIFY(WriteFile(Path("home/applications/tollhaven-test-recorder.desktop"),
                    "[Desktop Entry]\nExec=\"" + recorder.toUtf8() + "\" --line %f\n"));
  const QString file = Path("read me.txt");
  desktop_.urls.clear();

  tollhaven::PlatformLauncher().openAsText(file);
  QTRY_COMPARE(ReadFile(arguments), "--line\n" + QFile::encodeName(file) + "\n");
  QCOMPARE(desktop_.urls, QList<QUrl>{});
#endif
}

void DesktopLauncherTest::platformLauncherOpensThroughTheDesktop() {
#ifdef Q_OS_WIN
  QSKIP("the Windows launcher starts Notepad, which a test must not");
#else
  QVERIFY(WriteFile(Path("bin/xdg-mime"), QByteArray()));
  const tollhaven::DesktopLauncher launcher = tollhaven::PlatformLauncher();
  desktop_.urls.clear();

  launcher.openDefault(Path("home"));
  QCOMPARE(desktop_.urls, QList<QUrl>{QUrl::fromLocalFile(Path("home"))});
  // Without xdg-mime the text goes to the desktop as well.
  launcher.openAsText(Path("read me.txt"));
  QTRY_COMPARE(desktop_.urls.size(), 2);
  QCOMPARE(desktop_.urls.last(), QUrl::fromLocalFile(Path("read me.txt")));
  QVERIFY(!launcher.startProgram(Path("bin/not-there"), {}));
#endif
}

QTEST_MAIN(DesktopLauncherTest)
#include "desktop_launcher_test.moc"
