// Panels (a container with raised or lowered bevels and a centred caption) and bevels (a box,
// frame or line in the 3D colours, with nothing inside).
#pragma once

#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc::widgets {

// "TPanel" and "TMyBevel".
void RegisterPanel(ClassRegistry& registry);
void RegisterBevel(ClassRegistry& registry);

enum BevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class Panel : public Component {
 public:
  Panel();
  bool IsWindowed() const override { return true; }
  Rect ClientRect() const override;
  void Paint(Canvas& canvas) override;
  // The bevels and borders decide where the children go: each setter realigns and repaints.
  void SetBevelInner(BevelCut cut);
  void SetBevelOuter(BevelCut cut);
  void SetBevelWidth(int width);
  void SetBorderWidth(int width);
  void SetBorderSingle(bool single);
  BevelCut BevelInner() const { return bevel_inner_; }
  BevelCut BevelOuter() const { return bevel_outer_; }
  int BevelWidth() const { return bevel_width_; }
  int BorderWidth() const { return border_width_; }
  // BorderStyle = bsSingle: a sunken edge outside the bevels.
  bool BorderSingle() const { return border_single_; }
  TextAlignment Alignment = taCenter;
  void SetAlignment(TextAlignment alignment);  // repaints

 private:
  int Border() const;
  void BordersChanged();
  BevelCut bevel_inner_ = bvNone;
  BevelCut bevel_outer_ = bvRaised;
  bool border_single_ = false;
  int bevel_width_ = 1;
  int border_width_ = 0;
};

class Bevel : public Component {
 public:
  enum Shape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
  enum Style { bsLowered, bsRaised };
  Bevel();
  void Paint(Canvas& canvas) override;
  Shape BevelShape = bsBox;
  Style BevelStyle = bsLowered;
  void SetBevelShape(Shape shape);  // these two repaint
  void SetBevelStyle(Style style);
};

}  // namespace lpc::widgets
