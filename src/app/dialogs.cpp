#include "app/dialogs.h"

#include "support/settings.h"
#include "support/ui/about_dialog.h"
#include "support/ui/options_dialog.h"

namespace tollhaven {

void ShowAboutDialog(QWidget* parent) {
  AboutDialog about(parent);
  about.exec();
}

void ShowOptionsDialog(QWidget* parent, Settings& settings,
                       const std::function<void(bool)>& applyAutoStart) {
  OptionsDialog options(settings, applyAutoStart, parent);
  options.exec();
}

}  // namespace tollhaven
