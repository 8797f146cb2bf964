#pragma once

namespace tollhaven {

// The Commands menu mirrors the command buttons: the button id a menu item stands for, or the
// item's own id when it is not mirrored (exit, options, about, the menu's restart).
int ButtonForMenuCommand(int command);

}  // namespace tollhaven
