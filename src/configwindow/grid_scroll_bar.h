// A classic scroll bar drawn inside the grid that owns it: arrow buttons, a dithered track and
// a raised thumb. The owner gives it its rectangle, routes the mouse to it and hears about new
// positions through OnScroll. Positions run from 0 to Max; Page is how many fit at once.
#pragma once

#include <functional>

#include "base/canvas.h"

namespace lpc {

inline constexpr int kScrollBarSize = 16;

class GridScrollBar {
 public:
  explicit GridScrollBar(bool vertical) : vertical_(vertical) {}

  bool vertical() const { return vertical_; }
  bool visible = false;
  Rect rect{};  // in the owner's coordinates
  int Max = 0;
  int Page = 1;
  int Position() const { return position_; }
  // Clamped to 0..Max; does not call OnScroll.
  void SetPosition(int p);
  std::function<void(int)> OnScroll;

  void Paint(Canvas& canvas) const;
  bool Contains(int x, int y) const;
  // A press on the bar: arrows step by one, the track by a page, the thumb starts a drag.
  void MouseDown(int x, int y);
  void MouseMove(int x, int y);
  void MouseUp();
  // The thumb's rectangle (empty when there is no room for one).
  Rect ThumbRect() const;

 private:
  int ArrowLength() const;
  int TrackLength() const;
  void ScrollTo(int p);

  bool vertical_;
  int position_ = 0;
  bool dragging_ = false;
  int drag_offset_ = 0;
  int pressed_part_ = 0;  // 1 first arrow, 2 second arrow
};

}  // namespace lpc
