#include "app/file_prompts.h"

#include <QMessageBox>

#include "app/main_window.h"
#include "handset/ui/attributes_dialog.h"
#include "support/ui/copy_to_dialog.h"
#include "support/ui/new_path_dialog.h"

namespace tollhaven {

FilePrompts::FilePrompts(MainWindow& window) : QObject(&window), launcher(PlatformLauncher()) {
  setObjectName(QStringLiteral("filePrompts"));
  askYesNo = [&window](const QString& text, const QString& caption) {
    // The questions name files: a name is shown as it is, never read as markup.
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    &window);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
  };
  askYesNoMany = [&window](const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, text,
                    QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No |
                        QMessageBox::NoToAll | QMessageBox::Cancel,
                    &window);
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
      case QMessageBox::Yes:
        return ManyAnswer::Yes;
      case QMessageBox::YesToAll:
        return ManyAnswer::YesToAll;
      case QMessageBox::No:
        return ManyAnswer::No;
      case QMessageBox::NoToAll:
        return ManyAnswer::NoToAll;
      default:
        return ManyAnswer::Cancel;
    }
  };
  askReplaceUnkept = [this](const QString& name) {
    return askYesNo(QStringLiteral("The handset does not give this file back, so it is lost if "
                                   "the upload fails. Replace it?  -  ") +
                        name,
                    QStringLiteral("Tollhaven warning message:"));
  };
  askReplaceCaseTwin = [this](const QString& listedName, const QString& newName) {
    const QString text =
        QStringLiteral(
            "The handset holds %1, whose name differs from %2 only in letter case; "
            "the handset may take them for one file.\nReplace %1 with %2?")
            .arg(listedName, newName);
    return askYesNo(text, QStringLiteral("Tollhaven warning message:"));
  };
  showMessage = [&window](QMessageBox::Icon icon, const QString& caption, const QString& text,
                          QMessageBox::StandardButtons buttons) {
    // The texts break their lines with LF CR; a line break is what they mean.
    QString shown = text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    QMessageBox box(icon, caption, shown, buttons, &window);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
  };
  askNewName = [&window](std::string& currentName) {
    NewPathDialog dialog(currentName, &window);
    dialog.exec();
  };
  askCopyDestination = [&window](const std::string& currentName, std::string& otherPath) {
    CopyToDialog dialog(currentName, otherPath, &window);
    dialog.exec();
  };
  askAttributes = [&window](std::string_view attributeText,
                            const QString& name) -> std::optional<uint32_t> {
    AttributesDialog dialog(attributeText, name, window.listFont(), &window);
    if (dialog.exec() != QDialog::Accepted) {
      return std::nullopt;
    }
    return dialog.attributeValue();
  };
}

}  // namespace tollhaven
