#pragma once

// Command and control identifiers of the main window. Keys, buttons and menu items all reach the
// dispatcher as one of these numbers, so they are shared by every part of the window.
namespace tollhaven::ids {

// Controls of the main window.
inline constexpr int kEventLog = 1001;
inline constexpr int kLeftList = 1002;
inline constexpr int kRightList = 1003;
inline constexpr int kMoveButton = 1004;
inline constexpr int kLeftDriveSelector = 1005;
inline constexpr int kRightDriveSelector = 1006;
inline constexpr int kViewButton = 1007;
inline constexpr int kAttributesButton = 1008;
inline constexpr int kNewFolderButton = 1009;
inline constexpr int kRestartButton = 1010;
inline constexpr int kDeleteButton = 1011;
inline constexpr int kLeftRereadButton = 1012;
inline constexpr int kRightRereadButton = 1013;
inline constexpr int kProgressBar = 1014;
inline constexpr int kRightPathField = 1015;
inline constexpr int kLeftPathField = 1016;
inline constexpr int kCloseKey = 1017;          // hidden "F10"
inline constexpr int kLeftSelectorKey = 1018;   // hidden "AF1"
inline constexpr int kRightSelectorKey = 1019;  // hidden "AF2"
inline constexpr int kTabKey = 1020;            // hidden "TAB"
inline constexpr int kSelectKey = 1021;         // hidden "SEL"
inline constexpr int kRereadKey = 1022;         // hidden "RR"
inline constexpr int kStatusBar = 1025;
inline constexpr int kEditButton = 1026;
inline constexpr int kCopyButton = 1027;
inline constexpr int kBackKey = 1028;  // hidden "BS"

// Menu 10000.
inline constexpr int kMenuExit = 10001;
inline constexpr int kMenuOptions = 10007;
inline constexpr int kMenuCommands = 10008;
inline constexpr int kMenuView = 10009;
inline constexpr int kMenuEdit = 10010;
inline constexpr int kMenuCopy = 10011;
inline constexpr int kMenuMove = 10012;
inline constexpr int kMenuNewFolder = 10013;
inline constexpr int kMenuDelete = 10014;
inline constexpr int kMenuRestart = 10015;
inline constexpr int kMenuAttributes = 10016;
inline constexpr int kMenuAbout = 10101;

// The main window's start-up timer.
inline constexpr int kStartupTimer = 2000;

}  // namespace tollhaven::ids
