#pragma once

#include <QString>
#include <string>

#include "handset/handset_files.h"
#include "panels/panel_row.h"

namespace tollhaven {

class PanelHost;

// The selected rows of one panel, top to bottom, as every file command walks them. The ".." row
// is passed over even when selected: it is a way up, not an entry to act on.
class SelectionWalk {
 public:
  SelectionWalk(PanelHost& host, int side);

  // The next selected row after `start` (-1 searches from the top), which becomes the current
  // row and the side's remembered row; -1 when there is none.
  int Next(int start);
  // Next(-1), then Next after the current row.
  int First() { return Next(-1); }
  // How many rows the walk visits.
  int Count() const;
  int Next() { return Next(currentRow); }

  int side() const { return side_; }
  int other() const { return 1 - side_; }
  bool handset() const;
  bool otherHandset() const;

  int currentRow = -1;
  // The current row's texts as the panel holds them (a handset name in its own bytes).
  PanelRow row;
  bool itemIsDirectory() const { return row.IsDirectory(); }
  // The current row's name as the user sees it.
  QString shownName() const;
  // The side's directory: the local path field, or the handset directory ("/a/audio/").
  QString localDirectory() const;
  QString otherLocalDirectory() const;
  std::string handsetDirectory() const;
  std::string otherHandsetDirectory() const;
  // The current row's handset path: the handset directory followed by its name.
  std::string handsetPath() const;
  // The current row of a handset panel as the transfers take it: its name's bytes, and the
  // size and attribute word its columns show.
  HandsetItem handsetItem() const;

 private:
  PanelHost& host_;
  int side_;
};

}  // namespace tollhaven
