// Labels, push buttons (plain and with a glyph) and link labels.
#pragma once

#include "base/bitmap.h"
#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc::widgets {

// "TLabel", "TLinkLabel", "TButton", "TBitBtn".
void RegisterLabel(ClassRegistry& registry);
void RegisterLinkLabel(ClassRegistry& registry);
void RegisterButton(ClassRegistry& registry);
void RegisterBitmapButton(ClassRegistry& registry);

// Size of a caption in a font, measured with the form's text renderer (0 x 0 without one).
Size MeasureCaption(const Component& c, const std::string& text, int wrap_width, bool word_wrap);

class Label : public Component {
 public:
  enum Placement { tlTop, tlCenter, tlBottom };  // of the text, up and down
  Label();
  void Paint(Canvas& canvas) override;
  bool Transparent = false;
  bool WordWrap = false;
  TextAlignment Alignment = taLeftJustify;
  Placement Layout = tlTop;
  bool AutoSize = true;
  bool ShowAccelChar = true;
  // Each sets its field and repaints; those that change the text's extent refit the size.
  void SetTransparent(bool transparent);
  void SetWordWrap(bool word_wrap);
  void SetAlignment(TextAlignment alignment);
  void SetLayout(Placement layout);
  void SetAutoSize(bool auto_size);
  void SetShowAccelChar(bool show);
  void SetCaption(const std::string& caption) override;
  void Loaded() override { AdjustSize(); }
  // Fits the bounds to the caption when AutoSize is on: width and height, or only the height
  // when the text wraps.
  void AdjustSize();
};

// Blue underlined text with the hand cursor; a click runs OnClick.
class LinkLabel : public Label {
 public:
  LinkLabel();
  void Paint(Canvas& canvas) override;
};

class Button : public Component {
 public:
  Button();
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
  void FocusChanged(bool focused) override;
  void Click() override;
  bool Default = false;
  bool Cancel = false;
  int ModalResult = 0;  // closes the form with this result when clicked
  void SetDefault(bool is_default);  // repaints: the default button has a heavier frame

 protected:
  // The face with its frame, then returns the area left for the content.
  Rect PaintFace(Canvas& canvas);
  bool pressed_ = false;   // held with the pointer inside
  bool tracking_ = false;  // the left button went down on it
  bool space_down_ = false;
};

// A push button with an optional glyph: NumGlyphs cells side by side in one bitmap (up,
// disabled, down, ...), the colour of the bottom-left pixel drawn transparent.
class BitmapButton : public Button {
 public:
  enum GlyphLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
  // bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll
  enum ButtonKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry,
                    bkIgnore, bkAll };
  void Paint(Canvas& canvas) override;
  void Click() override;
  // Gives a kind's caption (where none is set), modal result and default/cancel role.
  void SetKind(ButtonKind kind);
  ButtonKind Kind() const { return kind_; }
  Bitmap Glyph;
  void SetGlyph(Bitmap glyph);
  int NumGlyphs = 1;
  GlyphLayout Layout = blGlyphLeft;
  int Spacing = 4;  // between glyph and caption
  int Margin = -1;  // from the edge to the glyph; -1 centres glyph and caption together

 private:
  ButtonKind kind_ = bkCustom;
};

}  // namespace lpc::widgets
