// A number box with up and down buttons: the buttons step by Increment and repeat while held
// (after 400 ms, then every 50 ms), Up/Down keys step, typing takes digits, and the value stays
// within MinValue..MaxValue (when MaxValue > MinValue).
#pragma once

#include "widgets/edit.h"

namespace lpc::widgets {

// "TSpinEdit".
void RegisterSpinEdit(ClassRegistry& registry);

class SpinEdit : public Edit {
 public:
  SpinEdit();
  int MinValue = 0;
  int MaxValue = 0;  // MinValue == MaxValue: no limits
  int Increment = 1;
  int Value() const;
  void SetValue(int value);

  void Paint(Canvas& canvas) override;
  void MouseDown(const MouseArgs& args) override;
  void MouseMove(const MouseArgs& args) override;
  void MouseUp(const MouseArgs& args) override;
  bool KeyDown(int key, unsigned modifiers) override;
  void Timer(int id) override;
  void FocusChanged(bool focused) override;

  Rect UpButton() const;
  Rect DownButton() const;

 protected:
  Rect TextRect() const override;
  bool AcceptsChar(char ch) const override;

 private:
  int Clamp(int v) const;
  void Step(int direction);
  int held_ = 0;  // +1 the up button, -1 the down button, 0 none
  bool over_held_ = false;
};

}  // namespace lpc::widgets
