#include "widgets/panel.h"

#include "widgets/draw.h"
#include "widgets/geometry.h"

namespace lpc::widgets {

namespace {

// One bevel of `width` pixels: raised is light at the top-left, lowered the other way round.
Rect DrawBevel(Canvas& canvas, Rect r, int cut, int width) {
  if (cut == bvNone) return r;
  const lpc::Color light = ToRGB(clBtnHighlight);
  const lpc::Color shadow = ToRGB(clBtnShadow);
  for (int i = 0; i < width && !r.IsEmpty(); ++i) {
    if (cut == bvRaised) Frame3D(canvas, r, light, shadow);
    if (cut == bvLowered) Frame3D(canvas, r, shadow, light);
    r = InsetRect(r, 1);
  }
  return r;
}

}  // namespace

Panel::Panel() {
  SetBounds(0, 0, 185, 41);
  SetParentColor(false);
}

void Panel::SetBevels(int inner, int outer, int bevel_width, int border_width) {
  bevel_inner_ = inner;
  bevel_outer_ = outer;
  // Wider than any screen is a layout mistake; kept in range so the sums cannot overflow.
  bevel_width_ = std::clamp(bevel_width, 0, 10000);
  border_width_ = std::clamp(border_width, 0, 10000);
  Realign();
  Invalidate();
}

int Panel::Border() const {
  int b = border_width_ + (BorderSingle ? 2 : 0);
  if (bevel_outer_ != bvNone) b += bevel_width_;
  if (bevel_inner_ != bvNone) b += bevel_width_;
  return b;
}

Rect Panel::ClientRect() const {
  const int b = Border();
  return Rect{b, b, std::max(b, Width() - b), std::max(b, Height() - b)};
}

void Panel::Paint(Canvas& canvas) {
  Rect r{0, 0, Width(), Height()};
  canvas.FillRect(r, ToRGB(EffectiveColor()));
  if (BorderSingle) r = DrawEdge(canvas, r, EdgeKind::kSunken);
  r = DrawBevel(canvas, r, bevel_outer_, bevel_width_);
  r = InsetRect(r, border_width_);
  r = DrawBevel(canvas, r, bevel_inner_, bevel_width_);
  if (Caption().empty()) return;
  TextLayout layout;
  layout.halign = Alignment == 0 ? HAlign::kLeft : Alignment == 1 ? HAlign::kRight : HAlign::kCenter;
  layout.valign = VAlign::kCenter;
  layout.disabled = !EnabledInTree();
  // Left and right captions keep a little distance from the bevel.
  DrawTextInRect(canvas, Rect{r.left + 2, r.top, r.right - 2, r.bottom}, Caption(), layout);
}

Bevel::Bevel() {
  SetBounds(0, 0, 50, 50);
  SetParentColor(true);
}

void Bevel::Paint(Canvas& canvas) {
  const lpc::Color light = ToRGB(clBtnHighlight);
  const lpc::Color shadow = ToRGB(clBtnShadow);
  const lpc::Color first = BevelStyle == bsLowered ? shadow : light;
  const lpc::Color second = BevelStyle == bsLowered ? light : shadow;
  const int w = Width();
  const int h = Height();
  switch (BevelShape) {
    case bsBox:
      Frame3D(canvas, Rect{0, 0, w, h}, first, second);
      break;
    case bsFrame:
      // A groove (lowered) or a ridge (raised): two frames, the inner one the other way round.
      Frame3D(canvas, Rect{0, 0, w - 1, h - 1}, first, first);
      Frame3D(canvas, Rect{1, 1, w, h}, second, second);
      break;
    case bsTopLine:
      canvas.FillRect(Rect{0, 0, w, 1}, first);
      canvas.FillRect(Rect{0, 1, w, 2}, second);
      break;
    case bsBottomLine:
      canvas.FillRect(Rect{0, h - 2, w, h - 1}, first);
      canvas.FillRect(Rect{0, h - 1, w, h}, second);
      break;
    case bsLeftLine:
      canvas.FillRect(Rect{0, 0, 1, h}, first);
      canvas.FillRect(Rect{1, 0, 2, h}, second);
      break;
    case bsRightLine:
      canvas.FillRect(Rect{w - 2, 0, w - 1, h}, first);
      canvas.FillRect(Rect{w - 1, 0, w, h}, second);
      break;
    default:  // bsSpacer
      break;
  }
}

}  // namespace lpc::widgets
