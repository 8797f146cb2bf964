#pragma once

class QComboBox;

namespace tollhaven {

// Keeps the mouse wheel from stepping a closed drive selector to another entry: each step would
// be a drive choice, connecting to the handset and loading its list when it lands on the handset
// entry, just because the wheel turned while the pointer crossed the selector. The wheel still
// scrolls the open list, and a wheel turn no longer gives the closed selector the focus.
void IgnoreWheelWhileClosed(QComboBox* selector);

}  // namespace tollhaven
