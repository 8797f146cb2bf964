#pragma once

#include <string_view>

namespace tollhaven {

class MainWindow;

// Panel operations shared by the local panel, the handset panel and the drive selectors, beside
// the ones the main window calls (app/pending_commands.h).

// Orders the side's rows by `mode`, renumbers them and restores the selection.
void SortSide(MainWindow& window, int side, int mode);
// Sets the header text of the side's column 2 ("Date/Time" or "Ownr/Attr").
void SetColumn2Title(MainWindow& window, int side, std::string_view title);
// Switches the side to drive-selector entry 2 and lists it: where a side goes when what it
// should show cannot be shown.
void FallBackToStartDrive(MainWindow& window, int side);

}  // namespace tollhaven
