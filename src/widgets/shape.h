// Shapes: rectangle, square, rounded ones, ellipse and circle, filled with a brush and outlined
// with a pen. ClickableShape is the same shape under the name layouts use for clickable ones
// ("TMyShape").
#pragma once

#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc::widgets {

// "TShape", and "TMyShape" for the clickable one.
void RegisterShape(ClassRegistry& registry);
void RegisterClickableShape(ClassRegistry& registry);

struct ShapeBrush {
  // bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
  enum BrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
  };
  ColorValue Color = clWhite;
  BrushStyle Style = bsSolid;
};

struct ShapePen {
  // psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame
  enum PenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
  ColorValue Color = clBlack;
  int Width = 1;
  PenStyle Style = psSolid;
};

class ShapeControl : public Component {
 public:
  enum ShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
  ShapeControl();
  void Paint(Canvas& canvas) override;
  ShapeType Shape = stRectangle;
  ShapeBrush Brush;
  ShapePen Pen;
  // Each sets its part and repaints.
  void SetShape(ShapeType shape);
  void SetBrushColor(ColorValue color);
  void SetBrushStyle(ShapeBrush::BrushStyle style);
  void SetPenColor(ColorValue color);
  void SetPenWidth(int width);
  void SetPenStyle(ShapePen::PenStyle style);
};

class ClickableShape : public ShapeControl {};

}  // namespace lpc::widgets
