// The file commands of the main window on local panels and on a simulated handset.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <chrono>

#include "app/control_ids.h"
#include "app/file_prompts.h"
#include "app/progress_bar.h"
#include "app/status_bar.h"
#include "handset/handset_names.h"
#include "handset_window_fixture.h"
#include "local_files_fixture.h"
#include "panels/ui/handset_session.h"
#include "support/ui/wait_dialog.h"

Q_DECLARE_METATYPE(tollhaven::ManyAnswer)

using namespace tollhaven;
using namespace tollhaven::testing;

namespace {

constexpr int kDeleteSubCommand = 0x05;
constexpr int kRemoveDirSubCommand = 0x0F;

// Selects exactly the rows of these names and makes the side the active one.
void Select(MainWindow& window, int side, const QStringList& names) {
  window.setActiveSide(side);
  QItemSelectionModel* selection = window.list(side)->selectionModel();
  selection->clearSelection();
  for (const QString& name : names) {
    const int row = static_cast<int>(Names(window, side).indexOf(name));
    QVERIFY2(row >= 0, qPrintable(name));
    selection->select(window.list(side)->model()->index(row, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

std::vector<std::string> LinesAfter(MainWindow& window, std::size_t count) {
  const std::vector<std::string> lines = window.eventLog().Lines();
  return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(count), lines.end());
}

int Count(const p2ksim::SimulatedHandset& handset, int subCommand) {
  int count = 0;
  for (const auto& command : handset.Received()) {
    count += command.subCommand() == subCommand;
  }
  return count;
}

// The questions a command asked, answered from a list.
struct Answers {
  explicit Answers(MainWindow& window, const QList<bool>& yes = {}) {
    for (bool answer : yes) {
      next << (answer ? ManyAnswer::Yes : ManyAnswer::No);
    }
    window.prompts().askYesNo = [this](const QString& text, const QString& caption) {
      asked << caption + QStringLiteral(" | ") + text;
      return Next() == ManyAnswer::Yes;
    };
    window.prompts().askYesNoMany = [this](const QString& text, const QString& caption) {
      asked << caption + QStringLiteral(" | ") + text + QStringLiteral(" [all]");
      return Next();
    };
  }
  // The answers still to give, in order; No once they are used up.
  QList<ManyAnswer> next;
  // Each question as "caption | text"; the ones with the answers for many rows end in " [all]".
  QStringList asked;

 private:
  ManyAnswer Next() { return next.isEmpty() ? ManyAnswer::No : next.takeFirst(); }
};

// A handset panel on the right at /a/ and a local panel on the left.
constexpr int kReadSubCommand = 0x01;
constexpr int kWriteSubCommand = 0x02;

// Presses the wait dialog's Cancel once the handset has seen `commands` commands of that
// sub-command, and notes whether the dialog was still up right after the press.
struct CancelWhenUnderWay {
  CancelWhenUnderWay(const p2ksim::SimulatedHandset& handset, int subCommand, int commands) {
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [this, &handset, subCommand, commands] {
      auto* dialog = qobject_cast<WaitDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || Count(handset, subCommand) < commands) {
        return;
      }
      poll.stop();
      QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cancelButton")),
                        Qt::LeftButton);
      pressed = true;
      upAfterPress = dialog->isVisible();
    });
    poll.start();
  }
  QTimer poll;
  bool pressed = false;
  bool upAfterPress = false;
};

bool Logged(MainWindow& window, const std::string& line) {
  const std::vector<std::string> lines = window.eventLog().Lines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

struct TransferWindow : HandsetWindow {
  TransferWindow() {
    Choose(window, kRight, 0);
    Activate(window, kRight, QStringLiteral("a"));
    ShowLocal(window, kLeft, local.path());
  }
  QTemporaryDir local;
};

}  // namespace

class FileCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  // Local deletes go to the test program's own trash; each test starts with it empty.
  void cleanup() {
    QDir(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash")).removeRecursively();
  }

  void localDeleteAsksOncePerRowAndRefreshesBothPanelsOfTheDrive() {
    WindowUnderTest test;
    MainWindow& window = *test.window;
    QTemporaryDir dir;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
      QVERIFY(WriteFile(dir.filePath(QString::fromLatin1(name)), "x"));
    }
    ShowLocal(window, kLeft, dir.path());
    ShowLocal(window, kRight, dir.path());
    Select(window, kLeft, {"a.txt", "b.txt", "c.txt"});
    Answers answers(window, {true, false, true});
    window.OnCommand(ids::kDeleteButton);

    QCOMPARE(answers.asked,
             (QStringList{"Delete confirmation | Are You sure to delete ?  -  a.txt [all]",
                          "Delete confirmation | Are You sure to delete ?  -  b.txt [all]",
                          "Delete confirmation | Are You sure to delete ?  -  c.txt [all]"}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"b.txt"});
    QCOMPARE(Names(window, kLeft), (QStringList{"..", "b.txt"}));
    QCOMPARE(Names(window, kRight), (QStringList{"..", "b.txt"}));
  }

  // A local delete moves files and folders to the desktop's trash, where they can be brought
  // back from; the handset's question says that it keeps nothing.
  void localDeletesGoToTheTrashAndHandsetQuestionsSayTheyAreFinal() {
    WindowUnderTest test;
    MainWindow& window = *test.window;
    const QDir trash(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash/files"));
    QTemporaryDir dir;
    const QString name = QStringLiteral("trashed");
    QVERIFY(QDir(dir.path()).mkpath(name + QStringLiteral("/inner")));
    QVERIFY(WriteFile(dir.filePath(name + QStringLiteral("/inner/a.txt")), "keep me"));
    QVERIFY(WriteFile(dir.filePath(name + QStringLiteral(".txt")), "me too"));
    ShowLocal(window, kLeft, dir.path());
    Select(window, kLeft, {name, name + QStringLiteral(".txt")});
    Answers answers(window, {true, true});
    const std::size_t before = window.eventLog().Count();
    window.OnCommand(ids::kDeleteButton);
    QCOMPARE(LinesAfter(window, before),
             (std::vector<std::string>{name.toStdString(), (name + ".txt").toStdString()}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
    QCOMPARE(ReadFile(trash.filePath(name + QStringLiteral("/inner/a.txt"))),
             QByteArray("keep me"));
    QCOMPARE(ReadFile(trash.filePath(name + QStringLiteral(".txt"))), QByteArray("me too"));

    TransferWindow h;
    Select(h.window, kRight, {"audio"});
    Answers handsetAnswers(h.window, {false});
    h.window.OnCommand(ids::kDeleteButton);
    Select(h.window, kRight, {"ring.mp3"});
    h.window.OnCommand(ids::kDeleteButton);
    QCOMPARE(handsetAnswers.asked,
             (QStringList{"Delete confirmation | Are You sure to delete ?  -  audio\nEverything "
                          "inside it is deleted with it; the handset keeps nothing it deletes.",
                          "Delete confirmation | Are You sure to delete ?  -  ring.mp3\nThe "
                          "handset keeps nothing it deletes."}));
  }

  // With several rows selected, the questions have Yes to All, No to All and Cancel.
  void severalRowsAreAnsweredAllAtOnce_data() {
    QTest::addColumn<QList<ManyAnswer>>("answers");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<int>("questions");
    QTest::newRow("yes, then yes to all")
        << QList<ManyAnswer>{ManyAnswer::Yes, ManyAnswer::YesToAll} << QStringList{".."} << 2;
    QTest::newRow("no, then no to all")
        << QList<ManyAnswer>{ManyAnswer::No, ManyAnswer::NoToAll}
        << QStringList{"..", "a.txt", "b.txt", "c.txt", "d.txt"} << 2;
    QTest::newRow("yes, then cancel") << QList<ManyAnswer>{ManyAnswer::Yes, ManyAnswer::Cancel}
                                      << QStringList{"..", "b.txt", "c.txt", "d.txt"} << 2;
  }
  void severalRowsAreAnsweredAllAtOnce() {
    QFETCH(QList<ManyAnswer>, answers);
    QFETCH(QStringList, left);
    QFETCH(int, questions);
    WindowUnderTest test;
    MainWindow& window = *test.window;
    QTemporaryDir dir, other;
    const QStringList names{"a.txt", "b.txt", "c.txt", "d.txt"};
    for (const QString& name : names) {
      QVERIFY(WriteFile(dir.filePath(name), "new"));
      QVERIFY(WriteFile(other.filePath(name), "old"));
    }
    ShowLocal(window, kLeft, dir.path());
    ShowLocal(window, kRight, other.path());

    // The same answers to the overwrite questions of a copy.
    Select(window, kLeft, names);
    Answers overwrite(window);
    overwrite.next = answers;
    window.OnCommand(ids::kCopyButton);
    QCOMPARE(overwrite.asked.size(), questions);
    QVERIFY(overwrite.asked[0].startsWith(QStringLiteral("Overwrite confirmation | ")));
    int replaced = 0;
    for (const QString& name : names) {
      replaced += ReadFile(other.filePath(name)) == "new" ? 1 : 0;
    }
    QCOMPARE(replaced, 5 - left.size());

    Select(window, kLeft, names);
    Answers deletes(window);
    deletes.next = answers;
    window.OnCommand(ids::kDeleteButton);
    QCOMPARE(deletes.asked.size(), questions);
    QCOMPARE(Names(window, kLeft), left);
  }

  void localFailuresAreLoggedWithTheirReason() {
    WindowUnderTest test;
    MainWindow& window = *test.window;
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("gone.txt")), "x"));
    ShowLocal(window, kLeft, dir.path());
    // A file that went away after the panel was listed.
    Select(window, kLeft, {"gone.txt"});
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("gone.txt"))));
    Answers answers(window, {true});
    const std::size_t before = window.eventLog().Count();
    window.OnCommand(ids::kDeleteButton);
    QCOMPARE(LinesAfter(window, before),
             (std::vector<std::string>{"gone.txt",
                                       "Delete failed: gone.txt: No such file or directory"}));

    window.prompts().askNewName = [](std::string& name) { name = "folder"; };
    window.OnCommand(ids::kNewFolderButton);
    QCOMPARE(window.eventLog().Lines().back(),
             std::string("New folder failed: folder: File exists"));
  }

  void handsetDeleteSendsTheCommandsAndRefillsWithoutARead() {
    TransferWindow h;
    const long reads = h.ListRequests();
    Select(h.window, kRight, {"audio", "ring.mp3"});
    Answers answers(h.window, {true, true});
    const std::size_t before = h.window.eventLog().Count();
    h.window.OnCommand(ids::kDeleteButton);

    const std::vector<std::string> lines = LinesAfter(h.window, before);
    QCOMPARE(std::vector<std::string>(lines.begin(), lines.begin() + 2),
             (std::vector<std::string>{"Deleting file ", "/a/audio"}));
    QVERIFY(std::find(lines.begin(), lines.end(), "/a/ring.mp3") != lines.end());
    QCOMPARE(Count(h.handset, kRemoveDirSubCommand), 1);
    QCOMPARE(Count(h.handset, kDeleteSubCommand), 1);
    QVERIFY(!h.handset.File("/a/ring.mp3"));
    QVERIFY(!h.handset.HasDirectory("/a/audio"));
    QCOMPARE(Names(h.window, kRight), (QStringList{"..", "odd.zzz"}));
    QCOMPARE(h.ListRequests(), reads);
  }

  // After a delete the cursor is not left on a directory that F8 and Enter would remove whole.
  void theCursorAfterADeleteIsNotOnTheNextDirectory() {
    HandsetWindow h;
    h.handset.AddFile("/a/video/clip.3gp", std::vector<uint8_t>(5));
    Choose(h.window, kRight, 0);
    Activate(h.window, kRight, QStringLiteral("a"));
    Select(h.window, kRight, {"audio"});
    Answers answers(h.window, {true});
    h.window.OnCommand(ids::kDeleteButton);
    QCOMPARE(Names(h.window, kRight), (QStringList{"..", "video", "odd.zzz", "ring.mp3"}));
    QCOMPARE(h.window.list(kRight)->currentIndex().row(), 0);
    // Nor is any other row left selected for the next F8.
    const QModelIndexList selected = h.window.list(kRight)->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0].row(), 0);
  }

  // A command on one panel shows in the other one when that lists the same directory.
  void theOtherPanelOfTheSameDirectoryFollows() {
    TransferWindow h;
    Choose(h.window, kLeft, 0);
    Activate(h.window, kLeft, QStringLiteral("a"));
    Select(h.window, kRight, {});
    h.window.prompts().askNewName = [](std::string& name) { name = "fresh"; };
    h.window.OnCommand(ids::kNewFolderButton);
    QVERIFY(Names(h.window, kLeft).contains(QStringLiteral("fresh")));
    Select(h.window, kRight, {"odd.zzz"});
    Answers answers(h.window, {true});
    h.window.OnCommand(ids::kDeleteButton);
    QVERIFY(!Names(h.window, kLeft).contains(QStringLiteral("odd.zzz")));
    Select(h.window, kRight, {"ring.mp3"});
    h.window.prompts().askAttributes = [](std::string_view, const QString&) {
      return std::optional<uint32_t>(0x07000100);
    };
    h.window.OnCommand(ids::kAttributesButton);
    QCOMPARE(RowNamed(h.window, kLeft, "ring.mp3").column2,
             RowNamed(h.window, kRight, "ring.mp3").column2);
    QVERIFY(RowNamed(h.window, kLeft, "ring.mp3").column2 != "07    0020");
  }

  void aLocalCopyTypedIntoItsOwnDirectoryShowsThere() {
    WindowUnderTest test;
    MainWindow& window = *test.window;
    QTemporaryDir source, other;
    QVERIFY(WriteFile(source.filePath(QStringLiteral("a.txt")), "x"));
    ShowLocal(window, kLeft, source.path());
    ShowLocal(window, kRight, other.path());
    Select(window, kLeft, {"a.txt"});
    const std::string copy = source.filePath(QStringLiteral("b.txt")).toStdString();
    window.prompts().askCopyDestination = [&](const std::string&, std::string& otherPath) {
      otherPath = copy;
    };
    window.OnCommand(ids::kCopyButton);
    QCOMPARE(Names(window, kLeft), (QStringList{"..", "a.txt", "b.txt"}));
    QCOMPARE(Names(window, kRight), QStringList{".."});
  }

  void aHandsetDeleteThatFailsLeavesTheRow() {
    TransferWindow h;
    h.handset.FailCommand(0x004A, kDeleteSubCommand, 7);
    Select(h.window, kRight, {"ring.mp3"});
    Answers answers(h.window, {true});
    h.window.OnCommand(ids::kDeleteButton);
    QVERIFY(h.handset.File("/a/ring.mp3"));
    QVERIFY(Names(h.window, kRight).contains(QStringLiteral("ring.mp3")));
    // The list is fetched again after a failed command, so the line need not be the last.
    const std::vector<std::string> lines = h.window.eventLog().Lines();
    QVERIFY(std::find(lines.begin(), lines.end(), "Delete failed: /a/ring.mp3") != lines.end());
  }

  void newFolderOnTheHandsetShowsWithoutARead() {
    TransferWindow h;
    const long reads = h.ListRequests();
    // A one-letter literal assigned here trips a false -Wrestrict in GCC 12 at -O3.
    h.window.prompts().askNewName = [](std::string& name) { name = std::string(1, 'x'); };
    h.window.setActiveSide(kRight);
    h.window.OnCommand(ids::kNewFolderButton);
    QVERIFY(h.handset.HasDirectory("/a/x"));
    const auto placeholder = h.handset.File("/a/x/" + std::string(kPlaceholderName));
    QVERIFY(placeholder);
    QCOMPARE(placeholder->contents, std::vector<uint8_t>{'5'});
    QVERIFY(Names(h.window, kRight).contains(QStringLiteral("x")));
    QCOMPARE(h.ListRequests(), reads);
    Activate(h.window, kRight, QStringLiteral("x"));
    QCOMPARE(Names(h.window, kRight), QStringList{".."});
  }

  void newFolderLocallyAndCancelOnEitherKind() {
    TransferWindow h;
    std::string typed = "made";
    h.window.prompts().askNewName = [&typed](std::string& name) { name = typed; };
    h.window.setActiveSide(kLeft);
    h.window.OnCommand(ids::kNewFolderButton);
    QVERIFY(QDir(h.local.filePath(QStringLiteral("made"))).exists());
    QVERIFY(Names(h.window, kLeft).contains(QStringLiteral("made")));

    // Cancel leaves the name empty: nothing is made anywhere.
    typed.clear();
    const std::size_t commands = h.handset.Received().size();
    for (int side : {kLeft, kRight}) {
      h.window.setActiveSide(side);
      h.window.OnCommand(ids::kNewFolderButton);
    }
    QCOMPARE(h.handset.Received().size(), commands);
    QCOMPARE(QDir(h.local.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"made"});
  }

  void localCopyAsksBeforeOverwritingAndCancelKeepsTheProposal() {
    WindowUnderTest test;
    MainWindow& window = *test.window;
    QTemporaryDir from, to;
    QVERIFY(WriteFile(from.filePath(QStringLiteral("a.txt")), "new a"));
    QVERIFY(WriteFile(from.filePath(QStringLiteral("b.txt")), "new b"));
    QVERIFY(WriteFile(to.filePath(QStringLiteral("a.txt")), "old a"));
    ShowLocal(window, kLeft, from.path());
    ShowLocal(window, kRight, to.path());
    QStringList proposed;
    // Cancel in the copy-to dialog: the destination stays as proposed.
    window.prompts().askCopyDestination = [&proposed](const std::string&, std::string& otherPath) {
      proposed << QString::fromStdString(otherPath);
    };
    Select(window, kLeft, {"a.txt", "b.txt"});
    Answers no(window, {false});
    window.OnCommand(ids::kCopyButton);
    QCOMPARE(proposed, (QStringList{to.filePath(QStringLiteral("a.txt")),
                                    to.filePath(QStringLiteral("b.txt"))}));
    QCOMPARE(no.asked,
             QStringList{"Overwrite confirmation | Are You overwrite file ?  -  a.txt [all]"});
    QCOMPARE(ReadFile(to.filePath(QStringLiteral("a.txt"))), QByteArray("old a"));
    QCOMPARE(ReadFile(to.filePath(QStringLiteral("b.txt"))), QByteArray("new b"));
    QCOMPARE(Names(window, kRight), (QStringList{"..", "a.txt", "b.txt"}));

    Select(window, kLeft, {"a.txt"});
    Answers yes(window, {true});
    window.OnCommand(ids::kCopyButton);
    QCOMPARE(ReadFile(to.filePath(QStringLiteral("a.txt"))), QByteArray("new a"));
  }

  // A directory typed as the destination gets the file under its own name; the overwrite
  // question names the file that Yes would replace, not the row being copied.
  void localCopyIntoATypedDirectoryAndTheQuestionNamesTheDestination() {
    WindowUnderTest test;
    MainWindow& window = *test.window;
    QTemporaryDir from, to;
    QVERIFY(WriteFile(from.filePath(QStringLiteral("a.txt")), "new a"));
    QVERIFY(QDir(to.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(QDir(to.path()).mkdir(QStringLiteral("full")));
    QVERIFY(WriteFile(to.filePath(QStringLiteral("full/a.txt")), "old full"));
    QVERIFY(WriteFile(to.filePath(QStringLiteral("other.txt")), "old other"));
    ShowLocal(window, kLeft, from.path());
    ShowLocal(window, kRight, to.path());
    QString typed;
    window.prompts().askCopyDestination = [&typed](const std::string&, std::string& otherPath) {
      otherPath = typed.toStdString();
    };
    const struct {
      QString typed;
      QString written;
      QStringList asked;
    } cases[] = {
        {to.filePath(QStringLiteral("sub")), to.filePath(QStringLiteral("sub/a.txt")), {}},
        {to.filePath(QStringLiteral("full")) + QStringLiteral("/"),
         to.filePath(QStringLiteral("full/a.txt")),
         {"Overwrite confirmation | Are You overwrite file ?  -  " +
          to.filePath(QStringLiteral("full/a.txt"))}},
        {to.filePath(QStringLiteral("other.txt")),
         to.filePath(QStringLiteral("other.txt")),
         {"Overwrite confirmation | Are You overwrite file ?  -  " +
          to.filePath(QStringLiteral("other.txt"))}},
    };
    for (const auto& c : cases) {
      typed = c.typed;
      Select(window, kLeft, {"a.txt"});
      Answers yes(window, {true});
      const std::size_t before = window.eventLog().Count();
      window.OnCommand(ids::kCopyButton);
      QCOMPARE(QDir::cleanPath(yes.asked.value(0).section(QStringLiteral("  -  "), 1)),
               QDir::cleanPath(c.asked.value(0).section(QStringLiteral("  -  "), 1)));
      QCOMPARE(yes.asked.size(), c.asked.size());
      QCOMPARE(ReadFile(c.written), QByteArray("new a"));
      const std::vector<std::string> lines = LinesAfter(window, before);
      QVERIFY(std::none_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.starts_with("Copy failed");
      }));
    }
    QCOMPARE(QDir(to.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             (QStringList{"full", "other.txt", "sub"}));
  }

  // The questions show a name as it is: markup and runs of blanks are the name's own.
  void theQuestionsShowNamesAsPlainText() {
    WindowUnderTest test;
    FilePrompts prompts(*test.window);
    const QString text = QStringLiteral("Are You sure to delete ?  -  <b>a</b>  &lt;x");
    Qt::TextFormat format = Qt::AutoText;
    QString shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) {
        return;
      }
      poll.stop();
      format = box->textFormat();
      shown = box->text();
      box->button(QMessageBox::No)->click();
    });
    poll.start(5);
    QVERIFY(!prompts.askYesNo(text, QStringLiteral("Delete confirmation")));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(shown, text);
  }

  void copyBetweenTwoHandsetPanelsOnlyLogs() {
    TransferWindow h;
    Choose(h.window, kLeft, 0);
    Activate(h.window, kLeft, QStringLiteral("a"));
    Select(h.window, kLeft, {"ring.mp3"});
    const std::size_t commands = h.handset.Received().size();
    const std::size_t before = h.window.eventLog().Count();
    h.window.OnCommand(ids::kCopyButton);
    Select(h.window, kRight, {"ring.mp3"});
    h.window.OnCommand(ids::kCopyButton);
    QCOMPARE(LinesAfter(h.window, before),
             (std::vector<std::string>{"p2k to p2k Left to Right:", "p2k to p2k Right to Left:"}));
    QCOMPARE(h.handset.Received().size(), commands);
  }

  void uploadedFilesAreListedWithoutARead() {
    TransferWindow h;
    QVERIFY(WriteFile(h.local.filePath(QStringLiteral("1-empty.txt")), ""));
    QVERIFY(WriteFile(h.local.filePath(QStringLiteral("2-small.txt")), "hello"));
    QVERIFY(WriteFile(h.local.filePath(QStringLiteral("3-big.bin")), QByteArray(2500, 'b')));
    ShowLocal(h.window, kLeft, h.local.path());
    const long reads = h.ListRequests();
    Select(h.window, kLeft, {"1-empty.txt", "2-small.txt", "3-big.bin"});
    const std::size_t before = h.window.eventLog().Count();
    h.window.OnCommand(ids::kCopyButton);

    QCOMPARE(LinesAfter(h.window, before),
             (std::vector<std::string>{"Uploading Left to Right:", "1-empty.txt", "2-small.txt",
                                       "3-big.bin"}));
    QCOMPARE(h.ListRequests(), reads);
    for (const auto& [name, size] : {std::pair<std::string, std::string>{"1-empty.txt", "0"},
                                     {"2-small.txt", "5"},
                                     {"3-big.bin", "2500"}}) {
      QVERIFY2(Names(h.window, kRight).contains(QString::fromStdString(name)), name.c_str());
      QCOMPARE(RowNamed(h.window, kRight, name).size, size);
      QCOMPARE(RowNamed(h.window, kRight, name).column2, std::string("07    0004"));
    }
    QCOMPARE(h.handset.File("/a/2-small.txt")->contents,
             (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
    // The last file's progress: 2500 bytes count as three thousands.
    QCOMPARE(h.window.progress().maximum(), 3);
    // The handset's free space went down by what was written.
    QCOMPARE(h.window.status().partText(0), QStringLiteral("Space:1021 Kb"));
  }

  void downloadRightToLeftReplacesTheLocalFileWithoutAsking() {
    TransferWindow h;
    QVERIFY(WriteFile(h.local.filePath(QStringLiteral("ring.mp3")), "old"));
    ShowLocal(h.window, kLeft, h.local.path());
    Select(h.window, kRight, {"odd.zzz", "ring.mp3"});
    Answers answers(h.window);
    const std::size_t before = h.window.eventLog().Count();
    h.window.OnCommand(ids::kCopyButton);

    QVERIFY(answers.asked.isEmpty());
    QCOMPARE(LinesAfter(h.window, before),
             (std::vector<std::string>{
                 "Downloading Right to Left:", "/a/odd.zzz",
                 h.local.filePath(QStringLiteral("odd.zzz")).toStdString(), "/a/ring.mp3",
                 h.local.filePath(QStringLiteral("ring.mp3")).toStdString()}));
    QCOMPARE(ReadFile(h.local.filePath(QStringLiteral("ring.mp3"))), QByteArray(1234, '\0'));
    QCOMPARE(ReadFile(h.local.filePath(QStringLiteral("odd.zzz"))), QByteArray(3, '\0'));
    QVERIFY(Names(h.window, kLeft).contains(QStringLiteral("odd.zzz")));
  }

  // A slow handset: Cancel in the real wait dialog stops the download after the block under
  // way, closes the handset file, writes nothing and skips the rest of the selection.
  void cancelledDownloadLeavesNoFile() {
    TransferWindow h;
    h.handset.AddFile("/a/big.bin", std::vector<uint8_t>(200 * 1024, 7));
    h.window.OnCommand(ids::kRightRereadButton);
    h.handset.SetLatency(std::chrono::milliseconds(2));
    Select(h.window, kRight, {"big.bin", "odd.zzz"});
    CancelWhenUnderWay cancel(h.handset, kReadSubCommand, 3);
    h.window.OnCommand(ids::kCopyButton);
    h.handset.SetLatency(std::chrono::microseconds(0));

    QVERIFY(cancel.pressed);
    QVERIFY(cancel.upAfterPress);
    QVERIFY(Count(h.handset, kReadSubCommand) < 200);
    QVERIFY(!h.handset.FileOpen());
    QVERIFY(Logged(h.window, "Cancelled: /a/big.bin"));
    QCOMPARE(QDir(h.local.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
  }

  // The handset here matches names without case: sent blindly, Ring.MP3 would go into the
  // listed ring.mp3 and keep its tail.
  void anUploadWhoseNameDiffersOnlyInCaseAsksToReplaceTheListedFile() {
    for (const bool replace : {false, true}) {
      TransferWindow h;
      h.handset.SetCaseInsensitiveNames(true);
      QVERIFY(WriteFile(h.local.filePath(QStringLiteral("Ring.MP3")), "new"));
      ShowLocal(h.window, kLeft, h.local.path());
      QStringList asked;
      h.window.prompts().askReplaceCaseTwin = [&](const QString& listed, const QString& upload) {
        asked << listed + " | " + upload;
        return replace;
      };
      Select(h.window, kLeft, {"Ring.MP3"});
      h.window.OnCommand(ids::kCopyButton);

      QCOMPARE(asked, QStringList{"ring.mp3 | Ring.MP3"});
      if (replace) {
        QVERIFY(!h.handset.File("/a/ring.mp3"));
        QCOMPARE(h.handset.File("/a/Ring.MP3")->contents, (std::vector<uint8_t>{'n', 'e', 'w'}));
        QVERIFY(Names(h.window, kRight).contains(QStringLiteral("Ring.MP3")));
        QVERIFY(!Names(h.window, kRight).contains(QStringLiteral("ring.mp3")));
      } else {
        QCOMPARE(h.handset.File("/a/ring.mp3")->contents, std::vector<uint8_t>(1234));
        QVERIFY(!h.handset.File("/a/Ring.MP3"));
        QVERIFY(Logged(h.window,
                       "Skipped, the handset already holds /a/ring.mp3, whose name differs from "
                       "/a/Ring.MP3 only in letter case"));
      }
    }
  }

  void cancelledUploadRemovesItsPartialFile() {
    TransferWindow h;
    QVERIFY(WriteFile(h.local.filePath(QStringLiteral("big.bin")), QByteArray(200 * 1024, 'u')));
    ShowLocal(h.window, kLeft, h.local.path());
    h.handset.SetLatency(std::chrono::milliseconds(2));
    Select(h.window, kLeft, {"big.bin"});
    CancelWhenUnderWay cancel(h.handset, kWriteSubCommand, 3);
    h.window.OnCommand(ids::kCopyButton);
    h.handset.SetLatency(std::chrono::microseconds(0));

    QVERIFY(cancel.pressed);
    QVERIFY(Count(h.handset, kWriteSubCommand) < 200);
    QVERIFY(!h.handset.File("/a/big.bin"));
    QVERIFY(!h.handset.FileOpen());
    QVERIFY(!Names(h.window, kRight).contains(QStringLiteral("big.bin")));
    QVERIFY(Logged(h.window, "Cancelled: /a/big.bin"));

    // The cancel stays with that upload: the next copy goes past a folder at its top to the end.
    QVERIFY(QDir(h.local.path()).mkdir(QStringLiteral("folder")));
    QVERIFY(WriteFile(h.local.filePath(QStringLiteral("small.txt")), "s"));
    ShowLocal(h.window, kLeft, h.local.path());
    Select(h.window, kLeft, {"folder", "small.txt"});
    h.window.OnCommand(ids::kCopyButton);
    QVERIFY(h.handset.File("/a/small.txt"));
  }

  // Uploading over a file that is there: Cancel part-way puts the old bytes back.
  void cancelledReplaceKeepsTheOldFile() {
    TransferWindow h;
    const QString file = h.local.filePath(QStringLiteral("big.bin"));
    QVERIFY(WriteFile(file, QByteArray(200 * 1024, 'o')));
    ShowLocal(h.window, kLeft, h.local.path());
    Select(h.window, kLeft, {"big.bin"});
    h.window.OnCommand(ids::kCopyButton);
    QCOMPARE(h.handset.File("/a/big.bin")->contents.size(), std::size_t{200 * 1024});
    const int writes = Count(h.handset, kWriteSubCommand);

    QVERIFY(WriteFile(file, QByteArray(150 * 1024, 'n')));
    ShowLocal(h.window, kLeft, h.local.path());
    h.handset.SetLatency(std::chrono::milliseconds(2));
    Select(h.window, kLeft, {"big.bin"});
    CancelWhenUnderWay cancel(h.handset, kWriteSubCommand, writes + 3);
    h.window.OnCommand(ids::kCopyButton);
    h.handset.SetLatency(std::chrono::microseconds(0));

    QVERIFY(cancel.pressed);
    QVERIFY(h.handset.File("/a/big.bin"));
    QCOMPARE(h.handset.File("/a/big.bin")->contents, std::vector<uint8_t>(200 * 1024, 'o'));
    QVERIFY(!h.handset.FileOpen());
    QVERIFY(Names(h.window, kRight).contains(QStringLiteral("big.bin")));
    QVERIFY(Logged(h.window, "Cancelled, the old file was kept: /a/big.bin"));
  }

  // A file the handset will not give back is replaced only when the user says so.
  void replacingAFileThatCannotBeReadBackAsksFirst() {
    TransferWindow h;
    h.handset.AddFile("/a/locked.bin", std::vector<uint8_t>(300, 1), 0x40);
    h.window.OnCommand(ids::kRightRereadButton);
    QVERIFY(WriteFile(h.local.filePath(QStringLiteral("locked.bin")), QByteArray(10, 'x')));
    ShowLocal(h.window, kLeft, h.local.path());
    Answers answers(h.window, {false, true});
    for (int round = 0; round < 2; ++round) {
      Select(h.window, kLeft, {"locked.bin"});
      h.window.OnCommand(ids::kCopyButton);
    }
    QCOMPARE(answers.asked.size(), 2);
    QVERIFY(answers.asked[0].endsWith(QStringLiteral("  -  /a/locked.bin")));
    QVERIFY(Logged(h.window, "Not replaced, the old file cannot be read: /a/locked.bin"));
    QCOMPARE(h.handset.File("/a/locked.bin")->contents, std::vector<uint8_t>(10, 'x'));
  }

  void cancelledListLoadIsFetchedAgainNextTime() {
    TransferWindow h;
    for (int i = 0; i < 200; ++i) {
      h.handset.AddFile("/a/many/f" + std::to_string(i), {1});
    }
    h.handset.SetLatency(std::chrono::milliseconds(2));
    const long before = h.ListRequests();
    CancelWhenUnderWay cancel(h.handset, kListSubCommand, static_cast<int>(before) + 3);
    h.window.OnCommand(ids::kRightRereadButton);
    h.handset.SetLatency(std::chrono::microseconds(0));

    QVERIFY(cancel.pressed);
    QVERIFY(h.ListRequests() - before < 200);
    QCOMPARE(h.window.handsetSession().fileList().fileListLoaded, 0);
    QVERIFY(Logged(h.window, "File list load cancelled."));

    // The next fill loads the whole list.
    h.window.OnCommand(ids::kRightRereadButton);
    QCOMPARE(h.window.handsetSession().fileList().fileListLoaded, 1);
    QVERIFY(Names(h.window, kRight).contains(QStringLiteral("many")));
  }

  void aNameWithAnEightBitByteSurvivesDownloadAndDelete() {
    TransferWindow h;
    h.handset.AddFile("/a/caf\xE9.txt", {'c', 'a', 'f', 'e'});
    h.window.OnCommand(ids::kRightRereadButton);
    const QString shown = QStringLiteral("caf\u00E9.txt");
    Select(h.window, kRight, {shown});
    h.window.OnCommand(ids::kCopyButton);
    QCOMPARE(ReadFile(h.local.filePath(shown)), QByteArray("cafe"));

    Select(h.window, kRight, {shown});
    Answers answers(h.window, {true});
    h.window.OnCommand(ids::kDeleteButton);
    QVERIFY(!h.handset.File("/a/caf\xE9.txt"));
    QVERIFY(!Names(h.window, kRight).contains(shown));
  }

  void attributesOpenOnceForTheFirstSelectedRow() {
    TransferWindow h;
    QStringList shown;
    std::optional<uint32_t> answer = 0x23;
    h.window.prompts().askAttributes = [&](std::string_view text, const QString& name) {
      shown << name + QStringLiteral(" ") + QString::fromLatin1(text.data(), text.size());
      return answer;
    };
    Select(h.window, kRight, {"odd.zzz", "ring.mp3"});
    h.window.OnCommand(ids::kAttributesButton);
    QCOMPARE(shown, QStringList{"odd.zzz 07    0000"});
    QCOMPARE(h.handset.File("/a/odd.zzz")->attributes, 0x23);
    QCOMPARE(RowNamed(h.window, kRight, "odd.zzz").column2, std::string("07    0023"));
    // The entry's field bytes read 00 23 00 07.
    uint32_t field = 0;
    h.window.handsetSession().fileList().ForEachEntry([&field](const FileListEntry& entry) {
      if (entry.name == "/a/odd.zzz" && !entry.deleted) {
        field = entry.attributeField;
      }
    });
    QCOMPARE(field, 0x07002300u);

    // Cancel sends nothing; on a local panel the command does nothing at all.
    answer.reset();
    const std::size_t commands = h.handset.Received().size();
    Select(h.window, kRight, {"ring.mp3"});
    h.window.OnCommand(ids::kAttributesButton);
    Select(h.window, kLeft, {".."});
    h.window.OnCommand(ids::kAttributesButton);
    QCOMPARE(h.handset.Received().size(), commands);
    QCOMPARE(shown.size(), 2);
  }

  // A directory's row shows the word of a file inside it, and an open of its path could make an
  // empty file of that name: F2 there asks nothing and sends nothing.
  void attributesLeaveADirectoryRowAlone() {
    TransferWindow h;
    bool asked = false;
    h.window.prompts().askAttributes = [&](std::string_view,
                                           const QString&) -> std::optional<uint32_t> {
      asked = true;
      return 0x23;
    };
    Select(h.window, kRight, {"audio", "ring.mp3"});
    const std::size_t commands = h.handset.Received().size();
    h.window.OnCommand(ids::kAttributesButton);  // F2
    QVERIFY(!asked);
    QCOMPARE(h.handset.Received().size(), commands);
    QCOMPARE(h.window.eventLog().Lines().back(),
             std::string("Skipped, a directory has no attributes: audio"));
  }

  void viewAndEditHandLocalFilesToTheDesktop() {
    TransferWindow h;
    QVERIFY(QDir(h.local.path()).mkdir(QStringLiteral("dir")));
    QVERIFY(WriteFile(h.local.filePath(QStringLiteral("notes.txt")), "n"));
    ShowLocal(h.window, kLeft, h.local.path());
    QStringList launched;
    DesktopLauncher& launcher = h.window.prompts().launcher;
    launcher.openDefault = [&](const QString& path) { launched << "default " + path; };
    launcher.openAsText = [&](const QString& path) { launched << "text " + path; };
    launcher.startProgram = [&](const QString& program, const QStringList& arguments) {
      launched << "start " + program + " " + arguments.join(' ');
      return true;
    };
    const QString notes = h.local.filePath(QStringLiteral("notes.txt"));
    const QString dir = h.local.filePath(QStringLiteral("dir"));

    Select(h.window, kLeft, {"dir"});
    h.window.OnCommand(ids::kViewButton);
    Select(h.window, kLeft, {"notes.txt"});
    h.window.OnCommand(ids::kViewButton);
    // Edit needs two local panels; View only a local active one.
    h.window.OnCommand(ids::kEditButton);
    Select(h.window, kRight, {"ring.mp3"});
    h.window.OnCommand(ids::kViewButton);
    QCOMPARE(launched, (QStringList{"default " + dir, "default " + notes}));

    ShowLocal(h.window, kRight, h.local.path());
    h.window.panel(kRight).driveIndex = 2;
    Select(h.window, kLeft, {"notes.txt"});
    h.window.OnCommand(ids::kEditButton);
    const QString lister = QString::fromStdString((h.test.dir() / "lister").string());
    QVERIFY(WriteFile(lister, "#!/bin/sh\n"));
    QVERIFY(QFile::setPermissions(lister, QFile::ReadOwner | QFile::ExeOwner));
    h.window.OnCommand(ids::kViewButton);
    QCOMPARE(launched.mid(2), (QStringList{"text " + notes, "start " + lister + " " + notes}));
  }

  void restartForgetsTheListButTheMenuItemKeepsIt() {
    TransferWindow h;
    PhoneFileList& list = h.window.handsetSession().fileList();
    h.window.OnCommand(ids::kMenuRestart);
    QCOMPARE(h.handset.RestartCount(), 1);
    QCOMPARE(list.fileListLoaded, 1);
    h.window.OnCommand(ids::kRestartButton);
    QCOMPARE(h.handset.RestartCount(), 2);
    QCOMPARE(list.fileListLoaded, 0);
  }
};

QTEST_MAIN(FileCommandsTest)
#include "file_commands_test.moc"
