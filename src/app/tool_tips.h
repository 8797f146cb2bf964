#pragma once

#include <QString>

class QWidget;

namespace tollhaven {

// The help text of a control of the main window; empty for controls without one.
QString ToolTipFor(int controlId);

// Gives every control of `window` (children of controls too) that has a text its tool tip, once,
// and lets the tips show while the window is inactive as well.
void SetupToolTips(QWidget* window);

}  // namespace tollhaven
