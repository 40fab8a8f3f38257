// Panels (a container with raised or lowered bevels and a centred caption) and bevels (a box,
// frame or line in the 3D colours, with nothing inside).
#pragma once

#include "widgets/component.h"

namespace lpc::widgets {

enum BevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class Panel : public Component {
 public:
  Panel();
  bool IsWindowed() const override { return true; }
  Rect ClientRect() const override;
  void Paint(Canvas& canvas) override;
  void SetBevels(int inner, int outer, int bevel_width, int border_width);
  int BevelInner() const { return bevel_inner_; }
  int BevelOuter() const { return bevel_outer_; }
  int BevelWidth() const { return bevel_width_; }
  int BorderWidth() const { return border_width_; }
  int Alignment = 2;  // taLeftJustify, taRightJustify, taCenter
  bool BorderSingle = false;  // BorderStyle = bsSingle: a sunken edge outside the bevels

 private:
  int Border() const;
  int bevel_inner_ = bvNone;
  int bevel_outer_ = bvRaised;
  int bevel_width_ = 1;
  int border_width_ = 0;
};

class Bevel : public Component {
 public:
  enum Shape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
  enum Style { bsLowered, bsRaised };
  Bevel();
  void Paint(Canvas& canvas) override;
  int BevelShape = bsBox;
  int BevelStyle = bsLowered;
};

}  // namespace lpc::widgets
