// Labels and push buttons.
#pragma once

#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc::widgets {

void RegisterStandardControls(ClassRegistry& registry);
// Edit boxes and memos, and the controls of fixed dialogs (drop-down list, spin box, track bar,
// link label).
void RegisterTextControls(ClassRegistry& registry);

class TLabel : public Component {
 public:
  TLabel();
  void Paint(Canvas& canvas) override;
  bool Transparent = false;
  bool WordWrap = false;
  int Alignment = 0;  // taLeftJustify, taRightJustify, taCenter
  int Layout = 0;     // tlTop, tlCenter, tlBottom
  bool AutoSize = true;
  void SetCaption(const std::string& caption) override;
  void AdjustSize();
};

class TButton : public Component {
 public:
  TButton();
  bool IsWindowed() const override { return true; }
  bool IsButton() const override { return true; }
  bool IsDefaultButton() const override { return Default; }
  bool IsCancelButton() const override { return Cancel; }
  void Paint(Canvas& canvas) override;
  void MouseDown(const MouseArgs& args) override;
  void MouseMove(const MouseArgs& args) override;
  void MouseUp(const MouseArgs& args) override;
  bool KeyDown(int key, unsigned modifiers) override;
  bool KeyUp(int key, unsigned modifiers) override;
  void Click() override;
  bool Default = false;
  bool Cancel = false;
  int ModalResult = 0;  // closes the form with this result when clicked

 protected:
  bool pressed_ = false;   // held with the pointer inside
  bool tracking_ = false;  // the left button went down on it
  bool space_down_ = false;
};

}  // namespace lpc::widgets
