// The file commands of the main window: view, edit, delete, new folder, attributes, restart and
// copy, on the active panel (and, for copy, into the other one).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTreeView>
#include <filesystem>

#include "app/file_operations.h"
#include "app/file_prompts.h"
#include "app/handset_transfers.h"
#include "app/main_window.h"
#include "app/selection_questions.h"
#include "app/status_bar.h"
#include "handset/handset_names.h"
#include "handset/handset_path.h"
#include "panels/handset_volume.h"
#include "panels/selection_restore.h"
#include "panels/ui/frozen_lists.h"
#include "panels/ui/handset_session.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"
#include "panels/ui/selection_walk.h"
#include "support/local_files.h"

namespace tollhaven {

namespace {

// A viewer the user may put beside the program; View prefers it to the desktop's choice.
#ifdef Q_OS_WIN
constexpr const char* kListerProgram = "lister.exe";
#else
constexpr const char* kListerProgram = "lister";
#endif

std::string Utf8(const QString& text) {
  return text.toStdString();
}

void LogLocalFailure(MainWindow& window, const char* what, const QString& name,
                     const std::error_code& error) {
  window.eventLog().AppendLog(std::string(what) + Utf8(name) + ": " + error.message());
}

// The current row's file in its panel's directory, on the opening side: relative paths in the
// dialogs resolve against the panel that is worked on.
QString InPanel(const SelectionWalk& walk, const QString& name) {
  return QDir(walk.localDirectory()).filePath(name);
}

// The side lists its handset directory again, and so does the other side where it shows the
// same one.
void RefreshHandsetSide(MainWindow& window, int side) {
  fillHandsetPanel(window, side);
  sortPanel(window, side);
  RefillOtherIfSame(window, side);
}

// A name typed for a new handset directory, as handset bytes below `handsetDir`; nothing when
// the handset cannot hold it or a part of it would lead elsewhere ("..", "//").
std::optional<std::string> NewHandsetDirectory(std::string_view handsetDir,
                                               const std::string& typed) {
  std::optional<std::string> name = HandsetNameFromUtf8(typed);
  if (!name) {
    return std::nullopt;
  }
  HandsetPathError error = HandsetPathError::None;
  return HandsetPath::Below(handsetDir, *name, error);
}

// The delete question for the walk's current row. The handset keeps nothing it deletes, so its
// question says so, and for a directory that everything inside goes with it.
QString DeleteQuestion(const SelectionWalk& walk, const QString& name) {
  QString text = QStringLiteral("Are You sure to delete ?  -  ") + name;
  if (walk.handset()) {
    text += walk.itemIsDirectory()
                ? QStringLiteral(
                      "\nEverything inside it is deleted with it; the handset keeps "
                      "nothing it deletes.")
                : QStringLiteral("\nThe handset keeps nothing it deletes.");
  }
  return text;
}

// A local file or folder goes to the desktop's trash, so that it can be brought back. Where its
// file system has no trash, a file is deleted as it is and a folder stays, with a line.
void DeleteLocally(MainWindow& window, const QString& path, const QString& name, bool folder) {
  if (QFile::moveToTrash(path)) {
    return;
  }
  std::error_code error;
  if (folder && QFileInfo::exists(path)) {
    window.eventLog().AppendLog("Delete failed: " + Utf8(name) +
                                ": there is no trash to move the folder to");
  } else if (!DeleteLocalFile(path.toStdU16String(), error)) {
    LogLocalFailure(window, "Delete failed: ", name, error);
  }
}

void CopyLocally(MainWindow& window) {
  FilePrompts& prompts = window.prompts();
  EventLog& log = window.eventLog();
  SelectionWalk walk(window, window.activeSide());
  // A destination typed into the source's own directory: that panel shows the copy too.
  bool intoSource = false;
  SelectionQuestions questions(prompts, walk.Count());
  for (int r = walk.First(); r != -1 && !questions.stopped(); r = walk.Next()) {
    const QString name = walk.shownName();
    if (walk.itemIsDirectory()) {
      log.AppendLog("Skipped, a directory: " + Utf8(name));
      continue;
    }
    std::string otherPath = Utf8(QDir(walk.otherLocalDirectory()).filePath(name));
    const std::string proposed = otherPath;
    log.AppendLog(Utf8(name));
    log.AppendLog(otherPath);
    // Cancel keeps the proposed destination: the copy goes on either way.
    prompts.askCopyDestination(Utf8(name), otherPath);

    const std::filesystem::path from = InPanel(walk, name).toStdU16String();
    QString destination = InPanel(walk, QString::fromStdString(otherPath));
    // A directory typed as the destination gets the file, under its own name.
    if (QFileInfo(destination).isDir()) {
      destination = QDir(destination).filePath(name);
    }
    const std::filesystem::path to = destination.toStdU16String();
    // The question names the file it would replace: the row's name while the destination is
    // the one proposed, the whole destination once the user changed it.
    const QString replaced = otherPath == proposed ? name : QDir::toNativeSeparators(destination);
    std::error_code error;
    LocalCopy copied;
    {
      FrozenLists frozen(window);
      copied = CopyLocalFile(from, to, false, error);
    }
    if (copied == LocalCopy::DestinationExists) {
      // Focus may move while the box is open; the command stays with its side.
      const int side = window.activeSide();
      const bool overwrite =
          questions.Ask(QStringLiteral("Are You overwrite file ?  -  ") + replaced,
                        QStringLiteral("Overwrite confirmation"));
      window.setActiveSide(side);
      if (!overwrite) {
        continue;
      }
      FrozenLists frozen(window);
      copied = CopyLocalFile(from, to, true, error);
    }
    if (copied == LocalCopy::Failed) {
      LogLocalFailure(window, "Copy failed: ", name, error);
    } else if (QFileInfo(destination).dir() == QDir(walk.localDirectory())) {
      intoSource = true;
    }
  }
  fillLocalPanel(window, walk.other());
  if (intoSource) {
    fillLocalPanel(window, walk.side());
  }
  window.list(walk.side())->setFocus(Qt::OtherFocusReason);
}

}  // namespace

void ViewItem(MainWindow& window) {
  SelectionWalk walk(window, window.activeSide());
  if (walk.First() == -1 || walk.handset()) {
    return;
  }
  DesktopLauncher& launcher = window.prompts().launcher;
  const QString path = InPanel(walk, walk.shownName());
  if (walk.itemIsDirectory()) {
    launcher.openDefault(path);
    return;
  }
  const QString lister = QDir(QString::fromStdU16String(window.paths().exeDir.u16string()))
                             .filePath(QString::fromLatin1(kListerProgram));
  if (!QFileInfo(lister).isExecutable() || !launcher.startProgram(lister, {path})) {
    launcher.openDefault(path);
  }
}

void EditItem(MainWindow& window) {
  SelectionWalk walk(window, window.activeSide());
  // Edit works between two local panels only.
  if (walk.First() == -1 || walk.handset() || walk.otherHandset()) {
    return;
  }
  DesktopLauncher& launcher = window.prompts().launcher;
  const QString path = InPanel(walk, walk.shownName());
  if (walk.itemIsDirectory()) {
    launcher.openDefault(path);
  } else {
    launcher.openAsText(path);
  }
}

void DeleteSelection(MainWindow& window) {
  EventLog& log = window.eventLog();
  SelectionWalk walk(window, window.activeSide());
  SelectionQuestions questions(window.prompts(), walk.Count());
  int firstDeleted = -1;
  for (int r = walk.First(); r != -1 && !questions.stopped(); r = walk.Next()) {
    const QString name = walk.shownName();
    if (!questions.Ask(DeleteQuestion(walk, name), QStringLiteral("Delete confirmation"))) {
      continue;
    }
    if (firstDeleted == -1) {
      firstDeleted = r;
    }
    FrozenLists frozen(window);
    if (!walk.handset()) {
      log.AppendLog(Utf8(name));
      DeleteLocally(window, InPanel(walk, name), name, walk.itemIsDirectory());
      continue;
    }
    HandsetSession& session = window.handsetSession();
    const std::string path = walk.handsetPath();
    log.AppendLog("Deleting file ");
    log.AppendLog(Utf8FromHandsetName(path));
    session.files().Delete(path, walk.itemIsDirectory());
    showHandsetVolume(session.fileList(), window.status());
  }
  if (walk.handset()) {
    RefreshHandsetSide(window, walk.side());
  } else {
    fillLocalPanel(window, walk.side());
    RefillOtherIfSame(window, walk.side());
    window.list(walk.side())->setFocus(Qt::OtherFocusReason);
  }
  if (firstDeleted != -1) {
    const int row = RowAfterDelete(window.panels().model(walk.side()).rows(), firstDeleted);
    window.panel(walk.side()).rememberedRow = row;
    // The refill selected the old remembered row; on the right a restore keeps what is
    // selected, so that row goes first.
    window.list(walk.side())->clearSelection();
    restoreSelection(window, walk.side(), row);
  }
}

void NewFolder(MainWindow& window) {
  const int side = window.activeSide();
  std::string currentName;
  window.prompts().askNewName(currentName);
  if (currentName.empty()) {
    return;
  }
  EventLog& log = window.eventLog();
  SelectionWalk walk(window, side);
  if (!walk.handset()) {
    const QString name = QString::fromStdString(currentName);
    std::error_code error;
    if (!MakeLocalDirectory(InPanel(walk, name).toStdU16String(), error)) {
      LogLocalFailure(window, "New folder failed: ", name, error);
    }
    fillLocalPanel(window, side);
    RefillOtherIfSame(window, side);
    return;
  }
  const std::optional<std::string> path = NewHandsetDirectory(walk.handsetDirectory(), currentName);
  if (!path) {
    log.AppendLog("New folder failed, not a name the handset can hold: " + currentName);
    return;
  }
  HandsetSession& session = window.handsetSession();
  log.AppendLog(Utf8FromHandsetName(*path));
  session.files().MakeDirectory(*path);
  showHandsetVolume(session.fileList(), window.status());
  RefreshHandsetSide(window, side);
}

void EditAttributes(MainWindow& window) {
  SelectionWalk walk(window, window.activeSide());
  if (!walk.handset() || walk.First() == -1) {
    return;
  }
  // A directory's row shows the word of a file inside it, and the open that sets a word would
  // make an empty file of the directory's name.
  if (walk.itemIsDirectory()) {
    window.eventLog().AppendLog("Skipped, a directory has no attributes: " +
                                Utf8(walk.shownName()));
    return;
  }
  // One dialog, for the first selected row: the refill after it leaves only that row selected.
  const std::optional<uint32_t> word =
      window.prompts().askAttributes(walk.row.column2, walk.shownName());
  if (word) {
    window.handsetSession().files().SetAttributes(walk.handsetPath(), *word);
  }
  RefreshHandsetSide(window, walk.side());
}

void PhoneRestart(MainWindow& window) {
  HandsetSession& session = window.handsetSession();
  session.EnsureConnected();
  session.handset().PhoneRestart();
}

void CopySelection(MainWindow& window) {
  SelectionWalk walk(window, window.activeSide());
  if (walk.handset() && walk.otherHandset()) {
    window.eventLog().AppendLog(walk.side() == kLeft ? "p2k to p2k Left to Right:"
                                                     : "p2k to p2k Right to Left:");
  } else if (walk.handset()) {
    DownloadSelection(window);
  } else if (walk.otherHandset()) {
    UploadSelection(window);
  } else {
    CopyLocally(window);
  }
}

}  // namespace tollhaven
