// The main window's start and end: the start-up timer with the fade-in and the one-time tasks,
// the saved window rectangle, and the close sequence.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QThread>

#include "app/main_window.h"
#include "app/patch_run.h"
#include "app/shell_integration_commands.h"
#include "app/startup_reminder.h"
#include "support/ui/update_check.h"

namespace tollhaven {
namespace {

constexpr const char* kLogFileName = ".log";
constexpr int kOpaque = 255;
constexpr int kFadeInStep = 5;
constexpr int kFadeOutStep = 10;

// The frame the window system draws around the window, which the saved rectangle includes.
QMargins FrameMargins(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect inner = window.geometry();
  return QMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                  frame.right() - inner.right(), frame.bottom() - inner.bottom());
}

// A rectangle worth restoring: not empty, and at least partly on a screen, so that a ".config"
// from another display set-up cannot put the window where nobody sees it.
bool OnSomeScreen(const QRect& frame) {
  if (frame.width() <= 0 || frame.height() <= 0) {
    return false;
  }
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().intersects(frame)) {
      return true;
    }
  }
  return false;
}

}  // namespace

void MainWindow::OnStartupTick() {
  if (settings_.fadeIn == 1) {
    RestoreWindowPlacement();
    setWindowOpacity(startupOpacity_ / double(kOpaque));
    if (startupOpacity_ <= kOpaque - kFadeInStep) {
      startupOpacity_ += kFadeInStep;
    } else {
      startupTimer_.stop();
    }
  } else {
    // Fade-in switched off in the Options box half way must not leave the window see-through.
    setWindowOpacity(1.0);
    startupTimer_.stop();
  }
  const bool firstTick =
      settings_.fadeIn == 1 ? startupOpacity_ == kFadeInStep : startupOpacity_ == 0;
  if (firstTick) {
    // Run from the event loop, not inside this tick: the message boxes of the tasks have their
    // own loops, and the fade-in goes on ticking while they are open.
    QMetaObject::invokeMethod(this, &MainWindow::RunStartupTasks, Qt::QueuedConnection);
  }
}

void MainWindow::RunStartupTasks() {
  if (settings_.autoStart == 1) {
    StartCompanion(*this);
  }
  if (settings_.checkUpdate == 1) {
    updateCheck_->Run(log_);
  }
  if (settings_.showReminder == 1) {
    ShowStartupReminder();
  }
  RunCommandLineArgument(*this);
}

void MainWindow::ShowStartupReminder() {
  for (const ReminderMessage& message : StartupReminder(settings_)) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(message.caption),
                    QString::fromStdString(message.text), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }
}

void MainWindow::RestoreWindowPlacement() {
  if (isMaximized() || isFullScreen() || isMinimized()) {
    return;
  }
  const QRect frame(QPoint(settings_.windowLeft, settings_.windowTop),
                    QPoint(settings_.windowRight - 1, settings_.windowBottom - 1));
  if (!OnSomeScreen(frame)) {
    return;
  }
  const QMargins margins = FrameMargins(*this);
  resize(frame.width() - margins.left() - margins.right(),
         frame.height() - margins.top() - margins.bottom());
  move(frame.topLeft());
}

void MainWindow::StoreWindowPlacement() {
  QRect normal = (isMaximized() || isMinimized() || isFullScreen()) ? normalGeometry() : geometry();
  if (!normal.isValid()) {
    normal = geometry();
  }
  const QMargins margins = FrameMargins(*this);
  settings_.windowLeft = normal.left() - margins.left();
  settings_.windowTop = normal.top() - margins.top();
  settings_.windowRight = normal.left() + normal.width() + margins.right();
  settings_.windowBottom = normal.top() + normal.height() + margins.bottom();
}

void MainWindow::FadeOut() {
  int opacity = kOpaque;
  setWindowOpacity(1.0);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  while (opacity > kFadeInStep) {
    opacity -= kFadeOutStep;
    QThread::msleep(1);
    setWindowOpacity(opacity / double(kOpaque));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  closed_ = true;
  // No start-up tick may run between the steps below.
  startupTimer_.stop();
  StoreWindowPlacement();
  SaveSettings(settings_, paths_.configDir / kSettingsFileName);
  WriteLogFile();
  if (settings_.fadeIn == 1) {
    FadeOut();
  }
  session_->fileList().Release();
  event->accept();
}

void MainWindow::WriteLogFile() const {
  log_.WriteLogFile(paths_.configDir / kLogFileName);
}

void MainWindow::EndWithoutSaving() {
  // closeEvent sees the window as closed already and lets it go without a step of its own.
  closed_ = true;
  startupTimer_.stop();
  session_->fileList().Release();
  close();
}

}  // namespace tollhaven
