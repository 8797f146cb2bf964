// The operations of the panels, the file commands, the transfers and the desktop integration
// that are still to be written. The main window already calls each at its place; filling one in
// here (or moving it to its own file) is all it takes to bring it to life.
#include "app/pending_commands.h"

namespace tollhaven {

// The panels, the drive selectors, the handset connection and the drops live in src/panels/ui/;
// the file commands in file_operations.cpp and handset_transfers.cpp.
void RunShellIntegration(MainWindow&) {}
void ApplyAutoStart(MainWindow&, bool) {}
void StartCompanion(MainWindow&) {}
void CheckForUpdate(MainWindow&) {}

}  // namespace tollhaven
