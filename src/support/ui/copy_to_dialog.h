#pragma once

#include <QDialog>
#include <string>

class QLineEdit;

namespace tollhaven {

// Shows the file about to be copied and lets the user change its destination. OK copies the
// edited destination into `otherPath`, whole, as UTF-8; Cancel and the close box
// leave `otherPath` exactly as it was. exec() tells the caller which of the two it was.
class CopyToDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 1300;
  static constexpr int kCopyFileLabelId = 1301;
  static constexpr int kDestinationEditId = 1302;
  static constexpr int kOkButtonId = 1303;
  static constexpr int kCancelButtonId = 1304;
  static constexpr int kToLabelId = 1305;
  static constexpr int kFileNameLabelId = 1306;

  CopyToDialog(const std::string& currentName, std::string& otherPath, QWidget* parent = nullptr);

  void accept() override;

 private:
  std::string& otherPath_;
  QLineEdit* destinationEdit_;
};

}  // namespace tollhaven
