// Shapes: rectangle, square, rounded ones, ellipse and circle, filled with a brush and outlined
// with a pen. TMyShape is the same shape under the name layouts use for clickable ones.
#pragma once

#include "widgets/component.h"

namespace lpc::widgets {

struct TBrush {
  // bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
  enum Style { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
               bsDiagCross };
  TColor Color = clWhite;
  int Style = bsSolid;
};

struct TPen {
  // psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame
  enum Style { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
  TColor Color = clBlack;
  int Width = 1;
  int Style = psSolid;
};

class TShape : public Component {
 public:
  enum ShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
  TShape();
  void Paint(Canvas& canvas) override;
  int Shape = stRectangle;
  TBrush Brush;
  TPen Pen;
};

class TMyShape : public TShape {};

}  // namespace lpc::widgets
