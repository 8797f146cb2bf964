#pragma once

#include "app/window_layout.h"

namespace tollhaven {

// A drag of the split between the two lists, from the press on the gap to the release. Any
// other button or a modifier key ends it; so does a move to a place too near either edge, which
// leaves the split where it was.
class SplitterDrag {
 public:
  enum class Step {
    Ignored,   // no drag is going on
    Moved,     // the split followed the mouse
    Released,  // the drag ended without a move
    Refused,   // the drag ended at a limit: the split stays, the right panel is refreshed
  };

  void Begin() { active_ = true; }
  // x in client pixels; onlyLeftButton: the left button is held and nothing else, no modifier.
  Step Move(LayoutRects& rects, int x, bool onlyLeftButton);
  // The button came up. True when a drag was still going on: the right panel is refreshed.
  bool End();
  bool active() const { return active_; }

 private:
  bool active_ = false;
};

}  // namespace tollhaven
