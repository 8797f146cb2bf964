#include "app/event_log_view.h"

#include <QSignalBlocker>

namespace tollhaven {
namespace {

QString ToText(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

EventLogView::EventLogView(EventLog& log, QWidget* parent) : QListWidget(parent), log_(log) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  // The listener runs under the log's lock, on whatever thread wrote the line: it only posts.
  log_.SetListener([this](const LogChange& change) {
    QMetaObject::invokeMethod(
        this, [this, change] { Apply(change); }, Qt::QueuedConnection);
  });
  for (const std::string& line : log_.Lines()) {
    addItem(ToText(line));
  }
  Apply(LogChange{LogChange::Kind::Selected, log_.Selection(), {}});
  connect(this, &QListWidget::currentRowChanged, this, [this](int row) { log_.SetSelection(row); });
}

EventLogView::~EventLogView() {
  log_.SetListener(nullptr);
}

void EventLogView::Apply(const LogChange& change) {
  // The log already holds this change. Taking out the current line moves the list's own current
  // row, and that must not travel back to the log as a pick by the user.
  const QSignalBlocker blocker(this);
  switch (change.kind) {
    case LogChange::Kind::Added:
    case LogChange::Kind::Inserted:
      insertItem(std::min(change.index, count()), ToText(change.text));
      break;
    case LogChange::Kind::Removed:
      delete takeItem(change.index);
      break;
    case LogChange::Kind::Selected:
      setCurrentRow(change.index);
      if (QListWidgetItem* line = currentItem()) {
        scrollToItem(line);
      }
      break;
  }
}

}  // namespace tollhaven
