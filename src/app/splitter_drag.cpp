#include "app/splitter_drag.h"

namespace tollhaven {

SplitterDrag::Step SplitterDrag::Move(LayoutRects& rects, int x, bool onlyLeftButton) {
  if (!active_) {
    return Step::Ignored;
  }
  if (!onlyLeftButton) {
    active_ = false;
    return Step::Released;
  }
  if (!SplitAllowed(rects, x)) {
    active_ = false;
    return Step::Refused;
  }
  MoveSplit(rects, x);
  return Step::Moved;
}

bool SplitterDrag::End() {
  const bool wasActive = active_;
  active_ = false;
  return wasActive;
}

}  // namespace tollhaven
