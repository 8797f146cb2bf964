// The program's command line: the options that answer and end at once, the file argument that
// must survive the window's change of directory, and --show-paths on an installed layout.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_line.h"
#include "app/single_instance.h"
#include "main_window_fixture.h"
#include "support/program_version.h"

using namespace tollhaven;
using tollhaven::testing::QuietSettings;
using tollhaven::testing::WindowUnderTest;

Q_DECLARE_METATYPE(tollhaven::ProgramRequest)

namespace {

constexpr int kProgramTimeoutMs = 20000;

std::vector<std::string> ToStd(const QStringList& list) {
  std::vector<std::string> result;
  for (const QString& item : list) {
    result.push_back(item.toStdString());
  }
  return result;
}

}  // namespace

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void options_data();
  void options();
  void fileArgument_data();
  void fileArgument();
  void aRelativeFileStillNamesItAfterTheWindowChangesDirectory();
  void answersEndTheProgramBeforeAnyWindowOrSingleInstance_data();
  void answersEndTheProgramBeforeAnyWindowOrSingleInstance();
  void anInstalledCopyShowsItsPathsFromThePrefix();
  void theDemoTakesTheSameOptions_data();
  void theDemoTakesTheSameOptions();
};

void CommandLineTest::options_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<ProgramRequest>("request");
  QTest::addColumn<QString>("badOption");
  const auto row = [](const char* name, QStringList arguments, ProgramRequest request,
                      QString bad = {}) {
    arguments.prepend(QStringLiteral("/usr/bin/tollhaven"));
    QTest::newRow(name) << arguments << request << bad;
  };
  row("nothing", {}, ProgramRequest::OpenWindow);
  row("a patch file", {"skin.tlhv"}, ProgramRequest::OpenWindow);
  row("Qt's own options pass", {"-platform", "offscreen", "-style", "fusion"},
      ProgramRequest::OpenWindow);
  row("--help", {"--help"}, ProgramRequest::Help);
  row("-h", {"-h"}, ProgramRequest::Help);
  row("--version after Qt's options", {"-platform", "offscreen", "--version"},
      ProgramRequest::Version);
  row("--show-paths", {"--show-paths"}, ProgramRequest::ShowPaths);
  row("unknown", {"--verbose"}, ProgramRequest::BadOption, "--verbose");
  row("unknown after the file", {"skin.tlhv", "--yes"}, ProgramRequest::BadOption, "--yes");
  row("the first option decides", {"--version", "--nonsense"}, ProgramRequest::Version);
  row("an unknown one first", {"--nonsense", "--help"}, ProgramRequest::BadOption, "--nonsense");
}

void CommandLineTest::options() {
  QFETCH(QStringList, arguments);
  QFETCH(ProgramRequest, request);
  QFETCH(QString, badOption);
  const ProgramOptions options = ReadProgramOptions(ToStd(arguments));
  QCOMPARE(options.request, request);
  QCOMPARE(QString::fromStdString(options.badOption), badOption);
}

void CommandLineTest::fileArgument_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QStringList>("expected");
  const QString program = QStringLiteral("/usr/bin/tollhaven");
  QTest::newRow("no argument") << QStringList{program} << QStringList{program};
  QTest::newRow("empty stays empty") << QStringList{program, ""} << QStringList{program, ""};
  QTest::newRow("./ from the start directory")
      << QStringList{program, "./skin.tlhv"} << QStringList{program, "/home/me/skins/skin.tlhv"};
  QTest::newRow("bare name") << QStringList{program, "my skin.tlhv"}
                             << QStringList{program, "/home/me/skins/my skin.tlhv"};
  QTest::newRow("below") << QStringList{program, "v3/skin.tlhv"}
                         << QStringList{program, "/home/me/skins/v3/skin.tlhv"};
  QTest::newRow("absolute stays") << QStringList{program, "/tmp/skin.tlhv"}
                                  << QStringList{program, "/tmp/skin.tlhv"};
}

void CommandLineTest::fileArgument() {
  QFETCH(QStringList, arguments);
  QFETCH(QStringList, expected);
  QCOMPARE(WithAbsoluteFileArgument(arguments, QStringLiteral("/home/me/skins")), expected);
}

void CommandLineTest::aRelativeFileStillNamesItAfterTheWindowChangesDirectory() {
  QTemporaryDir start;
  QVERIFY(start.isValid());
  QFile patch(start.filePath(QStringLiteral("skin.tlhv")));
  QVERIFY(patch.open(QIODevice::WriteOnly));
  patch.close();
  const QString before = QDir::currentPath();
  QVERIFY(QDir::setCurrent(start.path()));

  WindowUnderTest test(QuietSettings(), WithAbsoluteFileArgument({QStringLiteral("tollhaven"),
                                                                  QStringLiteral("./skin.tlhv")},
                                                                 QDir::currentPath()));

  // The window has changed the current directory, and "./skin.tlhv" is found there no more.
  QVERIFY(QFileInfo(QDir::currentPath()).canonicalFilePath() !=
          QFileInfo(start.path()).canonicalFilePath());
  QVERIFY(!QFileInfo::exists(QStringLiteral("./skin.tlhv")));
  const QString file = test.window->arguments().value(1);
  QVERIFY2(QFileInfo(file).isAbsolute(), qPrintable(file));
  QCOMPARE(QFileInfo(file).canonicalFilePath(), QFileInfo(patch).canonicalFilePath());
  QDir::setCurrent(before);
}

void CommandLineTest::answersEndTheProgramBeforeAnyWindowOrSingleInstance_data() {
  QTest::addColumn<QString>("option");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("out");
  QTest::addColumn<QString>("err");
  QTest::newRow("help") << "--help" << 0 << "Usage: tollhaven [FILE]\n"
                        << "";
  QTest::newRow("version") << "--version" << 0
                           << QString::fromStdString("tollhaven " + std::string(kProgramVersion) +
                                                     "\n")
                           << "";
  QTest::newRow("unknown option")
      << "--frobnicate" << kExitUsage << ""
      << "tollhaven: unknown option --frobnicate\nTry 'tollhaven --help'.\n";
}

void CommandLineTest::answersEndTheProgramBeforeAnyWindowOrSingleInstance() {
  QFETCH(QString, option);
  QFETCH(int, exitCode);
  QFETCH(QString, out);
  QFETCH(QString, err);
  // A running copy holds the single-instance lock, and no window system can be had: either would
  // end the program before it answered.
  QTemporaryDir runtime;
  QVERIFY(runtime.isValid());
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  ClaimSingleInstance();
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(TOLLHAVEN_PROGRAM), {option});
  QVERIFY(program.waitForFinished(kProgramTimeoutMs));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), exitCode);
  const QString standardOut = QString::fromUtf8(program.readAllStandardOutput());
  if (option == QLatin1String("--help")) {
    QVERIFY2(standardOut.startsWith(out), qPrintable(standardOut));
    QVERIFY(standardOut.contains(QLatin1String("--show-paths")));
  } else {
    QCOMPARE(standardOut, out);
  }
  QCOMPARE(QString::fromUtf8(program.readAllStandardError()), err);
}

void CommandLineTest::anInstalledCopyShowsItsPathsFromThePrefix() {
  // prefix/bin/tollhaven with its sample entries in prefix/share, as a package lays it out.
  QTemporaryDir root;
  QVERIFY(root.isValid());
  const QString bin = root.filePath(QStringLiteral("prefix/bin"));
  const QString templates = root.filePath(QStringLiteral("prefix/share/tollhaven/Templates"));
  const QString config = root.filePath(QStringLiteral("config"));
  QVERIFY(QDir().mkpath(bin));
  QVERIFY(QDir().mkpath(templates));
  QVERIFY(QDir().mkpath(config + QStringLiteral("/tollhaven")));
  QVERIFY(QFile::copy(QStringLiteral(TOLLHAVEN_PROGRAM), bin + QStringLiteral("/tollhaven")));
  // Settings that start nothing, should the start-up tasks run by mistake.
  QVERIFY(SaveSettings(QuietSettings(),
                       (config + QStringLiteral("/tollhaven/") + kSettingsFileName).toStdString()));

  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
  program.setProcessEnvironment(environment);
  program.start(bin + QStringLiteral("/tollhaven"), {QStringLiteral("--show-paths")});
  QVERIFY(program.waitForFinished(kProgramTimeoutMs));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 0);
  const QString canonicalRoot = QFileInfo(root.path()).canonicalFilePath();
  QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()),
           QStringLiteral("program: %1/prefix/bin\nsettings: %2/tollhaven\n"
                          "templates: %1/prefix/share/tollhaven/Templates\n")
               .arg(canonicalRoot, config));
  // It wrote nothing beside itself, and ended without the close sequence that writes the log.
  QCOMPARE(QDir(bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
           QStringList{QStringLiteral("tollhaven")});
  QVERIFY(!QFile::exists(config + QStringLiteral("/tollhaven/.log")));
}

void CommandLineTest::theDemoTakesTheSameOptions_data() {
  QTest::addColumn<QString>("option");
  QTest::addColumn<QString>("platform");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("outStart");
  QTest::addColumn<QString>("err");
  // Without a window system the answers must come before any window is tried.
  QTest::newRow("help") << "--help"
                        << "no-such-platform" << 0 << "Usage: tollhaven-demo [FILE]\n"
                        << "";
  QTest::newRow("version") << "--version"
                           << "no-such-platform" << 0
                           << QString::fromStdString("tollhaven-demo " +
                                                     std::string(kProgramVersion) + "\n")
                           << "";
  QTest::newRow("unknown option")
      << "--frobnicate"
      << "no-such-platform" << kExitUsage << ""
      << "tollhaven-demo: unknown option --frobnicate\nTry 'tollhaven-demo --help'.\n";
  QTest::newRow("show paths") << "--show-paths"
                              << "offscreen" << 0 << "program: "
                              << "";
}

void CommandLineTest::theDemoTakesTheSameOptions() {
  QFETCH(QString, option);
  QFETCH(QString, platform);
  QFETCH(int, exitCode);
  QFETCH(QString, outStart);
  QFETCH(QString, err);
  // A copy in a directory of its own, so that nothing it might write lands in the build tree.
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString demo = dir.filePath(QStringLiteral("tollhaven-demo"));
  QVERIFY(QFile::copy(QStringLiteral(TOLLHAVEN_DEMO_PROGRAM), demo));
  QVERIFY(SaveSettings(QuietSettings(),
                       dir.filePath(QString::fromLatin1(kSettingsFileName)).toStdString()));
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
  program.setProcessEnvironment(environment);
  program.start(demo, {option});
  const bool finished = program.waitForFinished(kProgramTimeoutMs);
  if (!finished) {
    program.kill();
    program.waitForFinished();
  }
  QVERIFY2(finished, qPrintable(option));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), exitCode);
  const QString standardOut = QString::fromUtf8(program.readAllStandardOutput());
  if (option == QLatin1String("--help")) {
    QVERIFY2(standardOut.startsWith(outStart), qPrintable(standardOut));
    QVERIFY(standardOut.contains(QLatin1String("--show-paths")));
  } else if (option == QLatin1String("--show-paths")) {
    const QString canonical = QFileInfo(dir.path()).canonicalFilePath();
    QVERIFY2(standardOut.startsWith(
                 QStringLiteral("program: %1\nsettings: %1\ntemplates: ").arg(canonical)),
             qPrintable(standardOut));
    // It ended without the close sequence that writes the log.
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral(".log"))));
    return;  // Qt's offscreen platform may say things of its own on standard error
  } else {
    QCOMPARE(standardOut, outStart);
  }
  QCOMPARE(QString::fromUtf8(program.readAllStandardError()), err);
}

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
