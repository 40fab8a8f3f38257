#include "configwindow/grid_scroll_bar.h"

#include <algorithm>

#include "widgets/draw.h"

namespace lpc {

namespace {

constexpr int kMinThumb = 8;

// The small black triangle of an arrow button, pointing along the bar's direction.
void DrawArrow(Canvas& canvas, const Rect& r, bool vertical, bool towards_end) {
  const int cx = (r.left + r.right) / 2;
  const int cy = (r.top + r.bottom) / 2;
  for (int i = 0; i < 4; ++i) {
    const int half = towards_end ? 3 - i : i;
    if (vertical) {
      canvas.FillRect(Rect{cx - half, cy - 2 + i, cx + half + 1, cy - 1 + i}, 0x000000);
    } else {
      canvas.FillRect(Rect{cx - 2 + i, cy - half, cx - 1 + i, cy + half + 1}, 0x000000);
    }
  }
}

}  // namespace

void GridScrollBar::SetPosition(int p) { position_ = std::clamp(p, 0, std::max(0, Max)); }

bool GridScrollBar::Contains(int x, int y) const {
  return visible && x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

int GridScrollBar::ArrowLength() const {
  const int length = vertical_ ? rect.Height() : rect.Width();
  return std::min(kScrollBarSize, length / 2);
}

int GridScrollBar::TrackLength() const {
  return (vertical_ ? rect.Height() : rect.Width()) - 2 * ArrowLength();
}

Rect GridScrollBar::ThumbRect() const {
  const int track = TrackLength();
  if (Max <= 0 || track < kMinThumb) return Rect{};
  const int range = Max + Page;
  const int length = std::clamp(track * Page / std::max(1, range), kMinThumb, track);
  const int offset = ArrowLength() + (track - length) * position_ / Max;
  return vertical_ ? Rect{rect.left, rect.top + offset, rect.right, rect.top + offset + length}
                   : Rect{rect.left + offset, rect.top, rect.left + offset + length, rect.bottom};
}

void GridScrollBar::Paint(Canvas& canvas) const {
  if (!visible) return;
  using widgets::ToRGB;
  // The track: the classic one-by-one dither of highlight and face.
  const Color light = ToRGB(widgets::clBtnHighlight);
  const Color face = ToRGB(widgets::clBtnFace);
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) canvas.SetPixel(x, y, ((x + y) & 1) ? face : light);
  }
  const int a = ArrowLength();
  const Rect first = vertical_ ? Rect{rect.left, rect.top, rect.right, rect.top + a}
                               : Rect{rect.left, rect.top, rect.left + a, rect.bottom};
  const Rect second = vertical_ ? Rect{rect.left, rect.bottom - a, rect.right, rect.bottom}
                                : Rect{rect.right - a, rect.top, rect.right, rect.bottom};
  widgets::DrawButtonFace(canvas, first, pressed_part_ == 1, false);
  widgets::DrawButtonFace(canvas, second, pressed_part_ == 2, false);
  const int shift = pressed_part_ ? 1 : 0;
  DrawArrow(canvas, pressed_part_ == 1 ? Rect{first.left + shift, first.top + shift, first.right + shift, first.bottom + shift} : first, vertical_, false);
  DrawArrow(canvas, pressed_part_ == 2 ? Rect{second.left + shift, second.top + shift, second.right + shift, second.bottom + shift} : second, vertical_, true);
  const Rect thumb = ThumbRect();
  if (!thumb.IsEmpty()) widgets::DrawButtonFace(canvas, thumb, false, false);
}

void GridScrollBar::ScrollTo(int p) {
  p = std::clamp(p, 0, std::max(0, Max));
  if (p == position_) return;
  position_ = p;
  if (OnScroll) OnScroll(p);
}

void GridScrollBar::MouseDown(int x, int y) {
  const int along = vertical_ ? y - rect.top : x - rect.left;
  const int length = vertical_ ? rect.Height() : rect.Width();
  const int a = ArrowLength();
  if (along < a) {
    pressed_part_ = 1;
    ScrollTo(position_ - 1);
    return;
  }
  if (along >= length - a) {
    pressed_part_ = 2;
    ScrollTo(position_ + 1);
    return;
  }
  const Rect thumb = ThumbRect();
  if (thumb.IsEmpty()) return;
  const int thumb_start = vertical_ ? thumb.top - rect.top : thumb.left - rect.left;
  const int thumb_end = vertical_ ? thumb.bottom - rect.top : thumb.right - rect.left;
  if (along < thumb_start) {
    ScrollTo(position_ - std::max(1, Page));
  } else if (along >= thumb_end) {
    ScrollTo(position_ + std::max(1, Page));
  } else {
    dragging_ = true;
    drag_offset_ = along - thumb_start;
  }
}

void GridScrollBar::MouseMove(int x, int y) {
  if (!dragging_) return;
  const Rect thumb = ThumbRect();
  const int thumb_length = vertical_ ? thumb.Height() : thumb.Width();
  const int free = TrackLength() - thumb_length;
  if (free <= 0) return;
  const int along = (vertical_ ? y - rect.top : x - rect.left) - drag_offset_ - ArrowLength();
  // Round to the nearest position, so the thumb follows the pointer.
  ScrollTo((std::clamp(along, 0, free) * Max + free / 2) / free);
}

void GridScrollBar::MouseUp() {
  dragging_ = false;
  pressed_part_ = 0;
}

}  // namespace lpc
