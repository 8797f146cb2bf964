#pragma once

#include <optional>

namespace tollhaven {

// A control's rectangle in client pixels; right and bottom are one past the last pixel.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// The controls the layout and the splitter move. The status bar is not among them: the window
// keeps it along its bottom edge at full width by itself.
struct LayoutRects {
  Rect leftList, rightList;
  Rect leftPath, rightPath;
  Rect rightSelector, rightReread;
  Rect view, edit, attributes, restart;  // first row of the button block
  Rect move, copy, newFolder, remove;    // second row
  Rect progress, eventLog;

  bool operator==(const LayoutRects&) const = default;
};

// The pixel rules count a window with its frame: the window is 8 pixels wider than the client
// area, and 141 pixels taller than the lists' bottom edge when the client area ends 88 pixels
// below the lists.
inline constexpr int kFrameWidth = 8;
inline constexpr int kFrameHeight = 141 - 88;

// The split: the left list's right edge, and the gap to the right list.
inline constexpr int kSplitGap = 4;
// A drag must leave more than this many pixels left of the split and right of it.
inline constexpr int kDragLimit = 210;
// A restored window keeps at least this much right of the left list.
inline constexpr int kRestoreClamp = 225;
// "Filename" column after a drag: the list width less this, for lists wider than kDragWideList.
inline constexpr int kDragColumnMargin = 188;
inline constexpr int kDragWideList = 328;

// A window size in the terms the rules use (frame included).
struct WindowSize {
  int width = 0;
  int height = 0;
};

WindowSize WindowSizeForClient(int clientWidth, int clientHeight);

// Places the controls for a window of this size. Only the right panel grows: the left list's
// width and everything above the lists keep their place.
void LayoutMainWindow(LayoutRects& rects, WindowSize window);

// Width of both lists' "Filename" column after a layout; none when it stays as it is.
std::optional<int> FilenameWidthAfterLayout(WindowSize window);

// The split x would leave enough room on both sides for a drag to go there.
bool SplitAllowed(const LayoutRects& rects, int x);

// Moves the split to x: the left list and path field end there, the right list, path field,
// drive selector and re-read button start after the gap.
void MoveSplit(LayoutRects& rects, int x);

// Width of a list's "Filename" column during a drag; none while the list is narrow.
std::optional<int> FilenameWidthAfterDrag(int listWidth);

// When a restored window leaves too little room right of the left list, the split it must move
// to; none otherwise.
std::optional<int> RestoreClampSplit(const LayoutRects& rects, WindowSize window);

}  // namespace tollhaven
