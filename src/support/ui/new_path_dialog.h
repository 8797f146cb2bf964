#pragma once

#include <QDialog>
#include <string>

class QLineEdit;

namespace tollhaven {

// Asks for the name of a new directory. OK copies the entered text into `currentName` (at most
// kDialogTextLimit bytes); Cancel and the close box leave it as it was.
class NewPathDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 1100;
  static constexpr int kOkButtonId = 1101;
  static constexpr int kPathLabelId = 1102;
  static constexpr int kNameEditId = 1103;
  static constexpr int kCancelButtonId = 1104;

  explicit NewPathDialog(std::string& currentName, QWidget* parent = nullptr);

  void accept() override;

 private:
  std::string& currentName_;
  QLineEdit* nameEdit_;
};

}  // namespace tollhaven
