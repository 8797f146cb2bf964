#include "app/tool_tips.h"

#include <QVariant>
#include <QWidget>

#include "app/control_ids.h"
#include "support/ui/control_ids.h"

namespace tollhaven {

QString ToolTipFor(int controlId) {
  switch (controlId) {
    case ids::kEventLog:
      return QStringLiteral("Log window, informations on events.");
    case ids::kMoveButton:
      return QStringLiteral("F6: Copy and delete the source");
    case ids::kLeftDriveSelector:
      return QStringLiteral("Alt-F1: Select drive letter for the left panel.");
    case ids::kRightDriveSelector:
      return QStringLiteral("Alt-F2: Select drive letter for the right panel.");
    case ids::kViewButton:
      return QStringLiteral("F3: View the actual file with Lister or Notepad.");
    case ids::kAttributesButton:
      return QStringLiteral("F2: Change attributes of actual file");
    case ids::kNewFolderButton:
      return QStringLiteral("F7: Make new directory, even if on P2K drive!!!");
    case ids::kRestartButton:
      return QStringLiteral("F9: Restart phone.");
    case ids::kDeleteButton:
      return QStringLiteral("F8/del: Deletes the actual file, or P2K directory with files in it!!");
    case ids::kLeftRereadButton:
      return QStringLiteral("Alt-R: Re-read the files from actual drive to the left panel.");
    case ids::kRightRereadButton:
      return QStringLiteral("Alt-R: Re-read the files from actual drive to the right panel.");
    case ids::kProgressBar:
      return QStringLiteral("Completion bar for getting filelist.");
    case ids::kRightPathField:
    case ids::kLeftPathField:
      return QStringLiteral("Shows the actual path.");
    case ids::kEditButton:
      return QStringLiteral("F4: Edit the actual file with Notepad.");
    case ids::kCopyButton:
      return QStringLiteral("F5: Copy the actual file to the directory on opposite panel.");
    default:
      return {};
  }
}

void SetupToolTips(QWidget* window) {
  window->setAttribute(Qt::WA_AlwaysShowToolTips);
  for (QWidget* control : window->findChildren<QWidget*>()) {
    const QVariant id = control->property(kControlIdProperty);
    if (!id.isValid()) {
      continue;
    }
    const QString text = ToolTipFor(id.toInt());
    if (!text.isEmpty()) {
      control->setToolTip(text);
    }
  }
}

}  // namespace tollhaven
