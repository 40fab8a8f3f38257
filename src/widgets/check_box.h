// A check box: a sunken white 13 x 13 box with a check mark and the caption beside it. A click,
// the space bar or the accelerator toggles it.
#pragma once

#include <functional>

#include "widgets/component.h"

namespace lpc::widgets {

class CheckBox : public Component {
 public:
  enum State { cbUnchecked, cbChecked, cbGrayed };
  CheckBox();
  bool IsWindowed() const override { return true; }
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool checked) { SetState(checked ? cbChecked : cbUnchecked); }
  int State() const { return state_; }
  void SetState(int state);
  std::function<void(Component&)> OnChange;
  bool AllowGrayed = false;
  int Alignment = 1;  // taLeftJustify: caption left of the box; taRightJustify: right of it
  bool WordWrap = false;

  void Paint(Canvas& canvas) override;
  void Click() override;
  void MouseDown(const MouseArgs& args) override;
  void MouseMove(const MouseArgs& args) override;
  void MouseUp(const MouseArgs& args) override;
  bool KeyDown(int key, unsigned modifiers) override;
  bool KeyUp(int key, unsigned modifiers) override;
  bool AcceleratorPressed() override;

 private:
  int state_ = cbUnchecked;
  bool pressed_ = false;
  bool tracking_ = false;
  bool space_down_ = false;
};

// Draws the 13 x 13 box with its top-left corner at (x, y).
void DrawCheckBox(Canvas& canvas, int x, int y, int state, bool pressed, bool enabled);

}  // namespace lpc::widgets
