#include "widgets/scroll_bar.h"

#include <algorithm>

#include "widgets/component.h"
#include "widgets/draw.h"
#include "widgets/geometry.h"

namespace lpc::widgets {

void DrawArrowGlyph(Canvas& canvas, const Rect& r, ArrowDir dir, bool enabled, int size) {
  // `size` rows of a triangle whose widest row is 2*size-1 pixels.
  const bool vertical = dir == ArrowDir::kUp || dir == ArrowDir::kDown;
  const int w = vertical ? 2 * size - 1 : size;
  const int h = vertical ? size : 2 * size - 1;
  const int x0 = r.left + (r.Width() - w) / 2;
  const int y0 = r.top + (r.Height() - h) / 2;
  auto draw = [&](int dx, int dy, Color c) {
    for (int i = 0; i < size; ++i) {
      // Row i counted from the tip.
      const int half = i;
      switch (dir) {
        case ArrowDir::kUp:
          canvas.FillRect(Rect{x0 + size - 1 - half + dx, y0 + i + dy, x0 + size + half + dx,
                               y0 + i + 1 + dy}, c);
          break;
        case ArrowDir::kDown:
          canvas.FillRect(Rect{x0 + size - 1 - half + dx, y0 + size - 1 - i + dy,
                               x0 + size + half + dx, y0 + size - i + dy}, c);
          break;
        case ArrowDir::kLeft:
          canvas.FillRect(Rect{x0 + i + dx, y0 + size - 1 - half + dy, x0 + i + 1 + dx,
                               y0 + size + half + dy}, c);
          break;
        case ArrowDir::kRight:
          canvas.FillRect(Rect{x0 + size - 1 - i + dx, y0 + size - 1 - half + dy,
                               x0 + size - i + dx, y0 + size + half + dy}, c);
          break;
      }
    }
  };
  if (enabled) {
    draw(0, 0, ToRGB(clBtnText));
  } else {
    draw(1, 1, ToRGB(clBtnHighlight));
    draw(0, 0, ToRGB(clBtnShadow));
  }
}

void DrawArrowButton(Canvas& canvas, const Rect& r, ArrowDir dir, bool pressed, bool enabled,
                     int size) {
  canvas.FillRect(r, ToRGB(clBtnFace));
  Rect inner = r;
  if (pressed) {
    Frame3D(canvas, r, ToRGB(clBtnShadow), ToRGB(clBtnShadow));
    inner = OffsetRect(r, 1, 1);
  } else {
    DrawEdge(canvas, r, EdgeKind::kRaised);
  }
  DrawArrowGlyph(canvas, inner, dir, enabled, size);
}

namespace {
constexpr int kMinThumb = 8;
}  // namespace

ScrollBar::ScrollBar(Component& owner, bool vertical, int timer_id)
    : Vertical(vertical), owner_(owner), timer_id_(timer_id) {}

int ScrollBar::MaxPosition() const { return std::max(Min, Max - std::max(PageSize - 1, 0)); }

void ScrollBar::SetPosition(int position) { position_ = std::clamp(position, Min, MaxPosition()); }

void ScrollBar::SetRange(int min, int max, int page_size) {
  Min = min;
  Max = std::max(min, max);
  PageSize = std::max(0, page_size);
  SetPosition(position_);
}

int ScrollBar::TrackLength() const {
  const int len = Vertical ? bounds_.Height() : bounds_.Width();
  return std::max(0, len - 2 * kSize);
}

int ScrollBar::ThumbLength() const {
  const int track = TrackLength();
  const int64_t range = static_cast<int64_t>(Max) - Min + 1;
  if (range <= 0 || PageSize <= 0) return std::min(kSize, track);
  const int64_t len = track * std::min<int64_t>(PageSize, range) / range;
  return static_cast<int>(std::clamp<int64_t>(len, std::min(kMinThumb, track), track));
}

Rect ScrollBar::UpArrow() const {
  // Arrows shrink when the bar is shorter than two of them.
  const int len = Vertical ? bounds_.Height() : bounds_.Width();
  const int a = std::min(kSize, len / 2);
  return Vertical ? Rect{bounds_.left, bounds_.top, bounds_.right, bounds_.top + a}
                  : Rect{bounds_.left, bounds_.top, bounds_.left + a, bounds_.bottom};
}

Rect ScrollBar::DownArrow() const {
  const int len = Vertical ? bounds_.Height() : bounds_.Width();
  const int a = std::min(kSize, len / 2);
  return Vertical ? Rect{bounds_.left, bounds_.bottom - a, bounds_.right, bounds_.bottom}
                  : Rect{bounds_.right - a, bounds_.top, bounds_.right, bounds_.bottom};
}

Rect ScrollBar::Thumb() const {
  const int span = MaxPosition() - Min;
  if (!Enabled || span <= 0 || TrackLength() < kMinThumb) return Rect{};
  const int track = TrackLength();
  const int thumb = ThumbLength();
  const int offset =
      static_cast<int>(static_cast<int64_t>(track - thumb) * (position_ - Min) / span);
  const int start = (Vertical ? bounds_.top : bounds_.left) + kSize + offset;
  return Vertical ? Rect{bounds_.left, start, bounds_.right, start + thumb}
                  : Rect{start, bounds_.top, start + thumb, bounds_.bottom};
}

void ScrollBar::Paint(Canvas& canvas) const {
  if (bounds_.IsEmpty()) return;
  const bool active = Enabled && MaxPosition() > Min;
  // The track: a checkerboard of the face and highlight colours; the pressed page darkens.
  const Color face = ToRGB(clBtnFace);
  const Color light = ToRGB(clBtnHighlight);
  for (int y = bounds_.top; y < bounds_.bottom; ++y) {
    for (int x = bounds_.left; x < bounds_.right; ++x) {
      canvas.SetPixel(x, y, (x + y) % 2 ? face : light);
    }
  }
  const Rect thumb = Thumb();
  if (over_part_ && (part_ == kPageUp || part_ == kPageDown) && !thumb.IsEmpty()) {
    Rect page = part_ == kPageUp ? (Vertical ? Rect{bounds_.left, UpArrow().bottom, bounds_.right, thumb.top}
                                             : Rect{UpArrow().right, bounds_.top, thumb.left, bounds_.bottom})
                                 : (Vertical ? Rect{bounds_.left, thumb.bottom, bounds_.right, DownArrow().top}
                                             : Rect{thumb.right, bounds_.top, DownArrow().left, bounds_.bottom});
    canvas.FillRect(page, 0x000000);
  }
  const ArrowDir up = Vertical ? ArrowDir::kUp : ArrowDir::kLeft;
  const ArrowDir down = Vertical ? ArrowDir::kDown : ArrowDir::kRight;
  DrawArrowButton(canvas, UpArrow(), up, part_ == kArrowUp && over_part_, active);
  DrawArrowButton(canvas, DownArrow(), down, part_ == kArrowDown && over_part_, active);
  if (!thumb.IsEmpty()) {
    canvas.FillRect(thumb, face);
    DrawEdge(canvas, thumb, EdgeKind::kRaised);
  }
}

ScrollBar::Part ScrollBar::PartAt(int x, int y) const {
  if (!PtInRect(bounds_, x, y)) return kNone;
  if (PtInRect(UpArrow(), x, y)) return kArrowUp;
  if (PtInRect(DownArrow(), x, y)) return kArrowDown;
  const Rect thumb = Thumb();
  if (thumb.IsEmpty()) return kNone;
  if (PtInRect(thumb, x, y)) return kThumb;
  const int at = Vertical ? y : x;
  return at < (Vertical ? thumb.top : thumb.left) ? kPageUp : kPageDown;
}

void ScrollBar::MoveTo(int position) {
  const int old = position_;
  SetPosition(position);
  if (position_ != old && OnScroll) OnScroll(position_);
  owner_.Invalidate();
}

void ScrollBar::Step(Part part) {
  const int page = LargeChange > 0 ? LargeChange : std::max(1, PageSize);
  switch (part) {
    case kArrowUp: MoveTo(position_ - SmallChange); break;
    case kArrowDown: MoveTo(position_ + SmallChange); break;
    case kPageUp: {
      // Page steps stop when the thumb reaches the pointer.
      const Rect thumb = Thumb();
      if (thumb.IsEmpty() || (Vertical ? last_.y < thumb.top : last_.x < thumb.left)) {
        MoveTo(position_ - page);
      }
      break;
    }
    case kPageDown: {
      const Rect thumb = Thumb();
      if (thumb.IsEmpty() || (Vertical ? last_.y >= thumb.bottom : last_.x >= thumb.right)) {
        MoveTo(position_ + page);
      }
      break;
    }
    default: break;
  }
}

bool ScrollBar::MouseDown(int x, int y) {
  if (!Enabled || !PtInRect(bounds_, x, y)) return false;
  part_ = PartAt(x, y);
  over_part_ = true;
  last_ = Point{x, y};
  if (part_ == kNone) return true;
  if (part_ == kThumb) {
    const Rect thumb = Thumb();
    drag_offset_ = Vertical ? y - thumb.top : x - thumb.left;
  } else {
    Step(part_);
    owner_.StartTimer(timer_id_, kRepeatDelayMs);
  }
  owner_.Invalidate();
  return true;
}

void ScrollBar::MouseMove(int x, int y) {
  if (part_ == kNone) return;
  last_ = Point{x, y};
  if (part_ == kThumb) {
    const int track = TrackLength() - ThumbLength();
    const int span = MaxPosition() - Min;
    if (track <= 0 || span <= 0) return;
    const int start = (Vertical ? y : x) - drag_offset_ - (Vertical ? bounds_.top : bounds_.left) - kSize;
    // The nearest position to where the thumb is dragged.
    const int64_t pos = Min + (static_cast<int64_t>(std::clamp(start, 0, track)) * span + track / 2) / track;
    MoveTo(static_cast<int>(pos));
    return;
  }
  const bool over = part_ == kPageUp || part_ == kPageDown ? PtInRect(bounds_, x, y)
                                                           : PartAt(x, y) == part_;
  if (over != over_part_) {
    over_part_ = over;
    owner_.Invalidate();
  }
}

void ScrollBar::MouseUp(int, int) {
  if (part_ == kNone) return;
  part_ = kNone;
  over_part_ = false;
  owner_.StopTimer(timer_id_);
  owner_.Invalidate();
}

bool ScrollBar::HandleTimer(int id) {
  if (id != timer_id_) return false;
  if (part_ == kNone || part_ == kThumb) {
    owner_.StopTimer(timer_id_);
    return true;
  }
  // After the first delay, repeat at the faster rate.
  owner_.StartTimer(timer_id_, kRepeatIntervalMs);
  if (over_part_) Step(part_);
  return true;
}

}  // namespace lpc::widgets
