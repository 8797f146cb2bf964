#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <filesystem>
#include <functional>

namespace tollhaven {

// The program's place on the desktop: the file types it opens, and the companion program that
// may start with the session. Every call brings the system in line with what it is asked and may
// be repeated at will; what is already right is left untouched.
class ShellIntegration : public QObject {
  Q_OBJECT

 public:
  // `executable` is what the file types open with; `companion` is the companion program.
  ShellIntegration(std::filesystem::path executable, std::filesystem::path companion,
                   QObject* parent = nullptr);
  // A stop signal still up is lowered.
  ~ShellIntegration() override;

  // Patch files, and skin packs unless the skin tool has them, open with the program. Returns
  // how many files it wrote.
  int RegisterAssociations();
  // With `autoStart` the companion starts with every session (when it is there beside the
  // program) and is started now, with no stop signal left to end it; without, it no longer starts
  // with the session and a running one is told to quit by the stop signal, which stays up
  // `holdMs` milliseconds while the event loop goes on.
  void ApplyAutoStart(bool autoStart, int holdMs);
  // Starts the companion by its path; whether it is there is its own business.
  void StartCompanion();

  bool StopSignalRaised() const { return static_cast<bool>(lowerStopSignal_); }

  // How other programs are started; neither waits for the program. A test replaces them.
  std::function<bool(const std::filesystem::path& program)> startCompanion;
  // Runs one of the desktop's cache tools; a missing tool is no failure of ours.
  std::function<void(const QString& tool, const QStringList& arguments)> runTool;

 private:
  // The platform's parts (shell_integration_<platform>.cpp).
  void WriteAutoStartEntry(bool autoStart);
  // Raises the stop signal and returns what lowers it; empty when it could not be raised.
  std::function<void()> CreateStopSignal();
  // Takes away a stop signal that outlived the copy of the program that raised it.
  void RemoveLeftoverStopSignal();

  void RaiseStopSignal(int holdMs);
  void LowerStopSignal();

  std::filesystem::path executable_;
  std::filesystem::path companion_;
  QTimer stopTimer_;
  std::function<void()> lowerStopSignal_;
};

}  // namespace tollhaven
