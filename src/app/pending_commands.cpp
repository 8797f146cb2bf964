// The operations of the panels, the file commands, the transfers and the desktop integration
// that are still to be written. The main window already calls each at its place; filling one in
// here (or moving it to its own file) is all it takes to bring it to life.
#include "app/pending_commands.h"

namespace tollhaven {

void setupPanels(MainWindow&) {}
void fillDriveSelector(MainWindow&, int) {}
bool selectLocalDrive(MainWindow&, int, int) {
  return true;
}
void fillLocalPanel(MainWindow&, int) {}
void fillHandsetPanel(MainWindow&, int) {}
void sortPanel(MainWindow&, int) {}
void restoreSelection(MainWindow&, int, int) {}
void activateLocalRow(MainWindow&, int) {}
void activateHandsetRow(MainWindow&, int) {}
void onColumnClick(MainWindow&, int, int) {}
void onDriveChosen(MainWindow&, int) {}
void installDropHandlers(MainWindow&) {}

void ConnectHandset(MainWindow&) {}
void InvalidateFileList(MainWindow&) {}
void PhoneRestart(MainWindow&) {}
void ReleaseFileList(MainWindow&) {}

void ViewItem(MainWindow&) {}
void EditItem(MainWindow&) {}
void DeleteSelection(MainWindow&) {}
void CopySelection(MainWindow&) {}
void NewFolder(MainWindow&) {}
void EditAttributes(MainWindow&) {}

void RunShellIntegration(MainWindow&) {}
void ApplyAutoStart(MainWindow&, bool) {}
void StartCompanion(MainWindow&) {}
void CheckForUpdate(MainWindow&) {}
void RunCommandLineArgument(MainWindow&) {}

}  // namespace tollhaven
