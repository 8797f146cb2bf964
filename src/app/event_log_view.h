#pragma once

#include <QListWidget>

#include "support/event_log.h"

namespace tollhaven {

// The event log's list box: mirrors the log's lines and selection. Changes may come from any
// thread; each is carried out on the widget's thread, in the order the log made them. A line the
// user picks becomes the log's selection.
class EventLogView : public QListWidget {
  Q_OBJECT

 public:
  EventLogView(EventLog& log, QWidget* parent = nullptr);
  ~EventLogView() override;

 private:
  void Apply(const LogChange& change);

  EventLog& log_;
};

}  // namespace tollhaven
