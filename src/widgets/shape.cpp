#include "widgets/shape.h"

#include <algorithm>

#include "widgets/geometry.h"
#include "widgets/stock_classes.h"

namespace lpc::widgets {

namespace {

// Mask values: what each pixel of the shape is.
constexpr Color kOutside = 0;
constexpr Color kOutline = 1;
constexpr Color kInside = 2;

// A rectangle with quarter-ellipse corners `corner` pixels across, filled with `value`.
void FillRoundRect(Canvas& mask, const Rect& r, int corner, Color value) {
  corner = std::min({corner, r.Width(), r.Height()});
  mask.PenColor = mask.BrushColor = value;
  mask.BrushClear = false;
  if (corner < 2) {
    mask.FillRect(r, value);
    return;
  }
  const int half = corner / 2;
  mask.FillRect(Rect{r.left + half, r.top, r.right - half, r.bottom}, value);
  mask.FillRect(Rect{r.left, r.top + half, r.right, r.bottom - half}, value);
  const Rect corners[] = {
      MakeRect(r.left, r.top, corner, corner),
      MakeRect(r.right - corner, r.top, corner, corner),
      MakeRect(r.left, r.bottom - corner, corner, corner),
      MakeRect(r.right - corner, r.bottom - corner, corner, corner),
  };
  for (const Rect& c : corners) mask.Ellipse(c.left, c.top, c.right, c.bottom);
}

void FillShape(Canvas& mask, int shape, const Rect& r, int corner, Color value) {
  if (r.IsEmpty()) return;
  switch (shape) {
    case ShapeControl::stEllipse:
    case ShapeControl::stCircle:
      mask.PenColor = mask.BrushColor = value;
      mask.BrushClear = false;
      mask.Ellipse(r.left, r.top, r.right, r.bottom);
      break;
    case ShapeControl::stRoundRect:
    case ShapeControl::stRoundSquare:
      FillRoundRect(mask, r, corner, value);
      break;
    default:
      mask.FillRect(r, value);
      break;
  }
}

bool HatchHit(int style, int x, int y) {
  switch (style) {
    case ShapeBrush::bsHorizontal:
      return y % 8 == 0;
    case ShapeBrush::bsVertical:
      return x % 8 == 0;
    case ShapeBrush::bsFDiagonal:
      return (x - y) % 8 == 0;
    case ShapeBrush::bsBDiagonal:
      return (x + y) % 8 == 0;
    case ShapeBrush::bsCross:
      return x % 8 == 0 || y % 8 == 0;
    case ShapeBrush::bsDiagCross:
      return (x - y) % 8 == 0 || (x + y) % 8 == 0;
    default: return true;
  }
}

bool PenHit(int style, int x, int y) {
  const int t = x + y;  // runs along horizontal and vertical edges alike
  switch (style) {
    case ShapePen::psDash:
      return t % 9 < 6;
    case ShapePen::psDot:
      return t % 2 == 0;
    case ShapePen::psDashDot:
      return t % 12 < 6 || t % 12 == 8;
    case ShapePen::psDashDotDot:
      return t % 14 < 6 || t % 14 == 8 || t % 14 == 10;
    default: return true;
  }
}

}  // namespace

ShapeControl::ShapeControl() {
  SetBounds(0, 0, 65, 65);
  SetParentColor(true);
}

void ShapeControl::SetShape(ShapeType shape) {
  Shape = shape;
  Invalidate();
}

void ShapeControl::SetBrushColor(ColorValue color) {
  Brush.Color = color;
  Invalidate();
}

void ShapeControl::SetBrushStyle(ShapeBrush::BrushStyle style) {
  Brush.Style = style;
  Invalidate();
}

void ShapeControl::SetPenColor(ColorValue color) {
  Pen.Color = color;
  Invalidate();
}

void ShapeControl::SetPenWidth(int width) {
  Pen.Width = width;
  Invalidate();
}

void ShapeControl::SetPenStyle(ShapePen::PenStyle style) {
  Pen.Style = style;
  Invalidate();
}

void ShapeControl::Paint(Canvas& canvas) {
  int w = Width();
  int h = Height();
  int x = 0;
  int y = 0;
  // Squares and circles take the shorter side, centred.
  if (Shape == stSquare || Shape == stRoundSquare || Shape == stCircle) {
    const int s = std::min(w, h);
    x = (w - s) / 2;
    y = (h - s) / 2;
    w = h = s;
  }
  const Rect outer = MakeRect(x, y, w, h);
  const int pen = Pen.Style == ShapePen::psClear ? 0 : std::max(1, Pen.Width);
  const int corner = std::min(w, h) / 4;

  // The shape is drawn as a mask first (outline ring and inside), then coloured, so every
  // shape gets the same pens, pen widths and brush patterns.
  Bitmap mask_bitmap(Width(), Height(), kOutside);
  Canvas mask(mask_bitmap);
  FillShape(mask, Shape, outer, corner, pen > 0 ? kOutline : kInside);
  if (pen > 0) {
    FillShape(mask, Shape, InsetRect(outer, pen), std::max(0, corner - pen), kInside);
  }
  const lpc::Color brush = ToRGB(Brush.Color);
  const lpc::Color pen_color = ToRGB(Pen.Color);
  for (int py = 0; py < Height(); ++py) {
    for (int px = 0; px < Width(); ++px) {
      const lpc::Color m = mask_bitmap.At(px, py);
      if (m == kOutline) {
        if (PenHit(Pen.Style, px, py)) canvas.SetPixel(px, py, pen_color);
      } else if (m == kInside && Brush.Style != ShapeBrush::bsClear) {
        if (HatchHit(Brush.Style, px, py)) canvas.SetPixel(px, py, brush);
      }
    }
  }
}

void RegisterShape(ClassRegistry& registry) {
  Published<ShapeControl> p(registry.Add("TShape", "TGraphicControl", &RegisterGraphicControl,
                                         [] { return std::make_unique<ShapeControl>(); }));
  p.Enum<ShapeControl::ShapeType>(
      "Shape", {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"},
      &ShapeControl::SetShape, &ShapeControl::Shape);
  p.ColorProp("Brush.Color", &ShapeControl::SetBrushColor,
              [](const ShapeControl& c) { return c.Brush.Color; });
  p.Enum<ShapeBrush::BrushStyle>("Brush.Style",
                                 {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                                  "bsBDiagonal", "bsCross", "bsDiagCross"},
                                 &ShapeControl::SetBrushStyle,
                                 [](const ShapeControl& c) { return c.Brush.Style; });
  p.ColorProp("Pen.Color", &ShapeControl::SetPenColor,
              [](const ShapeControl& c) { return c.Pen.Color; });
  p.Int(
      "Pen.Width",
      [](ShapeControl& c, int v) {
        // A pen as wide as a screen is a mistake in the layout, not a drawing.
        if (v < 0 || v > 10000) throw PropertyValueError();
        c.SetPenWidth(v);
      },
      [](const ShapeControl& c) { return c.Pen.Width; });
  p.Enum<ShapePen::PenStyle>(
      "Pen.Style",
      {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"},
      &ShapeControl::SetPenStyle, [](const ShapeControl& c) { return c.Pen.Style; });
  p.Ignored("Pen.Mode");
}

void RegisterClickableShape(ClassRegistry& registry) {
  // The clickable shape: its mouse events come from the action table, not from the layout.
  Published<ClickableShape> p(registry.Add("TMyShape", "TShape", &RegisterShape,
                                           [] { return std::make_unique<ClickableShape>(); }));
  p.Ignored({"OnClick", "OnMouseDown", "OnMouseMove", "OnMouseUp"});
}

}  // namespace lpc::widgets
