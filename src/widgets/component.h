// The component model: a retained tree of controls that draw themselves through Canvas into
// their form's back buffer and take mouse and keyboard input routed to them by the form.
//
// Coordinates: a component's bounds are relative to its parent's client origin; Paint and the
// mouse hooks get coordinates relative to the component's own top-left corner. A component
// paints onto a bitmap of its own size that already shows what lies beneath it, so a control
// that does not fill its background is transparent for free.
//
// Every component belongs to one form (FormWindow), which owns it and frees it with itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/canvas.h"
#include "platform/platform.h"
#include "widgets/colors.h"

namespace lpc::widgets {

class FormWindow;

enum class Alignment { alNone, alTop, alBottom, alLeft, alRight, alClient };
// Where a caption sits across its control (Alignment of labels, panels and memos).
enum TextAlignment { taLeftJustify, taRightJustify, taCenter };

// Cursor identifiers as layouts write them (crHandPoint is -21).
enum CursorId : int {
  crDefault = 0,
  crNone = -1,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNESW = -6,
  crSizeNS = -7,
  crSizeNWSE = -8,
  crSizeWE = -9,
  crUpArrow = -10,
  crHourGlass = -11,
  crDrag = -12,
  crNoDrop = -13,
  crHSplit = -14,
  crVSplit = -15,
  crMultiDrag = -16,
  crSQLWait = -17,
  crNo = -18,
  crAppStart = -19,
  crHelp = -20,
  crHandPoint = -21,
  crSizeAll = -22,
};

struct FontSettings {
  std::string Name = "MS Sans Serif";
  int Height = -11;  // negative: pixel height of the characters; positive: of the whole cell
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  ColorValue Color = clWindowText;
  int Charset = 1;  // accepted; text is single-byte whatever it says

  // Size in points at 96 pixels per inch.
  int Size() const;
  void SetSize(int points);
  // What the text renderer is asked for (a height of 0 means the default 11 pixels).
  FontSpec Resolved() const;
  bool operator==(const FontSettings&) const = default;
};

struct MouseArgs {
  platform::MouseButton button = platform::MouseButton::kLeft;
  int x = 0;  // relative to the component
  int y = 0;
  unsigned modifiers = 0;
  int clicks = 1;
};

class Component {
 public:
  Component();
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  // --- identity
  const std::string& ClassName() const { return class_name_; }
  void SetClassName(std::string name) { class_name_ = std::move(name); }
  std::string Name;
  int32_t Tag = 0;

  // --- tree
  Component* Parent() const { return parent_; }
  // Moves the component under another parent (nullptr: none), at the end of its children.
  void SetParent(Component* parent);
  const std::vector<Component*>& Children() const { return children_; }
  // The form the component belongs to (set when the form adopts it), or nullptr.
  FormWindow* Form() const { return form_; }
  void SetForm(FormWindow* form) { form_ = form; }
  // This component and every descendant, parents before children, in creation order.
  void ForEach(const std::function<void(Component&)>& fn);

  // --- bounds
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  virtual void SetBounds(int left, int top, int width, int height);
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  Rect BoundsRect() const { return MakeRect(left_, top_, width_, height_); }
  // The area inside the component's frame where children are laid out.
  virtual Rect ClientRect() const { return Rect{0, 0, width_, height_}; }
  // Top-left corner in the form's client coordinates.
  Point FormOrigin() const;
  Alignment Align() const { return align_; }
  void SetAlign(Alignment align);

  // --- state
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  // Visible here and in every parent.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  // Enabled here and in every parent.
  bool EnabledInTree() const;

  // --- looks
  ColorValue Color() const { return color_; }
  void SetColor(ColorValue color);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool v);
  // The colour shown: the parent's when ParentColor is set.
  ColorValue EffectiveColor() const;
  const FontSettings& Font() const { return font_; }
  // Changing the font clears ParentFont, as in a form designer.
  FontSettings& MutableFont();
  void SetFont(const FontSettings& font);
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool v);
  const FontSettings& EffectiveFont() const;
  // The height of a line of text in the effective font; 13 before the form has a text renderer.
  int TextLineHeight() const;
  int Cursor() const { return cursor_; }
  void SetCursor(int cursor);
  std::string Hint;
  bool ShowHint = false;
  bool ParentShowHint = true;
  bool EffectiveShowHint() const;

  // Caption or text, for the classes that show one.
  const std::string& Caption() const { return caption_; }
  virtual void SetCaption(const std::string& caption);
  // The letter after a single "&" in the caption, upper-cased; 0 when none.
  char Accelerator() const;

  // --- focus (windowed controls only)
  virtual bool IsWindowed() const { return false; }
  int TabOrder = -1;
  bool TabStop = false;
  bool CanFocus() const;
  bool Focused() const;
  void SetFocus();

  // --- painting
  void Invalidate();
  virtual void Paint(Canvas& canvas);

  // --- events a user of the component hooks
  std::function<void(Component&)> OnClick;
  std::function<void(Component&)> OnDblClick;
  std::function<void(Component&, const MouseArgs&)> OnMouseDown;
  std::function<void(Component&, const MouseArgs&)> OnMouseMove;
  std::function<void(Component&, const MouseArgs&)> OnMouseUp;
  std::function<void(Component&)> OnMouseEnter;
  std::function<void(Component&)> OnMouseLeave;

  // Fires OnClick (buttons, check boxes and the like do their own work first).
  virtual void Click();
  virtual void DblClick();

  // --- hooks the form calls
  virtual void MouseDown(const MouseArgs& args);
  virtual void MouseMove(const MouseArgs& args);
  virtual void MouseUp(const MouseArgs& args);
  virtual void MouseEnter();
  virtual void MouseLeave();
  // Keys while focused; return true when handled (the form then does nothing more with it).
  virtual bool KeyDown(int key, unsigned modifiers);
  virtual bool KeyUp(int key, unsigned modifiers);
  virtual bool KeyChar(char32_t ch);
  // Whether Enter, Escape or arrow keys go to this control before the form's own use of them.
  virtual bool WantsReturn() const { return false; }
  virtual bool WantsArrows() const { return false; }
  virtual void FocusChanged(bool /*focused*/) { Invalidate(); }
  virtual void Timer(int /*id*/) {}
  // The accelerator letter was pressed with Alt (or alone where the focus takes no text).
  virtual bool AcceleratorPressed();
  // Whether a press and release inside the control clicks it; controls that raise their own
  // clicks answer false.
  virtual bool WantsAutoClick() const { return true; }
  // Buttons of a dialog: Enter clicks the default one, Escape the cancel one.
  virtual bool IsDefaultButton() const { return false; }
  virtual bool IsCancelButton() const { return false; }
  // Push buttons: Enter and Space click the focused one.
  virtual bool IsButton() const { return false; }
  // All properties of a layout have been applied.
  virtual void Loaded() {}
  // The size changed (after SetBounds or alignment).
  virtual void Resized() {}

  // Lays out aligned children inside ClientRect, in the usual order: top, bottom, left,
  // right, then client; within each, in creation order.
  void Realign();

  // Starts or stops a timer that calls Timer(id) on this component while its form is open.
  void StartTimer(int id, uint32_t interval_ms);
  void StopTimer(int id);

 protected:
  std::string caption_;

 private:
  void SetBoundsQuiet(int left, int top, int width, int height);

  std::string class_name_;
  Component* parent_ = nullptr;
  std::vector<Component*> children_;
  FormWindow* form_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  Alignment align_ = Alignment::alNone;
  bool visible_ = true;
  bool enabled_ = true;
  ColorValue color_ = clBtnFace;
  bool parent_color_ = false;
  FontSettings font_;
  bool parent_font_ = true;
  int cursor_ = crDefault;
};

// The rectangle of a component in its form's client coordinates.
Rect FormRect(const Component& c);

}  // namespace lpc::widgets
