#include "app/command_dispatch.h"

#include "app/control_ids.h"

namespace tollhaven {

int ButtonForMenuCommand(int command) {
  switch (command) {
    case ids::kMenuView:
      return ids::kViewButton;
    case ids::kMenuEdit:
      return ids::kEditButton;
    case ids::kMenuAttributes:
      return ids::kAttributesButton;
    case ids::kMenuCopy:
      return ids::kCopyButton;
    case ids::kMenuMove:
      return ids::kMoveButton;
    case ids::kMenuNewFolder:
      return ids::kNewFolderButton;
    case ids::kMenuDelete:
      return ids::kDeleteButton;
    default:
      // The menu's restart is not the button: it leaves the cached handset list as it is.
      return command;
  }
}

}  // namespace tollhaven
