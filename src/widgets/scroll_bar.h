// A scroll bar that other controls embed (memos, grids): it paints into a rectangle of its
// owner and takes the owner's mouse events and timer ticks. Arrows step by SmallChange and
// repeat while held (after 400 ms, then every 50 ms), a press beside the thumb moves a page and
// repeats the same way, and the thumb can be dragged.
#pragma once

#include <functional>

#include "base/canvas.h"

namespace lpc::widgets {

class Component;
struct MouseArgs;

inline constexpr uint32_t kRepeatDelayMs = 400;
inline constexpr uint32_t kRepeatIntervalMs = 50;

enum class ArrowDir { kUp, kDown, kLeft, kRight };
// A small solid triangle centred in r (black, or embossed grey when disabled), as on scroll
// bar, drop-down and spin buttons.
void DrawArrowGlyph(Canvas& canvas, const Rect& r, ArrowDir dir, bool enabled, int size = 4);
// A raised button face (pressed: flat with a shadow frame) with an arrow; the arrow moves one
// pixel down and right while pressed.
void DrawArrowButton(Canvas& canvas, const Rect& r, ArrowDir dir, bool pressed, bool enabled,
                     int size = 4);

class ScrollBar {
 public:
  // `timer_id` is the owner's timer the bar uses for auto-repeat.
  ScrollBar(Component& owner, bool vertical, int timer_id);

  bool Vertical;
  int Min = 0;
  int Max = 100;
  // How much of the range shows at once; the thumb is that share of the track. Positions run
  // from Min to Max - PageSize + 1.
  int PageSize = 0;
  int SmallChange = 1;
  int LargeChange = 0;  // 0: PageSize (or 1)
  bool Enabled = true;
  // Called with the new position whenever the user moves it.
  std::function<void(int)> OnScroll;

  int Position() const { return position_; }
  // Clamped to the range; does not call OnScroll.
  void SetPosition(int position);
  void SetRange(int min, int max, int page_size);
  int MaxPosition() const;

  // The rectangle in the owner's coordinates.
  void SetBounds(const Rect& r) { bounds_ = r; }
  const Rect& Bounds() const { return bounds_; }
  // Standard thickness.
  static constexpr int kSize = 16;

  void Paint(Canvas& canvas) const;
  // Mouse in the owner's coordinates. MouseDown returns true when the press was on the bar (the
  // owner then sends it the moves and the release too).
  bool MouseDown(int x, int y);
  void MouseMove(int x, int y);
  void MouseUp(int x, int y);
  bool Tracking() const { return part_ != kNone; }
  // The owner's Timer(id): true when it was the bar's.
  bool HandleTimer(int id);

  // Parts, for painting and tests.
  Rect UpArrow() const;
  Rect DownArrow() const;
  Rect Thumb() const;

 private:
  enum Part { kNone, kArrowUp, kArrowDown, kPageUp, kPageDown, kThumb };
  Part PartAt(int x, int y) const;
  void Step(Part part);
  void MoveTo(int position);
  int TrackLength() const;
  int ThumbLength() const;

  Component& owner_;
  int timer_id_;
  Rect bounds_{};
  int position_ = 0;
  Part part_ = kNone;
  bool over_part_ = false;  // the pointer is still over the part that was pressed
  int drag_offset_ = 0;     // pointer position minus the thumb's start
  Point last_{};
};

}  // namespace lpc::widgets
