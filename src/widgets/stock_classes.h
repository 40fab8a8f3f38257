// The toolkit's stock classes: the base classes every control derives from and the properties
// they publish, TForm, and the list of every stock class. Each control class registers itself
// in its own file; the helpers below are what several of them publish alike.
#pragma once

#include <string_view>
#include <vector>

#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc::widgets {

// Registers every stock class: the base classes TControl, TWinControl and TGraphicControl,
// FormWindow, and the controls (labels, buttons, text boxes, panels, shapes, pictures, pages,
// drop-down lists, spin boxes, track bars), each through its own registration.
void RegisterStockClasses(ClassRegistry& registry);

// The base classes: TControl publishes what every control has, TGraphicControl is a control
// without a window of its own, TWinControl adds TabOrder and TabStop.
void RegisterControl(ClassRegistry& registry);
void RegisterGraphicControl(ClassRegistry& registry);
void RegisterWinControl(ClassRegistry& registry);
// TForm (FormWindow): the window and its style.
void RegisterForm(ClassRegistry& registry);

// taLeftJustify, taRightJustify, taCenter.
extern const std::vector<std::string_view> kTextAlignmentNames;

template <typename T>
void PublishCaption(Published<T>& p) {
  p.String(
      "Caption", [](T& c, const std::string& v) { c.SetCaption(v); },
      [](const T& c) { return c.Caption(); });
}

// What designers write on every windowed control of a newer version and this toolkit ignores.
template <typename T>
void IgnoreDesignerExtras(Published<T>& p) {
  p.Ignored({"DoubleBuffered", "ParentDoubleBuffered", "StyleElements", "Touch.InteractiveGestures",
             "Touch.InteractiveGestureOptions", "Touch.ParentTabletOptions", "Touch.TabletOptions",
             "Touch.ParentTabletOptions", "Padding.Left", "Padding.Top", "Padding.Right",
             "Padding.Bottom", "ExplicitLeft", "ExplicitTop", "ExplicitWidth", "ExplicitHeight",
             "CustomHint", "StyleName"});
}

// What every control publishes: bounds, Tag, Align, Anchors, Constraints, Visible, Enabled,
// Color/ParentColor, Font.*/ParentFont, Cursor, Hint/ShowHint/ParentShowHint and the designer's
// bookkeeping. Registered on TControl; windowed controls add TabOrder, TabStop, Ctl3D.
void PublishControlProperties(Published<Component>& p);
// Font.Name, Font.Height, Font.Size, Font.Style, Font.Color, Font.Charset, Font.Pitch on a
// font reached through `font` (a sub-object such as a grid's or a form's own font).
template <typename T>
void PublishFont(Published<T>& p, std::string prefix, std::function<FontSettings&(T&)> font);

// Font.Style: [fsBold, fsItalic, fsUnderline, fsStrikeOut].
void ApplyFontStyle(FontSettings& font, const std::vector<std::string>& style);
std::string FontStyleText(const FontSettings& font);

template <typename T>
void PublishFont(Published<T>& p, std::string prefix, std::function<FontSettings&(T&)> font) {
  p.String(prefix + ".Name", [font](T& c, const std::string& v) { font(c).Name = v; });
  p.Int(prefix + ".Height", [font](T& c, int v) { font(c).Height = v; });
  p.Int(prefix + ".Size", [font](T& c, int v) { font(c).SetSize(v); });
  p.ColorProp(prefix + ".Color", [font](T& c, ColorValue v) { font(c).Color = v; });
  p.Raw(prefix + ".Style", [font](T& c, const PropertyValue& v) {
    ApplyFontStyle(font(c), ValueToSet(v));
  });
  // Charset and Pitch: accepted; text is single-byte whatever they say.
  p.Raw(prefix + ".Charset", [font](T& c, const PropertyValue& v) {
    font(c).Charset = v.Is<int64_t>() ? ValueToInt32(v) : 1;
  });
  p.Ignored(prefix + ".Pitch");
}

}  // namespace lpc::widgets
