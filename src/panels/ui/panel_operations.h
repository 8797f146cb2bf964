#pragma once

#include <string_view>

namespace tollhaven {

class PanelHost;

// The operations of the two panels and their drive selectors, on whatever hosts them.

// Gives both lists their models and looks, once.
void setupPanels(PanelHost& host);
void fillDriveSelector(PanelHost& host, int side);
// Makes the selector entry the side's drive and its directory current; false when it cannot.
bool selectLocalDrive(PanelHost& host, int side, int entry);
void fillLocalPanel(PanelHost& host, int side);
void fillHandsetPanel(PanelHost& host, int side);
void sortPanel(PanelHost& host, int side);
void restoreSelection(PanelHost& host, int side, int row);
void activateLocalRow(PanelHost& host, int side);
void activateHandsetRow(PanelHost& host, int side);
void onColumnClick(PanelHost& host, int side, int column);
void onDriveChosen(PanelHost& host, int side);
// Files dropped on or pasted into either list.
void installDropHandlers(PanelHost& host);

// Orders the side's rows by `mode`, renumbers them and restores the selection.
void SortSide(PanelHost& host, int side, int mode);
// Sets the header text of the side's column 2 ("Date/Time" or "Ownr/Attr").
void SetColumn2Title(PanelHost& host, int side, std::string_view title);
// Switches the side to drive-selector entry 2 and lists it: where a side goes when what it
// should show cannot be shown.
void FallBackToStartDrive(PanelHost& host, int side);

// After files changed in the directory the side shows: the other side is listed again when it
// shows the same directory (the same handset directory, or the same local one).
void RefillOtherIfSame(PanelHost& host, int side);

// The handset: connect and read its volumes; forget the cached file list so the next fill loads
// it again.
void ConnectHandset(PanelHost& host);
void InvalidateFileList(PanelHost& host);

}  // namespace tollhaven
