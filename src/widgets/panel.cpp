#include "widgets/panel.h"

#include "widgets/draw.h"
#include "widgets/geometry.h"
#include "widgets/stock_classes.h"

namespace lpc::widgets {

namespace {

// One bevel of `width` pixels: raised is light at the top-left, lowered the other way round.
Rect DrawBevel(Canvas& canvas, Rect r, BevelCut cut, int width) {
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

void Panel::SetBevelInner(BevelCut cut) {
  bevel_inner_ = cut;
  BordersChanged();
}

void Panel::SetBevelOuter(BevelCut cut) {
  bevel_outer_ = cut;
  BordersChanged();
}

// Wider than any screen is a layout mistake; kept in range so the sums cannot overflow.
void Panel::SetBevelWidth(int width) {
  bevel_width_ = std::clamp(width, 0, 10000);
  BordersChanged();
}

void Panel::SetBorderWidth(int width) {
  border_width_ = std::clamp(width, 0, 10000);
  BordersChanged();
}

void Panel::SetBorderSingle(bool single) {
  border_single_ = single;
  BordersChanged();
}

void Panel::BordersChanged() {
  Realign();
  Invalidate();
}

void Panel::SetAlignment(TextAlignment alignment) {
  Alignment = alignment;
  Invalidate();
}

int Panel::Border() const {
  int b = border_width_ + (border_single_ ? 2 : 0);
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
  if (border_single_) r = DrawEdge(canvas, r, EdgeKind::kSunken);
  r = DrawBevel(canvas, r, bevel_outer_, bevel_width_);
  r = InsetRect(r, border_width_);
  r = DrawBevel(canvas, r, bevel_inner_, bevel_width_);
  if (Caption().empty()) return;
  TextLayout layout;
  layout.halign = Alignment == taLeftJustify    ? HAlign::kLeft
                  : Alignment == taRightJustify ? HAlign::kRight
                                                : HAlign::kCenter;
  layout.valign = VAlign::kCenter;
  layout.disabled = !EnabledInTree();
  // Left and right captions keep a little distance from the bevel.
  DrawTextInRect(canvas, Rect{r.left + 2, r.top, r.right - 2, r.bottom}, Caption(), layout);
}

Bevel::Bevel() {
  SetBounds(0, 0, 50, 50);
  SetParentColor(true);
}

void Bevel::SetBevelShape(Shape shape) {
  BevelShape = shape;
  Invalidate();
}

void Bevel::SetBevelStyle(Style style) {
  BevelStyle = style;
  Invalidate();
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

void RegisterPanel(ClassRegistry& registry) {
  const std::vector<std::string_view> cuts = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
  Published<Panel> p(registry.Add("TPanel", "TWinControl", &RegisterWinControl,
                                  [] { return std::make_unique<Panel>(); }));
  PublishCaption(p);
  p.Enum<BevelCut>("BevelInner", cuts, &Panel::SetBevelInner, &Panel::BevelInner);
  p.Enum<BevelCut>("BevelOuter", cuts, &Panel::SetBevelOuter, &Panel::BevelOuter);
  p.Int(
      "BevelWidth",
      [](Panel& c, int v) {
        if (v < 1) throw PropertyValueError();
        c.SetBevelWidth(v);
      },
      &Panel::BevelWidth);
  p.Int(
      "BorderWidth",
      [](Panel& c, int v) {
        if (v < 0) throw PropertyValueError();
        c.SetBorderWidth(v);
      },
      &Panel::BorderWidth);
  p.Enum("BorderStyle", {"bsNone", "bsSingle"}, [](Panel& c, int v) { c.SetBorderSingle(v == 1); });
  p.Enum<TextAlignment>("Alignment", kTextAlignmentNames, &Panel::SetAlignment, &Panel::Alignment);
  p.Ignored({"FullRepaint", "Locked", "ParentBackground", "BevelKind", "BevelEdges", "ShowCaption",
             "VerticalAlignment", "AutoSize", "DockSite", "UseDockManager"});
  IgnoreDesignerExtras(p);
}

void RegisterBevel(ClassRegistry& registry) {
  Published<Bevel> p(registry.Add("TMyBevel", "TGraphicControl", &RegisterGraphicControl,
                                  [] { return std::make_unique<Bevel>(); }));
  p.Enum<Bevel::Shape>(
      "Shape",
      {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"},
      &Bevel::SetBevelShape, &Bevel::BevelShape);
  p.Enum<Bevel::Style>("Style", {"bsLowered", "bsRaised"}, &Bevel::SetBevelStyle,
                       &Bevel::BevelStyle);
  // Its mouse events come from the action table, not from the layout.
  p.Ignored({"OnClick", "OnMouseDown", "OnMouseMove", "OnMouseUp"});
}

}  // namespace lpc::widgets
