#pragma once

#include <filesystem>
#include <memory>

namespace tollhaven {

class MainWindow;
class ShellIntegration;

// The window's desktop integration: the running executable opens the file types, and the
// companion lies beside it in `exeDir`. A test replaces its members to see what would be
// started.
std::unique_ptr<ShellIntegration> MakeShellIntegration(const std::filesystem::path& exeDir);

// Registers the file types and applies the auto-start setting, as the window's initialisation
// does; nothing for a program that must not take the desktop over (the demo).
void RunShellIntegration(MainWindow& window);
// The Options dialog's OK.
void ApplyAutoStart(MainWindow& window, bool autoStart);
// The first start-up task.
void StartCompanion(MainWindow& window);

}  // namespace tollhaven
