#include "app/selection_questions.h"

#include "app/file_prompts.h"

namespace tollhaven {

bool SelectionQuestions::Ask(const QString& text, const QString& caption) {
  if (all_ || none_) {
    return all_;
  }
  if (!many_) {
    return prompts_.askYesNo(text, caption);
  }
  switch (prompts_.askYesNoMany(text, caption)) {
    case ManyAnswer::Yes:
      return true;
    case ManyAnswer::YesToAll:
      all_ = true;
      return true;
    case ManyAnswer::No:
      return false;
    case ManyAnswer::NoToAll:
      none_ = true;
      return false;
    case ManyAnswer::Cancel:
      stopped_ = true;
      return false;
  }
  return false;
}

}  // namespace tollhaven
