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
  switch (change.kind) {
    case LogChange::Kind::Added:
    case LogChange::Kind::Inserted:
      insertItem(std::min(change.index, count()), ToText(change.text));
      break;
    case LogChange::Kind::Removed:
      delete takeItem(change.index);
      break;
    case LogChange::Kind::Selected: {
      // The log already holds this selection; do not hand it back.
      const QSignalBlocker blocker(this);
      setCurrentRow(change.index);
      if (QListWidgetItem* line = currentItem()) {
        scrollToItem(line);
      }
      break;
    }
  }
}

}  // namespace tollhaven
