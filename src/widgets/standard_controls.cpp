#include "widgets/standard_controls.h"

#include <algorithm>

#include "base/paths.h"
#include "widgets/draw.h"
#include "widgets/form.h"
#include "widgets/geometry.h"
#include "widgets/picture_data.h"
#include "widgets/stock_classes.h"

namespace lpc::widgets {

Size MeasureCaption(const Component& c, const std::string& text, int wrap_width, bool word_wrap) {
  TextRenderer* renderer = c.Form() ? c.Form()->text_renderer() : nullptr;
  if (!renderer) return {0, 0};
  Bitmap scratch(1, 1);
  Canvas canvas(scratch);
  canvas.SetTextRenderer(renderer);
  canvas.Font = c.EffectiveFont().Resolved();
  return MeasureTextBlock(canvas, text, wrap_width, word_wrap);
}

Label::Label() {
  SetBounds(0, 0, 65, 13);
  SetParentColor(true);
}

void Label::SetCaption(const std::string& caption) {
  Component::SetCaption(caption);
  AdjustSize();
}

void Label::AdjustSize() {
  if (!AutoSize || !Form()) return;
  const std::string text = ShowAccelChar ? StripAccelerator(Caption()) : Caption();
  // An empty caption keeps a line's height, as it does in a designer.
  const Size line = MeasureCaption(*this, "Wg", 0, false);
  if (WordWrap) {
    const Size s = MeasureCaption(*this, text, Width(), true);
    SetBounds(Left(), Top(), Width(), std::max(s.height, line.height));
    return;
  }
  const Size s = MeasureCaption(*this, text, 0, false);
  if (line.height == 0) return;  // no text renderer: keep the designed size
  // A right-aligned label grows to the left, keeping its right edge.
  const int left = Alignment == taRightJustify ? Left() + Width() - s.width : Left();
  SetBounds(left, Top(), s.width, line.height);
}

void Label::SetTransparent(bool transparent) {
  Transparent = transparent;
  Invalidate();
}

void Label::SetWordWrap(bool word_wrap) {
  WordWrap = word_wrap;
  AdjustSize();
  Invalidate();
}

void Label::SetAlignment(TextAlignment alignment) {
  Alignment = alignment;
  Invalidate();
}

void Label::SetLayout(Placement layout) {
  Layout = layout;
  Invalidate();
}

void Label::SetAutoSize(bool auto_size) {
  AutoSize = auto_size;
  AdjustSize();
}

void Label::SetShowAccelChar(bool show) {
  ShowAccelChar = show;
  Invalidate();
}

void Label::Paint(Canvas& canvas) {
  const Rect r{0, 0, Width(), Height()};
  if (!Transparent) canvas.FillRect(r, ToRGB(EffectiveColor()));
  TextLayout layout;
  layout.halign = Alignment == taRightJustify ? HAlign::kRight
                  : Alignment == taCenter     ? HAlign::kCenter
                                              : HAlign::kLeft;
  layout.valign = Layout == tlCenter   ? VAlign::kCenter
                  : Layout == tlBottom ? VAlign::kBottom
                                       : VAlign::kTop;
  layout.word_wrap = WordWrap;
  layout.prefix = ShowAccelChar;
  layout.disabled = !EnabledInTree();
  DrawTextInRect(canvas, r, Caption(), layout);
}

LinkLabel::LinkLabel() { SetCursor(crHandPoint); }

void LinkLabel::Paint(Canvas& canvas) {
  // The parent's font, underlined and in the link blue; a font of its own keeps its colour.
  canvas.Font.underline = true;
  if (ParentFont()) canvas.FontColor = 0x0000FF;
  Label::Paint(canvas);
}

// --- push buttons

Button::Button() {
  SetBounds(0, 0, 75, 25);
  TabStop = true;
}

Rect Button::PaintFace(Canvas& canvas) {
  const Rect r{0, 0, Width(), Height()};
  // The focused button, or the default one while no button has the focus, gets the black
  // default frame.
  const Component* focus = Form() ? Form()->FocusedControl() : nullptr;
  const bool is_default = Focused() || (Default && !(focus && focus->IsButton()));
  Rect face = DrawButtonFace(canvas, r, pressed_, is_default && EnabledInTree());
  if (pressed_) face = Rect{face.left + 1, face.top + 1, face.right + 1, face.bottom + 1};
  return face;
}

void Button::Paint(Canvas& canvas) {
  const Rect face = PaintFace(canvas);
  TextLayout layout{HAlign::kCenter, VAlign::kCenter, false, true, !EnabledInTree()};
  DrawTextInRect(canvas, face, Caption(), layout);
  if (Focused()) DrawFocusRect(canvas, Rect{4, 4, Width() - 4, Height() - 4});
}

void Button::MouseDown(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    tracking_ = true;
    pressed_ = true;
    Invalidate();
  }
  Component::MouseDown(args);
}

void Button::MouseMove(const MouseArgs& args) {
  if (tracking_) {
    const bool inside = args.x >= 0 && args.y >= 0 && args.x < Width() && args.y < Height();
    if (inside != pressed_) {
      pressed_ = inside;
      Invalidate();
    }
  }
  Component::MouseMove(args);
}

void Button::MouseUp(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    tracking_ = false;
    pressed_ = false;
    Invalidate();
  }
  Component::MouseUp(args);
}

bool Button::KeyDown(int key, unsigned) {
  if (key != platform::keys::kSpace) return false;
  space_down_ = pressed_ = true;
  Invalidate();
  return true;
}

bool Button::KeyUp(int key, unsigned) {
  if (key != platform::keys::kSpace || !space_down_) return false;
  space_down_ = pressed_ = false;
  Invalidate();
  Click();
  return true;
}

void Button::FocusChanged(bool focused) {
  if (!focused && space_down_) space_down_ = pressed_ = false;
  Invalidate();
}

void Button::SetDefault(bool is_default) {
  Default = is_default;
  Invalidate();
}

void Button::Click() {
  Component::Click();
  if (ModalResult != 0 && Form()) Form()->Close(ModalResult);
}

// --- buttons with a glyph

namespace {

struct KindInfo {
  const char* caption;
  int modal_result;
};
// Indexed by BitmapButton::ButtonKind. mrOk 1, mrCancel 2, mrAbort 3, mrRetry 4, mrIgnore 5, mrYes
// 6, mrNo 7, mrAll 8.
constexpr KindInfo kKinds[] = {
    {"", 0},           {"OK", 1},       {"Cancel", 2}, {"&Help", 0},
    {"&Yes", 6},       {"&No", 7},      {"&Close", 0}, {"Abort", 3},
    {"&Retry", 4},     {"&Ignore", 5},  {"&All", 8},
};

// Draws one cell of a glyph strip with its bottom-left colour left out.
void DrawGlyphCell(Canvas& canvas, int x, int y, const Bitmap& glyph, int cell, int cell_width,
                   bool grey) {
  const Color key = glyph.At(0, glyph.height() - 1);
  const Color light = ToRGB(clBtnHighlight);
  const Color shadow = ToRGB(clBtnShadow);
  for (int gy = 0; gy < glyph.height(); ++gy) {
    for (int gx = 0; gx < cell_width; ++gx) {
      const Color c = glyph.At(cell * cell_width + gx, gy);
      if (c == key) continue;
      if (!grey) {
        canvas.SetPixel(x + gx, y + gy, c);
        continue;
      }
      // One cell and disabled: dark pixels embossed, light ones dropped.
      const int lum = static_cast<int>(((c >> 16) & 0xFF) * 3 + ((c >> 8) & 0xFF) * 6 + (c & 0xFF)) / 10;
      if (lum < 192) {
        canvas.SetPixel(x + gx + 1, y + gy + 1, light);
        canvas.SetPixel(x + gx, y + gy, shadow);
      }
    }
  }
}

}  // namespace

void BitmapButton::SetKind(ButtonKind kind) {
  kind_ = static_cast<ButtonKind>(
      std::clamp(static_cast<int>(kind), 0, static_cast<int>(std::size(kKinds)) - 1));
  if (kind_ == bkCustom) return;
  if (Caption().empty()) SetCaption(kKinds[kind_].caption);
  ModalResult = kKinds[kind_].modal_result;
  if (kind_ == bkOK || kind_ == bkYes) Default = true;
  if (kind_ == bkCancel || kind_ == bkNo) Cancel = true;
}

void BitmapButton::SetGlyph(Bitmap glyph) {
  Glyph = std::move(glyph);
  Invalidate();
}

void BitmapButton::Click() {
  Button::Click();
  if (kind_ == bkClose && Form()) Form()->Close(platform::kModalCancel);
}

void BitmapButton::Paint(Canvas& canvas) {
  const Rect face = PaintFace(canvas);
  const bool enabled = EnabledInTree();
  const int cells = std::max(1, NumGlyphs);
  const int gw = Glyph.empty() ? 0 : Glyph.width() / cells;
  const int gh = gw > 0 ? Glyph.height() : 0;
  int underline = -1;
  const std::string text = StripAccelerator(Caption(), &underline);
  const Size ts = text.empty() ? Size{0, 0} : MeasureTextBlock(canvas, text, 0, false);
  const int spacing = gw > 0 && ts.width > 0 ? Spacing : 0;
  const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
  const int total = horizontal ? gw + spacing + ts.width : gh + spacing + ts.height;
  const int extent = horizontal ? face.Width() : face.Height();
  const int start = (horizontal ? face.left : face.top) +
                    (Margin < 0 ? (extent - total) / 2 : Margin);

  Point glyph_at{}, text_at{};
  if (horizontal) {
    glyph_at.y = face.top + (face.Height() - gh) / 2;
    text_at.y = face.top + (face.Height() - ts.height) / 2;
    if (Layout == blGlyphLeft) {
      glyph_at.x = start;
      text_at.x = start + gw + spacing;
    } else {
      text_at.x = start;
      glyph_at.x = start + ts.width + spacing;
    }
  } else {
    glyph_at.x = face.left + (face.Width() - gw) / 2;
    text_at.x = face.left + (face.Width() - ts.width) / 2;
    if (Layout == blGlyphTop) {
      glyph_at.y = start;
      text_at.y = start + gh + spacing;
    } else {
      text_at.y = start;
      glyph_at.y = start + ts.height + spacing;
    }
  }
  if (gw > 0) {
    int cell = 0;
    if (!enabled && cells > 1) cell = 1;
    if (enabled && pressed_ && cells > 2) cell = 2;
    canvas.SetClip(face);
    DrawGlyphCell(canvas, glyph_at.x, glyph_at.y, Glyph, cell, gw, !enabled && cells == 1);
    canvas.ClearClip();
  }
  if (!text.empty()) {
    TextLayout layout{HAlign::kLeft, VAlign::kTop, false, true, !enabled};
    const Rect tr = IntersectRect(Rect{text_at.x, text_at.y, text_at.x + ts.width + 2,
                                   text_at.y + ts.height},
                              face);
    DrawTextInRect(canvas, tr, Caption(), layout);
  }
  if (Focused()) DrawFocusRect(canvas, Rect{4, 4, Width() - 4, Height() - 4});
}

namespace {

const std::vector<std::string_view> kModalResults = {
    "mrNone", "mrOk", "mrCancel", "mrAbort",   "mrRetry",    "mrIgnore",
    "mrYes",  "mrNo", "mrAll",    "mrNoToAll", "mrYesToAll", "mrClose"};

}  // namespace

void RegisterLabel(ClassRegistry& registry) {
  Published<Label> p(registry.Add("TLabel", "TGraphicControl", &RegisterGraphicControl,
                                  [] { return std::make_unique<Label>(); }));
  PublishCaption(p);
  p.Bool("Transparent", &Label::SetTransparent, &Label::Transparent);
  p.Bool("WordWrap", &Label::SetWordWrap, &Label::WordWrap);
  p.Bool("AutoSize", &Label::SetAutoSize, &Label::AutoSize);
  p.Enum<TextAlignment>("Alignment", kTextAlignmentNames, &Label::SetAlignment, &Label::Alignment);
  p.Enum<Label::Placement>("Layout", {"tlTop", "tlCenter", "tlBottom"}, &Label::SetLayout,
                           &Label::Layout);
  p.Bool("ShowAccelChar", &Label::SetShowAccelChar);
  p.Ignored({"FocusControl", "EllipsisPosition", "GlowSize", "Touch.InteractiveGestures",
             "Touch.InteractiveGestureOptions", "StyleElements", "ExplicitLeft", "ExplicitTop",
             "ExplicitWidth", "ExplicitHeight"});
}

void RegisterLinkLabel(ClassRegistry& registry) {
  Published<LinkLabel> p(registry.Add("TLinkLabel", "TLabel", &RegisterLabel,
                                      [] { return std::make_unique<LinkLabel>(); }));
  p.Ignored({"UseVisualStyle", "TabOrder", "TabStop"});
}

void RegisterButton(ClassRegistry& registry) {
  Published<Button> p(registry.Add("TButton", "TWinControl", &RegisterWinControl,
                                   [] { return std::make_unique<Button>(); }));
  PublishCaption(p);
  p.Bool("Default", &Button::SetDefault, &Button::Default);
  p.Bool(
      "Cancel", [](Button& c, bool v) { c.Cancel = v; }, &Button::Cancel);
  // ModalResult = mrOk, or the number a designer writes for it.
  p.Raw(
      "ModalResult",
      [](Button& c, const PropertyValue& v) {
        c.ModalResult = v.Is<int64_t>() ? ValueToInt32(v) : ValueToEnum(v, kModalResults);
      },
      [](const Button& c) { return std::to_string(c.ModalResult); });
  p.Ignored({"WordWrap", "Style", "ImageIndex", "Images", "ImageAlignment", "ImageMargins.Left",
             "ImageMargins.Top", "ImageMargins.Right", "ImageMargins.Bottom", "HotImageIndex",
             "PressedImageIndex", "SelectedImageIndex", "DisabledImageIndex", "ElevationRequired",
             "CommandLinkHint", "DropDownMenu", "Action"});
  IgnoreDesignerExtras(p);
}

void RegisterBitmapButton(ClassRegistry& registry) {
  Published<BitmapButton> p(registry.Add("TBitBtn", "TButton", &RegisterButton,
                                         [] { return std::make_unique<BitmapButton>(); }));
  p.Raw("Glyph.Data", [](BitmapButton& c, const PropertyValue& v) {
    c.SetGlyph(DecodeBitmapData(ValueToBinary(v)));
  });
  p.Int(
      "NumGlyphs",
      [](BitmapButton& c, int v) {
        if (v < 1 || v > 4) throw PropertyValueError();
        c.NumGlyphs = v;
      },
      &BitmapButton::NumGlyphs);
  p.Enum<BitmapButton::GlyphLayout>(
      "Layout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"},
      [](BitmapButton& c, BitmapButton::GlyphLayout v) { c.Layout = v; }, &BitmapButton::Layout);
  p.Int(
      "Spacing", [](BitmapButton& c, int v) { c.Spacing = v; }, &BitmapButton::Spacing);
  p.Int(
      "Margin", [](BitmapButton& c, int v) { c.Margin = v; }, &BitmapButton::Margin);
  p.Enum<BitmapButton::ButtonKind>("Kind",
                                   {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo",
                                    "bkClose", "bkAbort", "bkRetry", "bkIgnore", "bkAll"},
                                   &BitmapButton::SetKind, &BitmapButton::Kind);
  p.Ignored("Style");
}

}  // namespace lpc::widgets
