// A check box: a sunken white 13 x 13 box with a check mark and the caption beside it. A click,
// the space bar or the accelerator toggles it.
#pragma once

#include <functional>

#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc::widgets {

// "TCheckBox".
void RegisterCheckBox(ClassRegistry& registry);

class CheckBox : public Component {
 public:
  enum CheckState { cbUnchecked, cbChecked, cbGrayed };
  CheckBox();
  bool IsWindowed() const override { return true; }
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool checked) { SetState(checked ? cbChecked : cbUnchecked); }
  CheckState State() const { return state_; }
  void SetState(CheckState state);
  std::function<void(Component&)> OnChange;
  bool AllowGrayed = false;
  // taLeftJustify: caption left of the box; taRightJustify: right of it.
  TextAlignment Alignment = taRightJustify;
  bool WordWrap = false;
  void SetAlignment(TextAlignment alignment);  // these two repaint
  void SetWordWrap(bool word_wrap);

  void Paint(Canvas& canvas) override;
  void Click() override;
  void MouseDown(const MouseArgs& args) override;
  void MouseMove(const MouseArgs& args) override;
  void MouseUp(const MouseArgs& args) override;
  bool KeyDown(int key, unsigned modifiers) override;
  bool KeyUp(int key, unsigned modifiers) override;
  bool AcceleratorPressed() override;

 private:
  CheckState state_ = cbUnchecked;
  bool pressed_ = false;
  bool tracking_ = false;
  bool space_down_ = false;
};

// Draws the 13 x 13 box with its top-left corner at (x, y).
void DrawCheckBox(Canvas& canvas, int x, int y, int state, bool pressed, bool enabled);

}  // namespace lpc::widgets
