// A second start of the program while one runs ends at once with exit code 0.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/single_instance.h"
#include "main_window_fixture.h"

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void aSecondClaimInTheSameSessionFails();
  void aSecondProgramEndsAtOnceAndLeavesTheFirstRunning();
  void withoutARuntimeDirectoryTheLockIsTheUsersOwn();
  void aLockDirectoryOthersCouldTamperWithIsNotUsed();

 private:
  // Whether some process holds the lock, without keeping it.
  bool LockHeld() const;
  QProcess* StartProgram();

  QTemporaryDir runtime_;
  QTemporaryDir programRuntime_;
  // A copy of the program with settings that start no network check and open no box; it keeps
  // its ".config" and ".log" there, not in the build directory.
  QTemporaryDir programDir_;
  QString program_;
};

void SingleInstanceTest::initTestCase() {
  QVERIFY(runtime_.isValid());
  QVERIFY(programRuntime_.isValid());
  QVERIFY(programDir_.isValid());
  program_ = programDir_.filePath(QStringLiteral("tollhaven"));
  QVERIFY(QFile::copy(QStringLiteral(TOLLHAVEN_PROGRAM), program_));
  QVERIFY(tollhaven::SaveSettings(
      tollhaven::testing::QuietSettings(),
      programDir_.filePath(QString::fromLatin1(tollhaven::kSettingsFileName)).toStdString()));
}

bool SingleInstanceTest::LockHeld() const {
  const QByteArray path = QFile::encodeName(programRuntime_.filePath("TollhavenInstance"));
  const int descriptor = ::open(path.constData(), O_RDWR);
  if (descriptor < 0) {
    return false;
  }
  const bool held = ::flock(descriptor, LOCK_EX | LOCK_NB) != 0;
  ::close(descriptor);
  return held;
}

QProcess* SingleInstanceTest::StartProgram() {
  auto* program = new QProcess(this);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_RUNTIME_DIR", programRuntime_.path());
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  program->setProcessEnvironment(environment);
  program->setProgram(program_);
  program->start();
  return program;
}

void SingleInstanceTest::aSecondClaimInTheSameSessionFails() {
  qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
  QVERIFY(tollhaven::ClaimSingleInstance());
  QVERIFY(!tollhaven::ClaimSingleInstance());
  QVERIFY(QFile::exists(runtime_.filePath("TollhavenInstance")));
}

void SingleInstanceTest::aSecondProgramEndsAtOnceAndLeavesTheFirstRunning() {
  QProcess* first = StartProgram();
  QVERIFY(first->waitForStarted());
  QTRY_VERIFY_WITH_TIMEOUT(LockHeld(), 10000);

  QProcess* second = StartProgram();
  QVERIFY(second->waitForFinished(5000));
  QCOMPARE(second->exitStatus(), QProcess::NormalExit);
  QCOMPARE(second->exitCode(), 0);
  QCOMPARE(first->state(), QProcess::Running);

  // A copy that dies without closing leaves no lock behind.
  first->kill();
  QVERIFY(first->waitForFinished(5000));
  QVERIFY(!LockHeld());
  QProcess* third = StartProgram();
  QTRY_VERIFY_WITH_TIMEOUT(LockHeld(), 10000);
  QCOMPARE(third->state(), QProcess::Running);
  third->kill();
  QVERIFY(third->waitForFinished(5000));
}

namespace {

QString OwnLockDirectory(const QTemporaryDir& temp) {
  return temp.filePath(QStringLiteral("tollhaven-%1").arg(::geteuid()));
}

// Points the temporary directory at `temp`, with no session runtime directory, for one test.
class NoRuntimeDirectory {
 public:
  explicit NoRuntimeDirectory(const QTemporaryDir& temp)
      : runtime_(qgetenv("XDG_RUNTIME_DIR")), tmp_(qgetenv("TMPDIR")) {
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
  }
  ~NoRuntimeDirectory() {
    qputenv("XDG_RUNTIME_DIR", runtime_);
    qputenv("TMPDIR", tmp_);
  }

 private:
  QByteArray runtime_;
  QByteArray tmp_;
};

}  // namespace

void SingleInstanceTest::withoutARuntimeDirectoryTheLockIsTheUsersOwn() {
  QTemporaryDir temp;
  QVERIFY(temp.isValid());
  NoRuntimeDirectory noRuntime(temp);
  // Another user's copy holds the lock under the shared name.
  const QByteArray shared = QFile::encodeName(temp.filePath(QStringLiteral("TollhavenInstance")));
  const int other = ::open(shared.constData(), O_RDWR | O_CREAT, 0666);
  QVERIFY(other >= 0);
  QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);

  QVERIFY(tollhaven::ClaimSingleInstance());
  const QFileInfo directory(OwnLockDirectory(temp));
  QVERIFY(directory.isDir());
  QCOMPARE(directory.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
           QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QVERIFY(QFile::exists(directory.filePath() + QStringLiteral("/TollhavenInstance")));
  // It is a lock all the same: the next copy of this user stays away.
  QVERIFY(!tollhaven::ClaimSingleInstance());
  ::close(other);
}

void SingleInstanceTest::aLockDirectoryOthersCouldTamperWithIsNotUsed() {
  QTemporaryDir temp;
  QTemporaryDir elsewhere;
  QVERIFY(temp.isValid());
  QVERIFY(elsewhere.isValid());
  NoRuntimeDirectory noRuntime(temp);
  const QString own = OwnLockDirectory(temp);
  const QString lockName = QStringLiteral("/TollhavenInstance");

  // A link made in our name, to a directory its maker chose.
  QVERIFY(QFile::link(elsewhere.path(), own));
  QVERIFY(tollhaven::ClaimSingleInstance());
  QVERIFY(!QFile::exists(elsewhere.path() + lockName));
  QVERIFY(QFile::remove(own));

  // A directory everyone may write into: the copy runs, without a lock in it.
  QVERIFY(QDir().mkdir(own));
  QVERIFY(::chmod(QFile::encodeName(own).constData(), 0777) == 0);
  QVERIFY(tollhaven::ClaimSingleInstance());
  QVERIFY(!QFile::exists(own + lockName));

  // One that another user made.
  if (::geteuid() == 0) {
    QVERIFY(::chmod(QFile::encodeName(own).constData(), 0700) == 0);
    QVERIFY(::chown(QFile::encodeName(own).constData(), 65534, 65534) == 0);
    QVERIFY(tollhaven::ClaimSingleInstance());
    QVERIFY(!QFile::exists(own + lockName));
  }
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
