#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tollhaven {

// One change to the log list, in the order it happened, for a view that mirrors the list.
struct LogChange {
  enum class Kind { Added, Removed, Inserted, Selected };
  Kind kind;
  int index;         // line index the change applies to (-1 for a cleared selection)
  std::string text;  // the line's text for Added and Inserted
};

// The program's running record: a list of one-line texts with a selected line. Lines carry no
// level, time or prefix. Any thread may call it; a call returns with the change in the list.
class EventLog {
 public:
  using Listener = std::function<void(const LogChange&)>;

  // While set, AppendLog and ReplaceLogLine do nothing. A plain flag, not a counter.
  std::atomic<int> logMuted{0};

  // Adds a line at the end and selects it, unless muted.
  void AppendLog(std::string_view text);
  // Deletes the selected line and puts the text at the end, selected, unless muted.
  void ReplaceLogLine(std::string_view text);
  // Adds a line at the end even while muted, without moving the selection.
  void AddDirect(std::string_view text);

  // The user picked a line (or -1 for none).
  void SetSelection(int index);

  // Writes every line followed by CR LF to `file`, replacing it. The new file is written beside
  // the old one and renamed over it, so a failed write leaves the previous file in place.
  // Returns false when the file could not be written.
  bool WriteLogFile(const std::filesystem::path& file) const;

  std::vector<std::string> Lines() const;
  int Selection() const;
  std::size_t Count() const;

  // Called (under the log's lock, on the calling thread) for every change. One listener.
  void SetListener(Listener listener);

 private:
  void Notify(LogChange::Kind kind, int index, std::string_view text);

  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  int selection_ = -1;
  Listener listener_;
};

}  // namespace tollhaven
