#pragma once

namespace tollhaven {

class MainWindow;
class ShellIntegration;

// The window's desktop integration, made on first use: the running executable opens the file
// types, and the companion lies beside it in `exeDir`. A test replaces its members to see what
// would be started.
ShellIntegration& ShellIntegrationOf(MainWindow& window);

}  // namespace tollhaven
