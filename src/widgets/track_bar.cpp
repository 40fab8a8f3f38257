#include "widgets/track_bar.h"

#include <algorithm>

#include "widgets/draw.h"
#include "widgets/geometry.h"
#include "widgets/stock_classes.h"

namespace lpc::widgets {

namespace {
constexpr int kThumbHalf = 5;   // the thumb is 11 pixels wide
constexpr int kChannelInset = 8;
constexpr int kThumbTop = 2;
constexpr int kThumbBody = 15;  // height of the square part of a pointed thumb
constexpr int kThumbFull = 20;  // height of a thumb without ticks
}  // namespace

TrackBar::TrackBar() {
  SetBounds(0, 0, 150, 45);
  TabStop = true;
}

void TrackBar::SetPosition(int position) {
  const int v = std::clamp(position, std::min(Min, Max), std::max(Min, Max));
  if (v == position_) return;
  position_ = v;
  Invalidate();
  if (OnChange) OnChange(*this);
}

Rect TrackBar::ChannelRect() const {
  return Rect{kChannelInset, 8, std::max(kChannelInset, Width() - kChannelInset), 12};
}

int TrackBar::XOf(int position) const {
  const int x0 = kChannelInset + kThumbHalf;
  const int x1 = std::max(x0, Width() - kChannelInset - kThumbHalf - 1);
  if (Max <= Min) return x0;
  return x0 + static_cast<int>(static_cast<int64_t>(position - Min) * (x1 - x0) / (Max - Min));
}

int TrackBar::PositionAt(int x) const {
  const int x0 = kChannelInset + kThumbHalf;
  const int x1 = std::max(x0, Width() - kChannelInset - kThumbHalf - 1);
  if (Max <= Min || x1 == x0) return Min;
  const int64_t span = x1 - x0;
  const int64_t rel = std::clamp<int64_t>(x - x0, 0, span);
  // The nearest position.
  return Min + static_cast<int>((rel * (Max - Min) + span / 2) / span);
}

Rect TrackBar::ThumbRect() const {
  const int x = XOf(position_);
  return Rect{x - kThumbHalf, kThumbTop, x + kThumbHalf + 1, kThumbTop + kThumbFull};
}

void TrackBar::Paint(Canvas& canvas) {
  const bool enabled = EnabledInTree();
  const Rect channel = ChannelRect();
  DrawEdge(canvas, channel, EdgeKind::kSunken);
  const lpc::Color light = ToRGB(clBtnHighlight);
  const lpc::Color shadow = ToRGB(clBtnShadow);
  const lpc::Color dark = ToRGB(cl3DDkShadow);
  const lpc::Color face = ToRGB(clBtnFace);
  if (ShowTicks && Max > Min) {
    const int y = kThumbTop + kThumbFull + 3;
    const int step = std::max(1, Frequency);
    // Ticks closer than a pixel apart would only blacken the row (and take long to draw).
    const int64_t count = (static_cast<int64_t>(Max) - Min) / step;
    for (int64_t p = Min; count <= Width() && p <= Max; p += step) {
      const int x = XOf(static_cast<int>(p));
      canvas.FillRect(Rect{x, y, x + 1, y + 3}, 0x000000);
    }
    // The ends always carry a longer tick.
    for (int p : {Min, Max}) {
      const int x = XOf(p);
      canvas.FillRect(Rect{x, y, x + 1, y + 4}, 0x000000);
    }
  }
  const Rect thumb = ThumbRect();
  if (!ShowTicks) {
    canvas.FillRect(thumb, face);
    DrawEdge(canvas, thumb, EdgeKind::kRaised);
  } else {
    // A thumb pointing down at the ticks: a raised square part over a point.
    const Rect body{thumb.left, thumb.top, thumb.right, thumb.top + kThumbBody};
    canvas.FillRect(body, face);
    canvas.FillRect(Rect{body.left, body.top, body.right - 1, body.top + 1}, light);
    canvas.FillRect(Rect{body.left, body.top, body.left + 1, body.bottom}, light);
    canvas.FillRect(Rect{body.right - 1, body.top, body.right, body.bottom}, dark);
    canvas.FillRect(Rect{body.right - 2, body.top + 1, body.right - 1, body.bottom}, shadow);
    for (int r = 0; r <= kThumbHalf; ++r) {
      const int y = body.bottom + r;
      const int l = thumb.left + r;
      const int rr = thumb.right - 1 - r;
      if (rr < l) break;
      canvas.FillRect(Rect{l, y, rr + 1, y + 1}, face);
      canvas.SetPixel(l, y, light);
      canvas.SetPixel(rr, y, dark);
      if (rr - 1 > l) canvas.SetPixel(rr - 1, y, shadow);
    }
  }
  if (!enabled) {
    // A disabled thumb shows its face checkered.
    for (int y = thumb.top + 2; y < thumb.top + kThumbBody - 2; ++y) {
      for (int x = thumb.left + 2; x < thumb.right - 2; ++x) {
        if ((x + y) % 2 == 0) canvas.SetPixel(x, y, light);
      }
    }
  }
  if (Focused()) DrawFocusRect(canvas, Rect{0, 0, Width(), Height()});
}

void TrackBar::MouseDown(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    const Rect thumb = ThumbRect();
    if (PtInRect(thumb, args.x, args.y)) {
      dragging_ = true;
      drag_offset_ = args.x - XOf(position_);
    } else if (args.x < thumb.left) {
      SetPosition(position_ - std::max(1, PageSize));
    } else if (args.x >= thumb.right) {
      SetPosition(position_ + std::max(1, PageSize));
    }
  }
  Component::MouseDown(args);
}

void TrackBar::MouseMove(const MouseArgs& args) {
  if (dragging_) SetPosition(PositionAt(args.x - drag_offset_));
  Component::MouseMove(args);
}

void TrackBar::MouseUp(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) dragging_ = false;
  Component::MouseUp(args);
}

bool TrackBar::KeyDown(int key, unsigned) {
  namespace keys = platform::keys;
  switch (key) {
    case keys::kLeft:
    case keys::kUp: SetPosition(position_ - LineSize); return true;
    case keys::kRight:
    case keys::kDown: SetPosition(position_ + LineSize); return true;
    case keys::kPageUp: SetPosition(position_ - PageSize); return true;
    case keys::kPageDown: SetPosition(position_ + PageSize); return true;
    case keys::kHome: SetPosition(Min); return true;
    case keys::kEnd: SetPosition(Max); return true;
    default: return false;
  }
}

void TrackBar::SetShowTicks(bool show) {
  ShowTicks = show;
  Invalidate();
}

void RegisterTrackBar(ClassRegistry& registry) {
  Published<TrackBar> p(registry.Add("TTrackBar", "TWinControl", &RegisterWinControl,
                                     [] { return std::make_unique<TrackBar>(); }));
  p.Int("Min", [](TrackBar& c, int v) {
    c.Min = v;
    c.SetPosition(c.Position());
  });
  p.Int("Max", [](TrackBar& c, int v) {
    c.Max = v;
    c.SetPosition(c.Position());
  });
  p.Int("Position", &TrackBar::SetPosition, &TrackBar::Position);
  p.Int("Frequency", [](TrackBar& c, int v) { c.Frequency = std::max(1, v); });
  p.Int("LineSize", [](TrackBar& c, int v) { c.LineSize = v; });
  p.Int("PageSize", [](TrackBar& c, int v) { c.PageSize = v; });
  // Ticks or none: tsAuto and tsManual both draw them.
  p.Enum("TickStyle", {"tsNone", "tsAuto", "tsManual"},
         [](TrackBar& c, int v) { c.SetShowTicks(v != 0); });
  // Horizontal only, ticks below the channel.
  p.Ignored({"Orientation", "TickMarks", "SelStart", "SelEnd", "ThumbLength", "SliderVisible",
             "ShowSelRange", "PositionToolTip", "ParentBackground"});
  IgnoreDesignerExtras(p);
}

}  // namespace lpc::widgets
