#pragma once

namespace tollhaven {

class MainWindow;

// The commands and panel operations the main window hands over to the panels, the file
// operations, the transfers, the handset layers and the desktop. Each is called at the moment the
// main window would carry it out. They live in src/panels/ui/ (panels, drive selectors, handset
// connection, drops) and src/app/ (file commands, transfers, patch run, desktop, update check).

// Panels: setup once, per-side fills and activation, sorting, the drive selectors.
void setupPanels(MainWindow& window);
void fillDriveSelector(MainWindow& window, int side);
// Makes the selector entry the side's drive and its directory current; false when it cannot.
bool selectLocalDrive(MainWindow& window, int side, int entry);
void fillLocalPanel(MainWindow& window, int side);
void fillHandsetPanel(MainWindow& window, int side);
void sortPanel(MainWindow& window, int side);
void restoreSelection(MainWindow& window, int side, int row);
void activateLocalRow(MainWindow& window, int side);
void activateHandsetRow(MainWindow& window, int side);
void onColumnClick(MainWindow& window, int side, int column);
void onDriveChosen(MainWindow& window, int side);
// Files dropped on or pasted into either list.
void installDropHandlers(MainWindow& window);

// The handset: connect and read its volumes; forget the cached file list so the next fill loads
// it again; restart it; release the cached list at close.
void ConnectHandset(MainWindow& window);
void InvalidateFileList(MainWindow& window);
void PhoneRestart(MainWindow& window);
void ReleaseFileList(MainWindow& window);

// File operations on the active panel.
void ViewItem(MainWindow& window);
void EditItem(MainWindow& window);
void DeleteSelection(MainWindow& window);
void CopySelection(MainWindow& window);
void NewFolder(MainWindow& window);
void EditAttributes(MainWindow& window);

// Desktop integration and the start-up tasks.
void RunShellIntegration(MainWindow& window);
void ApplyAutoStart(MainWindow& window, bool autoStart);
void StartCompanion(MainWindow& window);
void CheckForUpdate(MainWindow& window);
void RunCommandLineArgument(MainWindow& window);

}  // namespace tollhaven
