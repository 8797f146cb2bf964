#pragma once

#include <functional>

class QWidget;

namespace tollhaven {

struct Settings;

// The boxes the main window's menu opens, run modally over `parent`.
void ShowAboutDialog(QWidget* parent);
// Edits `settings` in place; on OK hands the auto-start setting to `applyAutoStart`.
void ShowOptionsDialog(QWidget* parent, Settings& settings,
                       const std::function<void(bool)>& applyAutoStart);

}  // namespace tollhaven
