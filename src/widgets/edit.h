// A one-line text box: caret, selection with the mouse and Shift+arrows, Home/End,
// Backspace/Delete, clipboard cut/copy/paste (Ctrl+X/C/V, Shift+Delete, Ctrl+Insert,
// Shift+Insert), Ctrl+A, read-only, password characters, a sunken frame.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "widgets/component.h"
#include "widgets/properties.h"
#include "widgets/stock_classes.h"

namespace lpc::widgets {

// "TEdit".
void RegisterEdit(ClassRegistry& registry);

class Edit : public Component {
 public:
  enum CharCase { ecNormal, ecUpperCase, ecLowerCase };
  Edit();
  bool IsWindowed() const override { return true; }
  bool WantsArrows() const override { return true; }

  std::string Text() const { return caption_; }
  // Replaces the text; the caret goes to its end, the selection is cleared.
  void SetText(const std::string& text);
  void SetCaption(const std::string& caption) override { SetText(caption); }
  bool ReadOnly = false;
  int MaxLength = 0;  // 0: no limit
  char PasswordChar = 0;
  CharCase CharCaseMode = ecNormal;
  bool AutoSelect = true;
  bool HideSelection = true;
  bool BorderSingle = true;  // BorderStyle = bsSingle
  bool Ctl3D = true;
  // These repaint; SetCharCase converts the text.
  void SetReadOnly(bool read_only);
  void SetBorderSingle(bool single);
  void SetCtl3D(bool ctl3d);
  void SetPasswordChar(char ch);
  void SetCharCase(CharCase mode);
  std::function<void(Component&)> OnChange;

  // Caret and selection, as character positions.
  int CaretPos() const { return caret_; }
  int SelStart() const { return std::min(anchor_, caret_); }
  int SelLength() const { return std::abs(caret_ - anchor_); }
  std::string SelText() const;
  void SetSelection(int start, int length);
  void SelectAll() { SetSelection(0, static_cast<int>(caption_.size())); }
  // Replaces the selection with text (as typing or pasting would, limits included).
  void ReplaceSelection(const std::string& text);
  void CutToClipboard();
  void CopyToClipboard();
  void PasteFromClipboard();

  void Paint(Canvas& canvas) override;
  void MouseDown(const MouseArgs& args) override;
  void MouseMove(const MouseArgs& args) override;
  void MouseUp(const MouseArgs& args) override;
  void DblClick() override;
  bool KeyDown(int key, unsigned modifiers) override;
  bool KeyChar(char32_t ch) override;
  void FocusChanged(bool focused) override;

 protected:
  // Where the text goes (inside the frame, and left of a spin box's buttons).
  virtual Rect TextRect() const;
  // Whether a typed character may go in (a spin box takes digits only).
  virtual bool AcceptsChar(char ch) const;
  // After every change of the text.
  virtual void Changed();
  std::string Shown() const;  // the text as drawn (password characters)
  int XOfPos(int pos) const;  // in TextRect coordinates, scroll included
  int PosAtX(int x) const;
  void MoveCaret(int pos, bool extend);
  void ScrollToCaret();

  int caret_ = 0;
  int anchor_ = 0;
  int scroll_ = 0;  // pixels of text scrolled out to the left
  bool selecting_ = false;
};

// What a text box publishes beside its text, shared by the edit box and the memo.
template <typename T>
void PublishEditCommon(Published<T>& p) {
  p.Bool("ReadOnly", &T::SetReadOnly, &T::ReadOnly);
  p.Enum(
      "BorderStyle", {"bsNone", "bsSingle"}, [](T& c, int v) { c.SetBorderSingle(v == 1); },
      [](const T& c) { return c.BorderSingle ? 1 : 0; });
  IgnoreDesignerExtras(p);
  p.Ignored({"OEMConvert", "ImeMode", "ImeName", "BevelKind", "BevelInner", "BevelOuter",
             "BevelEdges", "ParentBackground"});
}

}  // namespace lpc::widgets
