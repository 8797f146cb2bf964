#include "app/accelerator_table.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <array>

#include "app/control_ids.h"

namespace tollhaven {
namespace {

struct Accelerator {
  int key;
  Qt::KeyboardModifiers modifiers;
  int command;
};

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kAltShift = Qt::AltModifier | Qt::ShiftModifier;

const std::array<Accelerator, 18> kTable = {{
    {Qt::Key_F2, kNone, ids::kAttributesButton},
    {Qt::Key_F3, kNone, ids::kViewButton},
    {Qt::Key_F4, kNone, ids::kEditButton},
    {Qt::Key_F5, kNone, ids::kCopyButton},
    {Qt::Key_F6, kNone, ids::kMoveButton},
    {Qt::Key_F7, kNone, ids::kNewFolderButton},
    {Qt::Key_F8, kNone, ids::kDeleteButton},
    {Qt::Key_Delete, kNone, ids::kDeleteButton},
    {Qt::Key_F9, kNone, ids::kRestartButton},
    {Qt::Key_F10, kNone, ids::kCloseKey},
    {Qt::Key_F1, Qt::AltModifier, ids::kLeftSelectorKey},
    {Qt::Key_F2, Qt::AltModifier, ids::kRightSelectorKey},
    // GNOME, KDE Plasma and Xfce keep Alt+F1 and Alt+F2 for themselves, so the selectors have a
    // second key that no desktop takes and that is the same on every keyboard layout.
    {Qt::Key_F1, kAltShift, ids::kLeftSelectorKey},
    {Qt::Key_F2, kAltShift, ids::kRightSelectorKey},
    {Qt::Key_R, Qt::AltModifier, ids::kRereadKey},
    {Qt::Key_Tab, kNone, ids::kTabKey},
    {Qt::Key_0, Qt::KeypadModifier, ids::kSelectKey},
    {Qt::Key_Backspace, kNone, ids::kBackKey},
}};

}  // namespace

int CommandForKey(int key, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers held =
      modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  for (const Accelerator& entry : kTable) {
    const bool wantsKeypad = entry.modifiers.testFlag(Qt::KeypadModifier);
    const Qt::KeyboardModifiers wantsHeld =
        entry.modifiers & ~Qt::KeyboardModifiers(Qt::KeypadModifier);
    if (entry.key != key || held != wantsHeld) {
      continue;
    }
    // The keypad 0 is its own key; the 0 of the main block is not in the table. Other keys match
    // from either block (the keypad's Delete is Delete).
    if (wantsKeypad && !keypad) {
      continue;
    }
    return entry.command;
  }
  return 0;
}

AcceleratorFilter::AcceleratorFilter(QWidget* window, std::function<void(int)> dispatch)
    : QObject(window), window_(window), dispatch_(std::move(dispatch)) {}

bool AcceleratorFilter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) {
    return false;
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != window_ || QApplication::activeModalWidget()) {
    return false;
  }
  auto* key = static_cast<QKeyEvent*>(event);
  const int command = CommandForKey(key->key(), key->modifiers());
  if (command == 0) {
    return false;
  }
  if (type == QEvent::ShortcutOverride) {
    // Claim the key so no shortcut or control takes it first; the key press follows.
    event->accept();
    return true;
  }
  dispatch_(command);
  return true;
}

}  // namespace tollhaven
