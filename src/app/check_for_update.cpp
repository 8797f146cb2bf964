// The update check as the main window's start-up task.
#include "app/main_window.h"
#include "app/pending_commands.h"
#include "support/ui/update_check.h"

namespace tollhaven {

void CheckForUpdate(MainWindow& window) {
  UpdateCheck::Of(window).Run(window.eventLog());
}

}  // namespace tollhaven
