// The program started with a patch file or a skin pack: the patch dialog, the run of the
// patch's lines on the handset, the report and the end without saving.
#include "app/patch_run.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/file_operations.h"
#include "app/file_prompts.h"
#include "app/main_window.h"
#include "app/patch_run.h"
#include "app/progress_bar.h"
#include "app/status_bar.h"
#include "handset/patch_executor.h"
#include "panels/handset_volume.h"
#include "panels/panel_row.h"
#include "panels/ui/handset_session.h"
#include "panels/ui/panel_operations.h"
#include "support/patch_file.h"
#include "support/ui/patch_dialog.h"

namespace tollhaven {

namespace fs = std::filesystem;

namespace {

const QString kCaption = QStringLiteral("Tollhaven warning message:");

// The message texts break their lines with a line feed followed by a carriage return.
const QString kRunComplete = QStringLiteral(
    "Uploading complete! Tollhaven will exit now.\n\rEnjoy your new skin! Or whatever you've "
    "uploaded! Regards: Tovik.....\n\rDo you want powercycle your phone?");
// A run with failed lines or one stopped by Cancel says so instead, and leaves the event log.
QString FailedLinesText(int failed) {
  return QStringLiteral(
             "Uploading done, but %1 %2 failed! Tollhaven will exit now.\n\rThe "
             "event log .log tells which.\n\rDo you want powercycle your phone?")
      .arg(failed)
      .arg(failed == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
}
const QString kRunStopped = QStringLiteral(
    "Uploading stopped by Cancel! Tollhaven will exit now.\n\rThe lines after it did not run; "
    "the event log .log tells which did.\n\rDo you want powercycle your phone?");
const QString kNotConnected = QStringLiteral(
    "Phone not connected!\n\rYoiu must plug phone,\n\rBEFORE you start *.tlhv file.");

QString SkinPackText() {
  return QStringLiteral("To open this skinpack you need skinner4moto!") + QStringLiteral("\n\r") +
         QStringLiteral(
             "It is a separate skin tool for Motorola handsets; look for it where handset "
             "skins are shared.") +
         QStringLiteral("\n\r") +
         QStringLiteral(
             "Or you have to rename this *.s4m to *.zip.\n\rThen unzip that standard zipfile, "
             "and click *.tlhv file");
}

// The argument as the local file system names it.
fs::path LocalPath(const QString& argument) {
#ifdef _WIN32
  return fs::path(argument.toStdWString());
#else
  return fs::path(QFile::encodeName(argument).toStdString());
#endif
}

// The right panel shows the handset's directory, as choosing selector entry 0 would.
void ShowHandsetOnTheRight(MainWindow& window) {
  SetColumn2Title(window, kRight, kHandsetColumn2Title);
  const std::string& directory = window.panel(kRight).handsetDir;
  window.pathField(kRight)->setText(
      QStringLiteral("P2k:") +
      QString::fromLatin1(directory.data(), static_cast<qsizetype>(directory.size())));
  window.driveSelector(kRight)->setCurrentIndex(0);
  window.panel(kRight).driveIndex = 0;
  fillHandsetPanel(window, kRight);
}

struct RunResult {
  int failedLines = 0;
  bool stopped = false;
};

// The start button's work: connect, show the handset, run every line, show the result.
void RunPatchLines(MainWindow& window, const std::vector<std::string>& lines,
                   const fs::path& patchDirectory, RunResult& result) {
  HandsetSession& session = window.handsetSession();
  Settings& settings = window.settings();
  session.patchRunning = true;
  // A list load during the run stays short; the records the run adds raise the limit, and the
  // user's own comes back at the end.
  const int32_t fileLimit = settings.fileLimit;
  settings.fileLimit = 3;

  session.ConnectAndLoadVolumes(window.status());
  if (session.connected()) {
    ShowHandsetOnTheRight(window);
    PatchExecutor executor(session.files(), window.eventLog(), window.progress(), patchDirectory);
    executor.handsetChanged = [&] { showHandsetVolume(session.fileList(), window.status()); };
    executor.Run(lines);
    result = {executor.failedLines(), executor.stopped()};
    fillHandsetPanel(window, kRight);
    sortPanel(window, kRight);
  }

  settings.fileLimit = fileLimit;
  session.patchRunning = false;
}

void RunPatchFile(MainWindow& window, const QString& argument) {
  const fs::path patchFile = LocalPath(argument);
  std::vector<std::string> lines;
  std::error_code error;
  if (std::optional<std::vector<std::string>> read = ReadPatchFile(patchFile, error)) {
    lines = std::move(*read);
  } else {
    window.eventLog().AppendLog("Cannot read the patch file: " + error.message());
  }

  RunResult result;
  PatchDialog dialog(
      argument, lines, [&] { RunPatchLines(window, lines, patchFile.parent_path(), result); },
      &window);
  dialog.exec();

  FilePrompts& prompts = window.prompts();
  HandsetSession& session = window.handsetSession();
  if (dialog.outcome() == PatchDialog::Outcome::Cancelled) {
    // No message.
  } else if (dialog.outcome() == PatchDialog::Outcome::Started && session.connected()) {
    const bool clean = result.failedLines == 0 && !result.stopped;
    if (!clean) {
      window.WriteLogFile();
    }
    const QString text = clean            ? kRunComplete
                         : result.stopped ? kRunStopped
                                          : FailedLinesText(result.failedLines);
    if (prompts.showMessage(clean ? QMessageBox::Information : QMessageBox::Warning, kCaption, text,
                            QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
      session.handset().PhoneRestart();
    }
  } else {
    prompts.showMessage(QMessageBox::Critical, kCaption, kNotConnected, QMessageBox::Ok);
  }
  window.EndWithoutSaving();
}

}  // namespace

void RunStartupArgument(MainWindow& window) {
  const QString argument = window.arguments().value(1);
  if (argument.isEmpty()) {
    return;
  }
  if (QFile::encodeName(argument).endsWith(".s4m")) {
    window.prompts().showMessage(QMessageBox::Information, kCaption, SkinPackText(),
                                 QMessageBox::Ok);
    window.close();
    return;
  }
  RunPatchFile(window, argument);
}

void RunCommandLineArgument(MainWindow& window) {
  RunStartupArgument(window);
}

}  // namespace tollhaven
