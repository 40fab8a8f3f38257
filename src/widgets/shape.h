// Shapes: rectangle, square, rounded ones, ellipse and circle, filled with a brush and outlined
// with a pen. TMyShape is the same shape under the name layouts use for clickable ones.
#pragma once

#include "widgets/component.h"

namespace lpc::widgets {

struct ShapeBrush {
  // bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
  enum Style { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
               bsDiagCross };
  ColorValue Color = clWhite;
  int Style = bsSolid;
};

struct ShapePen {
  // psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame
  enum Style { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
  ColorValue Color = clBlack;
  int Width = 1;
  int Style = psSolid;
};

class ShapeControl : public Component {
 public:
  enum ShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
  ShapeControl();
  void Paint(Canvas& canvas) override;
  int Shape = stRectangle;
  ShapeBrush Brush;
  ShapePen Pen;
};

class TMyShape : public ShapeControl {};

}  // namespace lpc::widgets
