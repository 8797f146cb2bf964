#pragma once

#include <QString>
#include <QWidget>

namespace tollhaven {

// Every control keeps the number it has always had in the program, so that callers and tests
// can find it by that number as well as by its object name.
inline constexpr const char* kControlIdProperty = "controlId";

void SetControlId(QWidget* control, int id, const QString& objectName);
// The first descendant of `root` with that number, or nullptr.
QWidget* FindControl(const QWidget* root, int id);

template <typename T>
T* FindControl(const QWidget* root, int id) {
  return qobject_cast<T*>(FindControl(root, id));
}

}  // namespace tollhaven
