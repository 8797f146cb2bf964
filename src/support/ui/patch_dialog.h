#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace tollhaven {

// Dialog 1600: shows a patch file before it runs. Its list holds the patch file's path, a
// separator and the file's lines; the start button runs `start` (connect and run the lines)
// while the dialog stays open, then ends the dialog. Cancel (or Escape) ends it as cancelled; the
// close box ends it without either, which the caller reports like a failed connection.
class PatchDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 1600;
  static constexpr int kStartButtonId = 1601;
  static constexpr int kCancelButtonId = 1602;
  static constexpr int kLinesListId = 1603;
  // List line 1, between the path and the patch file's lines: 22 hyphen-minus characters.
  static constexpr const char* kSeparator = "----------------------";

  enum class Outcome { Closed, Cancelled, Started };

  // `lines`: the patch file's lines as its bytes, shown as Latin-1 text like handset names.
  PatchDialog(const QString& patchPath, const std::vector<std::string>& lines,
              std::function<void()> start, QWidget* parent = nullptr);

  Outcome outcome() const { return outcome_; }
  QListWidget* lines() const { return list_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Start();
  void Cancel();

  std::function<void()> start_;
  QListWidget* list_;
  QPushButton* startButton_;
  QPushButton* cancelButton_;
  Outcome outcome_ = Outcome::Closed;
  bool running_ = false;
};

}  // namespace tollhaven
