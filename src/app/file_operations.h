#pragma once

namespace tollhaven {

class MainWindow;

// The file commands on the active panel.
void ViewItem(MainWindow& window);
void EditItem(MainWindow& window);
void DeleteSelection(MainWindow& window);
void CopySelection(MainWindow& window);
void NewFolder(MainWindow& window);
void EditAttributes(MainWindow& window);
// Restarts the handset.
void PhoneRestart(MainWindow& window);

}  // namespace tollhaven
