#pragma once

#include <QString>

namespace tollhaven {

class FilePrompts;

// The question a command asks before it acts on a row of the selection: Yes or No for a single
// row; for more rows also Yes to All (no more questions: yes to every row), No to All (no more
// questions: no to every row) and Cancel (the command stops).
class SelectionQuestions {
 public:
  SelectionQuestions(FilePrompts& prompts, int rows) : prompts_(prompts), many_(rows > 1) {}

  // True to act on this row.
  bool Ask(const QString& text, const QString& caption);
  // True once the rest of the command is not to run.
  bool stopped() const { return stopped_; }

 private:
  FilePrompts& prompts_;
  bool many_;
  bool all_ = false;
  bool none_ = false;
  bool stopped_ = false;
};

}  // namespace tollhaven
