#include "widgets/standard_controls.h"

#include "base/paths.h"
#include "widgets/draw.h"
#include "widgets/form.h"

namespace lpc::widgets {

TLabel::TLabel() {
  SetBounds(0, 0, 65, 13);
  SetParentColor(true);
}

void TLabel::SetCaption(const std::string& caption) {
  Component::SetCaption(caption);
  AdjustSize();
}

void TLabel::AdjustSize() {
  if (!AutoSize || WordWrap || !Form()) return;
  TextRenderer* text = Form()->text_renderer();
  if (!text) return;
  const Size s = text->MeasureText(StripAccelerator(Caption()), EffectiveFont().Spec());
  SetBounds(Left(), Top(), s.width, s.height);
}

void TLabel::Paint(Canvas& canvas) {
  const Rect r{0, 0, Width(), Height()};
  if (!Transparent) canvas.FillRect(r, ToRGB(EffectiveColor()));
  TextLayout layout;
  layout.halign = Alignment == 1 ? HAlign::kRight : Alignment == 2 ? HAlign::kCenter : HAlign::kLeft;
  layout.valign = Layout == 1 ? VAlign::kCenter : Layout == 2 ? VAlign::kBottom : VAlign::kTop;
  layout.word_wrap = WordWrap;
  layout.disabled = !EnabledInTree();
  DrawTextInRect(canvas, r, Caption(), layout);
}

TButton::TButton() {
  SetBounds(0, 0, 75, 25);
  TabStop = true;
}

void TButton::Paint(Canvas& canvas) {
  const Rect r{0, 0, Width(), Height()};
  const bool is_default = Focused() || (Default && Form() && !(Form()->FocusedControl() &&
                                                              Form()->FocusedControl()->IsButton()));
  const Rect face = DrawButtonFace(canvas, r, pressed_, is_default && EnabledInTree());
  TextLayout layout{HAlign::kCenter, VAlign::kCenter, false, true, !EnabledInTree()};
  Rect text = face;
  if (pressed_) text = Rect{face.left + 1, face.top + 1, face.right + 1, face.bottom + 1};
  DrawTextInRect(canvas, text, Caption(), layout);
  if (Focused()) DrawFocusRect(canvas, Rect{4, 4, Width() - 4, Height() - 4});
}

void TButton::MouseDown(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    tracking_ = true;
    pressed_ = true;
    Invalidate();
  }
  Component::MouseDown(args);
}

void TButton::MouseMove(const MouseArgs& args) {
  if (tracking_) {
    const bool inside = args.x >= 0 && args.y >= 0 && args.x < Width() && args.y < Height();
    if (inside != pressed_) {
      pressed_ = inside;
      Invalidate();
    }
  }
  Component::MouseMove(args);
}

void TButton::MouseUp(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    tracking_ = false;
    pressed_ = false;
    Invalidate();
  }
  Component::MouseUp(args);
}

bool TButton::KeyDown(int key, unsigned) {
  if (key != platform::keys::kSpace) return false;
  space_down_ = pressed_ = true;
  Invalidate();
  return true;
}

bool TButton::KeyUp(int key, unsigned) {
  if (key != platform::keys::kSpace || !space_down_) return false;
  space_down_ = pressed_ = false;
  Invalidate();
  Click();
  return true;
}

void TButton::Click() {
  Component::Click();
  if (ModalResult != 0 && Form()) Form()->Close(ModalResult);
}

void RegisterStandardControls(ClassRegistry& registry) {
  {
    Published<TLabel> p(registry.Add("TLabel", "TGraphicControl", [] { return std::make_unique<TLabel>(); }));
    p.String("Caption", [](TLabel& c, const std::string& v) { c.SetCaption(v); },
             [](const TLabel& c) { return c.Caption(); });
    p.Bool("Transparent", [](TLabel& c, bool v) { c.Transparent = v; c.Invalidate(); });
    p.Bool("WordWrap", [](TLabel& c, bool v) { c.WordWrap = v; c.Invalidate(); });
    p.Bool("AutoSize", [](TLabel& c, bool v) { c.AutoSize = v; c.AdjustSize(); });
    p.Enum("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"},
           [](TLabel& c, int v) { c.Alignment = v; c.Invalidate(); });
    p.Enum("Layout", {"tlTop", "tlCenter", "tlBottom"},
           [](TLabel& c, int v) { c.Layout = v; c.Invalidate(); });
    p.Ignored("FocusControl");
    p.Ignored("ShowAccelChar");
  }
  {
    Published<TButton> p(registry.Add("TButton", "TWinControl", [] { return std::make_unique<TButton>(); }));
    p.String("Caption", [](TButton& c, const std::string& v) { c.SetCaption(v); },
             [](const TButton& c) { return c.Caption(); });
    p.Bool("Default", [](TButton& c, bool v) { c.Default = v; });
    p.Bool("Cancel", [](TButton& c, bool v) { c.Cancel = v; });
    p.Enum("ModalResult", {"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry", "mrIgnore", "mrYes", "mrNo"},
           [](TButton& c, int v) { c.ModalResult = v; });
  }
}

void RegisterTextControls(ClassRegistry&) {}

}  // namespace lpc::widgets
