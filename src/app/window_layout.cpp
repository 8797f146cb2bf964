#include "app/window_layout.h"

namespace tollhaven {
namespace {

// Columns of the button block, as offsets from the middle of the client area.
struct Column {
  int left;
  int right;
};
constexpr Column kColumns[] = {{1, 69}, {70, 140}, {141, 235}, {236, 306}};

void PlaceButton(Rect& button, int h, int column, int top, int bottom) {
  button = {h + kColumns[column].left, top, h + kColumns[column].right, bottom};
}

}  // namespace

WindowSize WindowSizeForClient(int clientWidth, int clientHeight) {
  return {clientWidth + kFrameWidth, clientHeight + kFrameHeight};
}

void LayoutMainWindow(LayoutRects& rects, WindowSize window) {
  const int W = window.width - 8;
  const int H = window.height - 141;
  const int h = W / 2;

  rects.rightList.right = W - 2;
  rects.rightPath.right = W - 2;
  rects.progress.right = W - 2;
  rects.eventLog.right = h - 3;

  rects.leftList.bottom = H;
  rects.rightList.bottom = H;

  const int row1Top = H + 2, row1Bottom = H + 32;
  const int row2Top = H + 32, row2Bottom = H + 62;
  PlaceButton(rects.view, h, 0, row1Top, row1Bottom);
  PlaceButton(rects.edit, h, 1, row1Top, row1Bottom);
  PlaceButton(rects.attributes, h, 2, row1Top, row1Bottom);
  PlaceButton(rects.restart, h, 3, row1Top, row1Bottom);
  PlaceButton(rects.move, h, 0, row2Top, row2Bottom);
  PlaceButton(rects.copy, h, 1, row2Top, row2Bottom);
  PlaceButton(rects.newFolder, h, 2, row2Top, row2Bottom);
  PlaceButton(rects.remove, h, 3, row2Top, row2Bottom);

  rects.eventLog.top = H + 2;
  rects.eventLog.bottom = H + 62;
  rects.progress.left = h + 1;
  rects.progress.top = H + 68;
  rects.progress.bottom = H + 85;
}

std::optional<int> FilenameWidthAfterLayout(WindowSize window) {
  const int h = (window.width - 8) / 2;
  if (h > 344) {
    return h - 204;
  }
  if (h < 343) {
    return 140;
  }
  return std::nullopt;
}

bool SplitAllowed(const LayoutRects& rects, int x) {
  return x > kDragLimit && rects.rightList.right - x > kDragLimit;
}

void MoveSplit(LayoutRects& rects, int x) {
  rects.leftList.right = x;
  rects.leftPath.right = x;
  rects.rightList.left = x + kSplitGap;
  rects.rightPath.left = x + kSplitGap;
  rects.rightSelector.left = x + kSplitGap;
  rects.rightSelector.right = x + 138;
  rects.rightReread.left = x + 139;
  rects.rightReread.right = x + 214;
}

std::optional<int> FilenameWidthAfterDrag(int listWidth) {
  if (listWidth > kDragWideList) {
    return listWidth - kDragColumnMargin;
  }
  return std::nullopt;
}

std::optional<int> RestoreClampSplit(const LayoutRects& rects, WindowSize window) {
  if (window.width - rects.leftList.width() < kRestoreClamp) {
    return window.width - kRestoreClamp;
  }
  return std::nullopt;
}

}  // namespace tollhaven
