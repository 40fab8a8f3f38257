#include "widgets/stock_classes.h"

#include "base/paths.h"
#include "widgets/check_box.h"
#include "widgets/combo_box.h"
#include "widgets/edit.h"
#include "widgets/form.h"
#include "widgets/image.h"
#include "widgets/memo.h"
#include "widgets/page_control.h"
#include "widgets/panel.h"
#include "widgets/shape.h"
#include "widgets/spin_edit.h"
#include "widgets/standard_controls.h"
#include "widgets/window_style.h"
#include "widgets/track_bar.h"

namespace lpc::widgets {

const std::vector<std::string_view> kTextAlignmentNames = {"taLeftJustify", "taRightJustify",
                                                           "taCenter"};

void ApplyFontStyle(FontSettings& font, const std::vector<std::string>& style) {
  font.Bold = font.Italic = font.Underline = font.StrikeOut = false;
  for (const std::string& s : style) {
    if (SameText(s, "fsBold")) {
      font.Bold = true;
    } else if (SameText(s, "fsItalic")) {
      font.Italic = true;
    } else if (SameText(s, "fsUnderline")) {
      font.Underline = true;
    } else if (SameText(s, "fsStrikeOut")) {
      font.StrikeOut = true;
    } else {
      throw PropertyValueError();
    }
  }
}

std::string FontStyleText(const FontSettings& font) {
  std::string out;
  auto add = [&](bool on, const char* name) {
    if (!on) return;
    if (!out.empty()) out += ", ";
    out += name;
  };
  add(font.Bold, "fsBold");
  add(font.Italic, "fsItalic");
  add(font.Underline, "fsUnderline");
  add(font.StrikeOut, "fsStrikeOut");
  return "[" + out + "]";
}

namespace {

const std::vector<std::string_view> kAlignNames = {"alNone", "alTop",   "alBottom",
                                                   "alLeft", "alRight", "alClient"};

struct NamedCursor {
  const char* name;
  int value;
};
constexpr NamedCursor kCursors[] = {
    {"crDefault", crDefault},   {"crNone", crNone},         {"crArrow", crArrow},
    {"crCross", crCross},       {"crIBeam", crIBeam},       {"crSizeNESW", crSizeNESW},
    {"crSizeNS", crSizeNS},     {"crSizeNWSE", crSizeNWSE}, {"crSizeWE", crSizeWE},
    {"crUpArrow", crUpArrow},   {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
    {"crNoDrop", crNoDrop},     {"crHSplit", crHSplit},     {"crVSplit", crVSplit},
    {"crMultiDrag", crMultiDrag}, {"crSQLWait", crSQLWait}, {"crNo", crNo},
    {"crAppStart", crAppStart}, {"crHelp", crHelp},         {"crHandPoint", crHandPoint},
    {"crSize", crSizeAll},      {"crSizeAll", crSizeAll},
};

int CursorFromValue(const PropertyValue& v) {
  if (v.Is<int64_t>()) return ValueToInt32(v);
  const std::string name = ValueToIdentifier(v);
  for (const NamedCursor& c : kCursors) {
    if (SameText(name, c.name)) return c.value;
  }
  throw PropertyValueError();
}

std::string CursorText(int cursor) {
  for (const NamedCursor& c : kCursors) {
    if (c.value == cursor) return c.name;
  }
  return std::to_string(cursor);
}

}  // namespace

void RegisterForm(ClassRegistry& registry) {
  ClassInfo& info = registry.Add("TForm", "TWinControl", &RegisterWinControl,
                                 [] { return std::make_unique<FormWindow>(); });
  Published<FormWindow> p(info);
  p.String("Caption", &FormWindow::SetCaption, &FormWindow::Caption);
  p.Int(
      "ClientWidth", [](FormWindow& f, int v) { f.SetClientSize(v, f.Height()); },
      [](const FormWindow& f) { return f.ClientWidth(); });
  p.Int(
      "ClientHeight", [](FormWindow& f, int v) { f.SetClientSize(f.Width(), v); },
      [](const FormWindow& f) { return f.ClientHeight(); });
  // A form's Width and Height count its frame, as designers write them.
  p.Int(
      "Width", [](FormWindow& f, int v) { f.SetOuterWidth(v); },
      [](const FormWindow& f) { return f.Width() + kFrameWidth; });
  p.Int(
      "Height", [](FormWindow& f, int v) { f.SetOuterHeight(v); },
      [](const FormWindow& f) { return f.Height() + kFrameHeight; });
  p.Bool("KeyPreview", [](FormWindow& f, bool v) { f.KeyPreview = v; });
  p.Reference("ActiveControl", [](FormWindow& f, Component& c) { f.ActiveControl = &c; });
  PublishWindowStyle(p);
  for (const char* name :
       {"AutoScroll", "OldCreateOrder", "PixelsPerInch", "TextHeight", "Scaled",
        "Icon.Data", "Menu", "HorzScrollBar.Range", "HorzScrollBar.Visible",
        "VertScrollBar.Range", "VertScrollBar.Visible", "AlphaBlend", "AlphaBlendValue",
        "TransparentColor", "TransparentColorValue", "DefaultMonitor", "PrintScale",
        "WindowMenu", "ObjectMenuItem", "Ctl3D", "UseDockManager", "DockSite", "DragKind",
        "DragMode", "HelpFile", "Visible"}) {
    p.Ignored(name);
  }
}

void PublishControlProperties(Published<Component>& p) {
  p.Int("Left", &Component::SetLeft, &Component::Left);
  p.Int("Top", &Component::SetTop, &Component::Top);
  p.Int("Width", &Component::SetWidth, &Component::Width);
  p.Int("Height", &Component::SetHeight, &Component::Height);
  p.Int("Tag", [](Component& c, int v) { c.Tag = v; }, [](const Component& c) { return c.Tag; });
  p.Enum<Alignment>("Align", kAlignNames, &Component::SetAlign, &Component::Align);
  p.Bool("Visible", &Component::SetVisible, &Component::Visible);
  p.Bool("Enabled", &Component::SetEnabled, &Component::Enabled);
  p.ColorProp("Color", &Component::SetColor, &Component::Color);
  p.Bool("ParentColor", &Component::SetParentColor, &Component::ParentColor);
  PublishFont<Component>(p, "Font", [](Component& c) -> FontSettings& { return c.MutableFont(); });
  p.Bool("ParentFont", &Component::SetParentFont, &Component::ParentFont);
  p.Raw("Cursor", [](Component& c, const PropertyValue& v) { c.SetCursor(CursorFromValue(v)); },
        [](const Component& c) { return CursorText(c.Cursor()); });
  p.String("Hint", [](Component& c, const std::string& v) { c.Hint = v; },
           [](const Component& c) { return c.Hint; });
  p.Bool("ShowHint", [](Component& c, bool v) {
    c.ShowHint = v;
    c.ParentShowHint = false;
  }, [](const Component& c) { return c.ShowHint; });
  p.Bool("ParentShowHint", [](Component& c, bool v) { c.ParentShowHint = v; });
  // Kept by designers and honoured by nothing here: the layouts place controls absolutely.
  for (const char* name :
       {"Anchors", "Constraints.MinWidth", "Constraints.MinHeight", "Constraints.MaxWidth",
        "Constraints.MaxHeight", "DragCursor", "DragKind", "DragMode", "PopupMenu",
        "HelpContext", "HelpType", "HelpKeyword", "BiDiMode", "ParentBiDiMode", "DesignSize",
        "Margins.Left", "Margins.Top", "Margins.Right", "Margins.Bottom", "AlignWithMargins"}) {
    p.Ignored(name);
  }
}

void RegisterControl(ClassRegistry& registry) {
  Published<Component> p(
      registry.Add("TControl", "", [] { return std::make_unique<Component>(); }));
  PublishControlProperties(p);
}

void RegisterGraphicControl(ClassRegistry& registry) {
  registry.Add("TGraphicControl", "TControl", &RegisterControl,
               [] { return std::make_unique<Component>(); });
}

void RegisterWinControl(ClassRegistry& registry) {
  Published<Component> p(registry.Add("TWinControl", "TControl", &RegisterControl,
                                      [] { return std::make_unique<Component>(); }));
  p.Int(
      "TabOrder", [](Component& c, int v) { c.TabOrder = v; },
      [](const Component& c) { return c.TabOrder; });
  p.Bool(
      "TabStop", [](Component& c, bool v) { c.TabStop = v; },
      [](const Component& c) { return c.TabStop; });
  p.Ignored({"Ctl3D", "ParentCtl3D", "ImeMode", "ImeName", "UseDockManager", "DockSite"});
}

void RegisterStockClasses(ClassRegistry& registry) {
  for (RegisterFunction register_class :
       {&RegisterControl,  &RegisterGraphicControl, &RegisterWinControl,  &RegisterForm,
        &RegisterLabel,    &RegisterLinkLabel,      &RegisterButton,      &RegisterBitmapButton,
        &RegisterCheckBox, &RegisterPanel,          &RegisterBevel,       &RegisterShape,
        &RegisterClickableShape,  &RegisterImage,          &RegisterPageControl, &RegisterTabSheet,
        &RegisterEdit,     &RegisterMemo,         &RegisterMemoUnderStockName,        &RegisterComboBox,
        &RegisterSpinEdit, &RegisterTrackBar}) {
    register_class(registry);
  }
}

}  // namespace lpc::widgets
