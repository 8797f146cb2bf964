#pragma once

#include <QFont>

namespace tollhaven {

// The emphasised labels of the Options and About boxes: Tahoma, 13 pixels high, weight 600.
// Where Tahoma is not installed the font matcher picks the nearest sans-serif face.
QFont BoldTahomaFont();
// The About box's own face: Tahoma 10 points.
QFont AboutDialogFont();

}  // namespace tollhaven
