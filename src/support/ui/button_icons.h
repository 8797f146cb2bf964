#pragma once

#include <QAbstractButton>
#include <QIcon>
#include <QString>

namespace tollhaven {

// A built-in picture (a path such as kCopyIcon) as an icon drawn from its SVG at whatever pixel
// size it is asked for, so that it is sharp at every scale factor. `size` is the size in logical
// pixels the icon is shown at. Its modes are a command button's looks: Normal; Active, the hot
// look while the mouse is over the button, a lighter copy; Selected, the pressed look, a darker
// copy one logical pixel down and right; Disabled, the style's own greyed version of Normal.
QIcon ButtonIcon(const QString& resource, int size);

// Gives `button` the picture at `size` x `size` logical pixels and keeps its look in step with
// the button: hot while the mouse is over it, pressed while it is held down, greyed while it is
// disabled. The button's keyboard focus does not change the picture.
void SetButtonIcon(QAbstractButton* button, const QString& resource, int size);

}  // namespace tollhaven
