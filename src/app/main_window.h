#pragma once

#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <array>
#include <filesystem>
#include <memory>

#include "app/progress_bar.h"
#include "app/splitter_drag.h"
#include "app/status_bar.h"
#include "app/window_layout.h"
#include "panels/ui/handset_session.h"
#include "panels/ui/panel_host.h"
#include "support/event_log.h"
#include "support/settings.h"

class QComboBox;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QTreeView;

namespace tollhaven {

class EventLogView;
class FilePrompts;
class PanelsState;
class ShellIntegration;
class UpdateCheck;

// Where the program finds itself and keeps its files.
struct AppPaths {
  std::filesystem::path exeDir;     // the executable's directory: first log line, current directory
  std::filesystem::path configDir;  // where ".config" and ".log" are kept
  // Whether this program makes itself the desktop's opener of patch files at start; the demo
  // program, wired to a simulated handset, must not take that over from the real one.
  bool integrateWithDesktop = true;
};

// The program's only top-level window: two panels with their drive selectors and path fields,
// the event log, the command buttons, the progress and status bars, and the menu. Keys, buttons
// and menu items all arrive at OnCommand as command ids. It hosts the panels and owns the
// services they and the commands share, each made once in its constructor.
class MainWindow : public QMainWindow, public PanelHost {
  Q_OBJECT

 public:
  // The handset is reached through `reach`.
  MainWindow(AppPaths paths, QStringList arguments, HandsetReach reach, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Carries out one command id of a key, a button or a menu item.
  void OnCommand(int id);
  // Ends the program without the close handling: stops the window's timers, lets go of the
  // cached handset list and closes the window (the program ends with its last window), writing
  // neither ".config" nor ".log" and without the fade-out. How a patch-file run ends, whatever
  // its outcome.
  void EndWithoutSaving();
  // Writes the event log to ".log" in the configuration directory, as the close does; a
  // patch run whose lines failed writes it before it ends, so the failures can be read.
  void WriteLogFile() const;

  // The panels' host.
  QWidget& dialogOwner() override { return *this; }
  int activeSide() const override { return activeSide_; }
  void setActiveSide(int side) override { activeSide_ = side; }
  bool tabSwitch() const { return tabSwitch_; }
  PanelSide& panel(int side) override { return sides_[side]; }
  QTreeView* list(int side) const override { return lists_[side]; }
  QLineEdit* pathField(int side) const override { return pathFields_[side]; }
  QComboBox* driveSelector(int side) const override { return selectors_[side]; }
  StatusBar& status() const override { return *statusBar_; }
  ProgressBar& progress() const override { return *progressBar_; }
  EventLog& eventLog() override { return log_; }
  Settings& settings() override { return settings_; }
  PanelsState& panels() override { return *panels_; }
  HandsetSession& handsetSession() override { return *session_; }

  // The services the commands share besides the panels'; tests answer the questions in the
  // user's place through their members.
  FilePrompts& prompts() { return *prompts_; }
  UpdateCheck& updateCheck() { return *updateCheck_; }
  ShellIntegration& shellIntegration() { return *shellIntegration_; }

  QMenu* commandsMenu() const { return commandsMenu_; }
  const AppPaths& paths() const { return paths_; }
  const QStringList& arguments() const { return arguments_; }
  // The bold face of the lists and path fields, also used by the attributes dialog.
  QFont listFont() const;

  // The current rectangles of the controls the layout moves, in client pixels.
  LayoutRects layoutRects() const;
  // The start-up opacity counter: 0 to 255 while the window fades in.
  int startupOpacity() const { return startupOpacity_; }

 signals:
  // Every command id, as it arrives, before it is carried out.
  void commandReceived(int id);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // What a list told the window; any of them makes its side the active one.
  enum class ListEvent { Other, Activated, ColumnClicked };

  void BuildControls();
  void BuildMenu();
  void MakeServices(HandsetReach reach);
  void SetupButtonImages();
  void Initialise();

  void OnListNotification(int side, ListEvent event, int column = -1);
  void EnableForPanelKind(int side);
  void SetPathFieldEnabling(int activeSide);
  void Tab();
  void GoUp();
  void SelectAndAdvance();
  void RereadPanel(int side);
  void OpenDriveSelector(int side);
  void InsertHandsetEntry(int side);
  void RefreshRightPanel();

  void OnClientResized();
  void ApplyRects(const LayoutRects& rects);
  void SetFilenameWidth(int side, int width);
  void PlaceSplitterHandle();
  void OnSplitterMouse(QEvent* event);

  void OnStartupTick();
  void RunStartupTasks();
  void ShowStartupReminder();
  void RestoreWindowPlacement();
  void StoreWindowPlacement();
  void FadeOut();

  AppPaths paths_;
  QStringList arguments_;
  EventLog log_;
  Settings settings_;
  // The services, made in MakeServices and gone before the log and the settings they use.
  std::unique_ptr<PanelsState> panels_;
  std::unique_ptr<FilePrompts> prompts_;
  std::unique_ptr<HandsetSession> session_;
  std::unique_ptr<UpdateCheck> updateCheck_;
  std::unique_ptr<ShellIntegration> shellIntegration_;

  int activeSide_ = kLeft;
  bool tabSwitch_ = false;
  std::array<PanelSide, 2> sides_{};

  std::array<QTreeView*, 2> lists_{};
  std::array<QLineEdit*, 2> pathFields_{};
  std::array<QComboBox*, 2> selectors_{};
  std::array<QPushButton*, 2> rereadButtons_{};
  QPushButton* viewButton_ = nullptr;
  QPushButton* editButton_ = nullptr;
  QPushButton* attributesButton_ = nullptr;
  QPushButton* restartButton_ = nullptr;
  QPushButton* moveButton_ = nullptr;
  QPushButton* copyButton_ = nullptr;
  QPushButton* newFolderButton_ = nullptr;
  QPushButton* deleteButton_ = nullptr;
  EventLogView* logView_ = nullptr;
  ProgressBar* progressBar_ = nullptr;
  StatusBar* statusBar_ = nullptr;
  QWidget* client_ = nullptr;
  QWidget* splitterHandle_ = nullptr;
  QMenu* commandsMenu_ = nullptr;
  QAction* attributesAction_ = nullptr;
  QAction* viewAction_ = nullptr;
  QAction* editAction_ = nullptr;

  SplitterDrag splitterDrag_;
  QTimer startupTimer_;
  int startupOpacity_ = 0;
  bool closed_ = false;
};

}  // namespace tollhaven
