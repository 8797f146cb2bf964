#include "support/event_log.h"

#include "support/replace_file.h"

namespace tollhaven {

void EventLog::AppendLog(std::string_view text) {
  if (logMuted.load() != 0) {
    return;
  }
  std::lock_guard lock(mutex_);
  lines_.emplace_back(text);
  int index = static_cast<int>(lines_.size()) - 1;
  Notify(LogChange::Kind::Added, index, text);
  selection_ = index;
  Notify(LogChange::Kind::Selected, index, {});
}

void EventLog::ReplaceLogLine(std::string_view text) {
  if (logMuted.load() != 0) {
    return;
  }
  std::lock_guard lock(mutex_);
  // Delete the selected line, then insert at the index equal to the remaining count: the end.
  if (selection_ >= 0 && selection_ < static_cast<int>(lines_.size())) {
    int removed = selection_;
    lines_.erase(lines_.begin() + removed);
    Notify(LogChange::Kind::Removed, removed, {});
  }
  int index = static_cast<int>(lines_.size());
  lines_.emplace_back(text);
  Notify(LogChange::Kind::Inserted, index, text);
  selection_ = index;
  Notify(LogChange::Kind::Selected, index, {});
}

void EventLog::AddDirect(std::string_view text) {
  std::lock_guard lock(mutex_);
  lines_.emplace_back(text);
  Notify(LogChange::Kind::Added, static_cast<int>(lines_.size()) - 1, text);
}

void EventLog::SetSelection(int index) {
  std::lock_guard lock(mutex_);
  selection_ = (index >= 0 && index < static_cast<int>(lines_.size())) ? index : -1;
  Notify(LogChange::Kind::Selected, selection_, {});
}

bool EventLog::WriteLogFile(const std::filesystem::path& file) const {
  std::string contents;
  {
    std::lock_guard lock(mutex_);
    for (const std::string& line : lines_) {
      contents += line;
      contents += "\r\n";
    }
  }
  return ReplaceFile(file, contents);
}

std::vector<std::string> EventLog::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

int EventLog::Selection() const {
  std::lock_guard lock(mutex_);
  return selection_;
}

std::size_t EventLog::Count() const {
  std::lock_guard lock(mutex_);
  return lines_.size();
}

void EventLog::SetListener(Listener listener) {
  std::lock_guard lock(mutex_);
  listener_ = std::move(listener);
}

void EventLog::Notify(LogChange::Kind kind, int index, std::string_view text) {
  if (listener_) {
    listener_(LogChange{kind, index, std::string(text)});
  }
}

}  // namespace tollhaven
