#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/desktop_launcher.h"

namespace tollhaven {

class MainWindow;

// The answers to a question about one of several selected files.
enum class ManyAnswer { Yes, No, YesToAll, NoToAll, Cancel };

// The questions the file commands of one main window ask, and how they hand files to other
// programs. Each is a member so that a test can answer in the user's place.
class FilePrompts : public QObject {
  Q_OBJECT

 public:
  // The message boxes and dialogs belong to `window`.
  explicit FilePrompts(MainWindow& window);

  // A Yes/No message box owned by the main window, its text shown as plain text; true for Yes.
  std::function<bool(const QString& text, const QString& caption)> askYesNo;
  // The same question about one of several selected files, with Yes to All, No to All and
  // Cancel beside Yes and No.
  std::function<ManyAnswer(const QString& text, const QString& caption)> askYesNoMany;
  // Before a handset file that cannot be read back is replaced (its "copying not allowed" bit,
  // or the handset refused the read): the old file would be lost should the upload fail. True
  // to replace it all the same. `name` is the handset path as shown.
  std::function<bool(const QString& name)> askReplaceUnkept;
  // Before an upload whose name a listed handset file has but for letter case: whether to
  // replace that file (`listedName`, as the panel shows it) with the local one (`newName`).
  std::function<bool(const QString& listedName, const QString& newName)> askReplaceCaseTwin;
  // The new-name dialog: OK puts the typed text into `currentName`, Cancel leaves it.
  std::function<void(std::string& currentName)> askNewName;
  // The copy-to dialog: OK puts the edited destination into `otherPath`, Cancel leaves it.
  std::function<void(const std::string& currentName, std::string& otherPath)> askCopyDestination;
  // The attributes dialog for a row's "Ownr/Attr" text: the new word on OK, nothing on Cancel.
  std::function<std::optional<uint32_t>(std::string_view attributeText, const QString& name)>
      askAttributes;
  // A message box owned by the main window with this icon, caption, text and buttons; the
  // button the user pressed. The patch run's messages come through here.
  std::function<QMessageBox::StandardButton(QMessageBox::Icon icon, const QString& caption,
                                            const QString& text,
                                            QMessageBox::StandardButtons buttons)>
      showMessage;
  DesktopLauncher launcher;
};

}  // namespace tollhaven
