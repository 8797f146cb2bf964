#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QString>

namespace tollhaven {

// The four looks of a command button's picture.
enum class ButtonLook { Normal, Hot, Pressed, Disabled };

// One look of a built-in picture (a path such as kCopyIcon) at `size` x `size` pixels. Hot is a
// brightened copy, Pressed a darker one nudged one pixel down and right, Disabled a faded grey.
QPixmap ButtonPixmap(const QString& resource, int size, ButtonLook look);

// Gives `button` the picture at `size` pixels and keeps its look in step with the button: hot
// while the mouse is over it, pressed while it is held down, grey while it is disabled.
void SetButtonIcon(QAbstractButton* button, const QString& resource, int size);

}  // namespace tollhaven
