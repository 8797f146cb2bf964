#pragma once

#include <string>

#include "panels/panel_row.h"

class QComboBox;
class QLineEdit;
class QTreeView;
class QWidget;

namespace tollhaven {

class EventLog;
class HandsetSession;
class PanelsState;
class ProgressSink;
class Settings;
class StatusSink;

// What the host keeps per panel: the chosen drive-selector entry (0 is the handset), the
// directory shown on the handset, and the row to select after a sort.
struct PanelSide {
  int driveIndex = 2;
  std::string handsetDir = "/";
  int rememberedRow = 0;
};

inline constexpr int kLeft = kLeftSide;
inline constexpr int kRight = kRightSide;

// What the panel operations work on: each side's widgets and state, the active side, and the
// services both panels share. The main window is the program's host; tests bring a small one.
class PanelHost {
 public:
  virtual ~PanelHost() = default;

  // The widget that owns the dialogs the panels open (the wait dialog, questions).
  virtual QWidget& dialogOwner() = 0;
  virtual QTreeView* list(int side) const = 0;
  virtual QLineEdit* pathField(int side) const = 0;
  virtual QComboBox* driveSelector(int side) const = 0;
  virtual PanelSide& panel(int side) = 0;
  virtual int activeSide() const = 0;
  // A drive choice makes its side the active one.
  virtual void setActiveSide(int side) = 0;

  virtual EventLog& eventLog() = 0;
  virtual Settings& settings() = 0;
  virtual StatusSink& status() const = 0;
  virtual ProgressSink& progress() const = 0;
  virtual PanelsState& panels() = 0;
  virtual HandsetSession& handsetSession() = 0;
};

}  // namespace tollhaven
