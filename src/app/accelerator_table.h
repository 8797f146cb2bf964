#pragma once

#include <QObject>
#include <Qt>
#include <functional>

class QWidget;

namespace tollhaven {

// The main window's key table: the command id a key with these modifiers stands for, or 0. A key
// matches only with exactly its own modifiers (F5 with Shift is not F5), as a classic
// accelerator table does; the keypad flag matters only for the keypad 0.
int CommandForKey(int key, Qt::KeyboardModifiers modifiers);

// Takes the table's keys before any control of `window` sees them, the path fields included,
// and hands their command ids to `dispatch`. While a modal dialog is open nothing is taken.
// Installed on the application so it runs ahead of the focused widget's own handling.
class AcceleratorFilter : public QObject {
  Q_OBJECT

 public:
  AcceleratorFilter(QWidget* window, std::function<void(int)> dispatch);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  std::function<void(int)> dispatch_;
};

}  // namespace tollhaven
