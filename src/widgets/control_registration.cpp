// The published properties of the stock controls: what layouts set (each honoured), and what
// form designers write beside it (accepted where this toolkit has nothing to do with it).
#include "base/paths.h"
#include "widgets/check_box.h"
#include "widgets/combo_box.h"
#include "widgets/edit.h"
#include "widgets/form.h"
#include "widgets/image.h"
#include "widgets/memo.h"
#include "widgets/page_control.h"
#include "widgets/panel.h"
#include "widgets/picture_data.h"
#include "widgets/shape.h"
#include "widgets/spin_edit.h"
#include "widgets/standard_controls.h"
#include "widgets/track_bar.h"

namespace lpc::widgets {

namespace {

const std::vector<std::string_view> kAlignment = {"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string_view> kBorderStyle = {"bsNone", "bsSingle"};
const std::vector<std::string_view> kModalResults = {
    "mrNone",  "mrOk", "mrCancel", "mrAbort",     "mrRetry",    "mrIgnore",
    "mrYes",   "mrNo", "mrAll",    "mrNoToAll",   "mrYesToAll", "mrClose"};

template <typename T>
void Ignore(Published<T>& p, std::initializer_list<const char*> names) {
  for (const char* name : names) p.Ignored(name);
}

template <typename T>
void PublishCaption(Published<T>& p) {
  p.String("Caption", [](T& c, const std::string& v) { c.SetCaption(v); },
           [](const T& c) { return c.Caption(); });
}

// ModalResult = mrOk, or the number a designer writes for it.
template <typename T>
void PublishModalResult(Published<T>& p) {
  p.Raw("ModalResult", [](T& c, const PropertyValue& v) {
    c.ModalResult = v.Is<int64_t>() ? ValueToInt32(v) : ValueToEnum(v, kModalResults);
  }, [](const T& c) { return std::to_string(c.ModalResult); });
}

// PasswordChar = '*', or #0 for none, or a character code.
char ValueToChar(const PropertyValue& v) {
  if (v.Is<int64_t>()) return static_cast<char>(ValueToInt32(v) & 0xFF);
  const std::string s = ValueToString(v);
  if (s.size() > 1) throw PropertyValueError();
  return s.empty() ? '\0' : s[0];
}

// What designers write on every windowed control of a newer version and this toolkit ignores.
template <typename T>
void IgnoreDesignerExtras(Published<T>& p) {
  Ignore(p, {"DoubleBuffered", "ParentDoubleBuffered", "StyleElements", "Touch.InteractiveGestures",
             "Touch.InteractiveGestureOptions", "Touch.ParentTabletOptions", "Touch.TabletOptions",
             "Touch.ParentTabletOptions", "Padding.Left", "Padding.Top", "Padding.Right",
             "Padding.Bottom", "ExplicitLeft", "ExplicitTop", "ExplicitWidth",
             "ExplicitHeight", "CustomHint", "StyleName"});
}

void RegisterLabels(ClassRegistry& registry) {
  {
    Published<TLabel> p(registry.Add("TLabel", "TGraphicControl", [] { return std::make_unique<TLabel>(); }));
    PublishCaption(p);
    p.Bool("Transparent", [](TLabel& c, bool v) { c.Transparent = v; c.Invalidate(); },
           [](const TLabel& c) { return c.Transparent; });
    p.Bool("WordWrap", [](TLabel& c, bool v) { c.WordWrap = v; c.AdjustSize(); c.Invalidate(); },
           [](const TLabel& c) { return c.WordWrap; });
    p.Bool("AutoSize", [](TLabel& c, bool v) { c.AutoSize = v; c.AdjustSize(); },
           [](const TLabel& c) { return c.AutoSize; });
    p.Enum("Alignment", kAlignment, [](TLabel& c, int v) { c.Alignment = v; c.Invalidate(); },
           [](const TLabel& c) { return c.Alignment; });
    p.Enum("Layout", {"tlTop", "tlCenter", "tlBottom"},
           [](TLabel& c, int v) { c.Layout = v; c.Invalidate(); },
           [](const TLabel& c) { return c.Layout; });
    p.Bool("ShowAccelChar", [](TLabel& c, bool v) { c.ShowAccelChar = v; c.Invalidate(); });
    Ignore(p, {"FocusControl", "EllipsisPosition", "GlowSize", "Touch.InteractiveGestures",
               "Touch.InteractiveGestureOptions", "StyleElements", "ExplicitLeft", "ExplicitTop",
               "ExplicitWidth", "ExplicitHeight"});
  }
  {
    Published<TLinkLabel> p(
        registry.Add("TLinkLabel", "TLabel", [] { return std::make_unique<TLinkLabel>(); }));
    Ignore(p, {"UseVisualStyle", "TabOrder", "TabStop"});
  }
}

void RegisterButtons(ClassRegistry& registry) {
  {
    Published<TButton> p(registry.Add("TButton", "TWinControl", [] { return std::make_unique<TButton>(); }));
    PublishCaption(p);
    p.Bool("Default", [](TButton& c, bool v) { c.Default = v; c.Invalidate(); },
           [](const TButton& c) { return c.Default; });
    p.Bool("Cancel", [](TButton& c, bool v) { c.Cancel = v; },
           [](const TButton& c) { return c.Cancel; });
    PublishModalResult(p);
    Ignore(p, {"WordWrap", "Style", "ImageIndex", "Images", "ImageAlignment", "ImageMargins.Left",
               "ImageMargins.Top", "ImageMargins.Right", "ImageMargins.Bottom", "HotImageIndex",
               "PressedImageIndex", "SelectedImageIndex", "DisabledImageIndex",
               "ElevationRequired", "CommandLinkHint", "DropDownMenu", "Action"});
    IgnoreDesignerExtras(p);
  }
  {
    Published<TBitBtn> p(registry.Add("TBitBtn", "TButton", [] { return std::make_unique<TBitBtn>(); }));
    p.Raw("Glyph.Data", [](TBitBtn& c, const PropertyValue& v) {
      c.Glyph = DecodeBitmapData(ValueToBinary(v));
      c.Invalidate();
    });
    p.Int("NumGlyphs", [](TBitBtn& c, int v) {
      if (v < 1 || v > 4) throw PropertyValueError();
      c.NumGlyphs = v;
    }, [](const TBitBtn& c) { return c.NumGlyphs; });
    p.Enum("Layout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"},
           [](TBitBtn& c, int v) { c.Layout = v; }, [](const TBitBtn& c) { return c.Layout; });
    p.Int("Spacing", [](TBitBtn& c, int v) { c.Spacing = v; },
          [](const TBitBtn& c) { return c.Spacing; });
    p.Int("Margin", [](TBitBtn& c, int v) { c.Margin = v; },
          [](const TBitBtn& c) { return c.Margin; });
    p.Enum("Kind", {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose",
                    "bkAbort", "bkRetry", "bkIgnore", "bkAll"},
           [](TBitBtn& c, int v) { c.SetKind(v); }, [](const TBitBtn& c) { return c.Kind(); });
    Ignore(p, {"Style"});
  }
}

void RegisterCheckBox(ClassRegistry& registry) {
  Published<TCheckBox> p(registry.Add("TCheckBox", "TWinControl", [] { return std::make_unique<TCheckBox>(); }));
  PublishCaption(p);
  p.Bool("Checked", [](TCheckBox& c, bool v) { c.SetChecked(v); },
         [](const TCheckBox& c) { return c.Checked(); });
  p.Enum("State", {"cbUnchecked", "cbChecked", "cbGrayed"},
         [](TCheckBox& c, int v) { c.SetState(v); }, [](const TCheckBox& c) { return c.State(); });
  p.Bool("AllowGrayed", [](TCheckBox& c, bool v) { c.AllowGrayed = v; });
  p.Enum("Alignment", {"taLeftJustify", "taRightJustify"},
         [](TCheckBox& c, int v) { c.Alignment = v; c.Invalidate(); },
         [](const TCheckBox& c) { return c.Alignment; });
  p.Bool("WordWrap", [](TCheckBox& c, bool v) { c.WordWrap = v; c.Invalidate(); });
  Ignore(p, {"Action", "ParentBackground"});
  IgnoreDesignerExtras(p);
}

void RegisterPanels(ClassRegistry& registry) {
  const std::vector<std::string_view> cuts = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
  {
    Published<TPanel> p(registry.Add("TPanel", "TWinControl", [] { return std::make_unique<TPanel>(); }));
    PublishCaption(p);
    p.Enum("BevelInner", cuts, [](TPanel& c, int v) {
      c.SetBevels(v, c.BevelOuter(), c.BevelWidth(), c.BorderWidth());
    }, [](const TPanel& c) { return c.BevelInner(); });
    p.Enum("BevelOuter", cuts, [](TPanel& c, int v) {
      c.SetBevels(c.BevelInner(), v, c.BevelWidth(), c.BorderWidth());
    }, [](const TPanel& c) { return c.BevelOuter(); });
    p.Int("BevelWidth", [](TPanel& c, int v) {
      if (v < 1) throw PropertyValueError();
      c.SetBevels(c.BevelInner(), c.BevelOuter(), v, c.BorderWidth());
    }, [](const TPanel& c) { return c.BevelWidth(); });
    p.Int("BorderWidth", [](TPanel& c, int v) {
      if (v < 0) throw PropertyValueError();
      c.SetBevels(c.BevelInner(), c.BevelOuter(), c.BevelWidth(), v);
    }, [](const TPanel& c) { return c.BorderWidth(); });
    p.Enum("BorderStyle", kBorderStyle, [](TPanel& c, int v) {
      c.BorderSingle = v == 1;
      c.Realign();
      c.Invalidate();
    });
    p.Enum("Alignment", kAlignment, [](TPanel& c, int v) { c.Alignment = v; c.Invalidate(); },
           [](const TPanel& c) { return c.Alignment; });
    Ignore(p, {"FullRepaint", "Locked", "ParentBackground", "BevelKind", "BevelEdges",
               "ShowCaption", "VerticalAlignment", "AutoSize", "DockSite", "UseDockManager"});
    IgnoreDesignerExtras(p);
  }
  {
    Published<TMyBevel> p(registry.Add("TMyBevel", "TGraphicControl", [] { return std::make_unique<TMyBevel>(); }));
    p.Enum("Shape", {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine",
                     "bsRightLine", "bsSpacer"},
           [](TMyBevel& c, int v) { c.BevelShape = v; c.Invalidate(); },
           [](const TMyBevel& c) { return c.BevelShape; });
    p.Enum("Style", {"bsLowered", "bsRaised"},
           [](TMyBevel& c, int v) { c.BevelStyle = v; c.Invalidate(); },
           [](const TMyBevel& c) { return c.BevelStyle; });
    // Its mouse events come from the action table, not from the layout.
    Ignore(p, {"OnClick", "OnMouseDown", "OnMouseMove", "OnMouseUp"});
  }
}

void RegisterShapes(ClassRegistry& registry) {
  {
    Published<TShape> p(registry.Add("TShape", "TGraphicControl", [] { return std::make_unique<TShape>(); }));
    p.Enum("Shape", {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse",
                     "stCircle"},
           [](TShape& c, int v) { c.Shape = v; c.Invalidate(); },
           [](const TShape& c) { return c.Shape; });
    p.ColorProp("Brush.Color", [](TShape& c, TColor v) { c.Brush.Color = v; c.Invalidate(); },
                [](const TShape& c) { return c.Brush.Color; });
    p.Enum("Brush.Style", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                           "bsBDiagonal", "bsCross", "bsDiagCross"},
           [](TShape& c, int v) { c.Brush.Style = v; c.Invalidate(); },
           [](const TShape& c) { return c.Brush.Style; });
    p.ColorProp("Pen.Color", [](TShape& c, TColor v) { c.Pen.Color = v; c.Invalidate(); },
                [](const TShape& c) { return c.Pen.Color; });
    p.Int("Pen.Width", [](TShape& c, int v) {
      // A pen as wide as a screen is a mistake in the layout, not a drawing.
      if (v < 0 || v > 10000) throw PropertyValueError();
      c.Pen.Width = v;
      c.Invalidate();
    }, [](const TShape& c) { return c.Pen.Width; });
    p.Enum("Pen.Style", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear",
                         "psInsideFrame"},
           [](TShape& c, int v) { c.Pen.Style = v; c.Invalidate(); },
           [](const TShape& c) { return c.Pen.Style; });
    Ignore(p, {"Pen.Mode"});
  }
  // The clickable shape: its mouse events come from the action table, not from the layout.
  Published<TMyShape> p(registry.Add("TMyShape", "TShape", [] { return std::make_unique<TMyShape>(); }));
  Ignore(p, {"OnClick", "OnMouseDown", "OnMouseMove", "OnMouseUp"});
}

void RegisterImage(ClassRegistry& registry) {
  Published<TImage> p(registry.Add("TImage", "TGraphicControl", [] { return std::make_unique<TImage>(); }));
  p.Raw("Picture.Data", [](TImage& c, const PropertyValue& v) {
    c.SetPicture(DecodePictureData(ValueToBinary(v)));
  });
  p.Bool("Stretch", [](TImage& c, bool v) { c.Stretch = v; c.Invalidate(); },
         [](const TImage& c) { return c.Stretch; });
  p.Bool("Center", [](TImage& c, bool v) { c.Center = v; c.Invalidate(); },
         [](const TImage& c) { return c.Center; });
  p.Bool("Transparent", [](TImage& c, bool v) { c.Transparent = v; c.Invalidate(); },
         [](const TImage& c) { return c.Transparent; });
  p.Bool("Proportional", [](TImage& c, bool v) { c.Proportional = v; c.Invalidate(); },
         [](const TImage& c) { return c.Proportional; });
  p.Bool("AutoSize", [](TImage& c, bool v) { c.AutoSize = v; c.AdjustSize(); },
         [](const TImage& c) { return c.AutoSize; });
  Ignore(p, {"IncrementalDisplay"});
}

void RegisterPages(ClassRegistry& registry) {
  {
    ClassInfo& info = registry.Add("TPageControl", "TWinControl", [] { return std::make_unique<TPageControl>(); });
    Published<TPageControl> p(info);
    p.Raw("ActivePage", [](TPageControl& c, const PropertyValue& v) {
      Component* page = c.Form() ? c.Form()->FindComponent(ValueToIdentifier(v)) : nullptr;
      auto* sheet = dynamic_cast<TTabSheet*>(page);
      if (!sheet || sheet->Parent() != &c) throw PropertyValueError();
      c.SetActivePage(sheet);
    }, [](const TPageControl& c) { return c.ActivePage() ? c.ActivePage()->Name : ""; });
    p.Int("TabIndex", [](TPageControl& c, int v) { c.SetTabIndex(v); },
          [](const TPageControl& c) { return c.TabIndex(); });
    p.Bool("HotTrack", [](TPageControl& c, bool v) { c.HotTrack = v; },
           [](const TPageControl& c) { return c.HotTrack; });
    p.Enum("Style", {"tsTabs", "tsButtons", "tsFlatButtons"},
           [](TPageControl& c, int v) { c.Style = v; c.Realign(); c.Invalidate(); },
           [](const TPageControl& c) { return c.Style; });
    p.Enum("TabPosition", {"tpTop", "tpBottom", "tpLeft", "tpRight"},
           [](TPageControl& c, int v) { c.TabPosition = v; c.Realign(); c.Invalidate(); });
    p.Int("TabHeight", [](TPageControl& c, int v) { c.TabHeight = std::clamp(v, 0, 1000); c.Realign(); });
    p.Int("TabWidth", [](TPageControl& c, int v) { c.TabWidth = std::clamp(v, 0, 10000); });
    p.Bool("MultiLine", [](TPageControl& c, bool v) { c.MultiLine = v; });
    Ignore(p, {"Tabs", "Tabs.Strings", "OwnerDraw", "RaggedRight", "ScrollOpposite", "Images",
               "ParentBackground"});
    IgnoreDesignerExtras(p);
    // The page it names exists once every component does.
    for (PropertyInfo& property : info.properties) {
      if (SameText(property.name, "ActivePage")) property.deferred = true;
    }
  }
  Published<TTabSheet> p(registry.Add("TTabSheet", "TWinControl", [] { return std::make_unique<TTabSheet>(); }));
  PublishCaption(p);
  p.Bool("TabVisible", [](TTabSheet& c, bool v) {
    c.TabVisible = v;
    if (c.Parent()) c.Parent()->Invalidate();
  }, [](const TTabSheet& c) { return c.TabVisible; });
  p.Int("ImageIndex", [](TTabSheet& c, int v) { c.ImageIndex = v; });
  p.Bool("Highlighted", [](TTabSheet& c, bool v) { c.Highlighted = v; });
  // The pages keep the order they were made in.
  Ignore(p, {"PageIndex", "PageControl", "ParentBackground"});
  IgnoreDesignerExtras(p);
}

template <typename T>
void PublishEditCommon(Published<T>& p) {
  p.Bool("ReadOnly", [](T& c, bool v) { c.ReadOnly = v; c.Invalidate(); },
         [](const T& c) { return c.ReadOnly; });
  p.Enum("BorderStyle", kBorderStyle, [](T& c, int v) {
    c.BorderSingle = v == 1;
    c.Invalidate();
  }, [](const T& c) { return c.BorderSingle ? 1 : 0; });
  IgnoreDesignerExtras(p);
  Ignore(p, {"OEMConvert", "ImeMode", "ImeName", "BevelKind", "BevelInner", "BevelOuter",
             "BevelEdges", "ParentBackground"});
}

void RegisterEdit(ClassRegistry& registry) {
  Published<TEdit> p(registry.Add("TEdit", "TWinControl", [] { return std::make_unique<TEdit>(); }));
  p.String("Text", [](TEdit& c, const std::string& v) { c.SetText(v); },
           [](const TEdit& c) { return c.Text(); });
  PublishEditCommon(p);
  p.Bool("Ctl3D", [](TEdit& c, bool v) { c.Ctl3D = v; c.Invalidate(); },
         [](const TEdit& c) { return c.Ctl3D; });
  p.Int("MaxLength", [](TEdit& c, int v) {
    if (v < 0) throw PropertyValueError();
    c.MaxLength = v;
  }, [](const TEdit& c) { return c.MaxLength; });
  p.Raw("PasswordChar", [](TEdit& c, const PropertyValue& v) {
    c.PasswordChar = ValueToChar(v);
    c.Invalidate();
  });
  p.Enum("CharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"},
         [](TEdit& c, int v) { c.CharCaseMode = v; c.SetText(c.Text()); },
         [](const TEdit& c) { return c.CharCaseMode; });
  p.Bool("AutoSelect", [](TEdit& c, bool v) { c.AutoSelect = v; });
  p.Bool("HideSelection", [](TEdit& c, bool v) { c.HideSelection = v; });
  Ignore(p, {"AutoSize", "NumbersOnly", "TextHint", "Alignment"});
}

void RegisterMemo(ClassRegistry& registry) {
  for (const char* name : {"TMyMemo", "TMemo"}) {
    Published<TMyMemo> p(registry.Add(name, "TWinControl", [] { return std::make_unique<TMyMemo>(); }));
    p.String("Text", [](TMyMemo& c, const std::string& v) { c.SetText(v); },
             [](const TMyMemo& c) { return c.Text(); });
    p.Raw("Lines.Strings", [](TMyMemo& c, const PropertyValue& v) { c.SetLines(ValueToStrings(v)); });
    p.Raw("Lines", [](TMyMemo& c, const PropertyValue& v) { c.SetLines(ValueToStrings(v)); });
    PublishEditCommon(p);
    p.Bool("WordWrap", [](TMyMemo& c, bool v) { c.WordWrap = v; c.Invalidate(); },
           [](const TMyMemo& c) { return c.WordWrap; });
    p.Enum("ScrollBars", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"},
           [](TMyMemo& c, int v) { c.ScrollBarsMode = v; c.Invalidate(); });
    p.Enum("Alignment", kAlignment, [](TMyMemo& c, int v) { c.Alignment = v; c.Invalidate(); });
    Ignore(p, {"MaxLength", "WantReturns", "WantTabs", "HideSelection", "Ctl3D"});
  }
}

void RegisterDialogControls(ClassRegistry& registry) {
  {
    Published<TComboBox> p(registry.Add("TComboBox", "TWinControl", [] { return std::make_unique<TComboBox>(); }));
    p.Raw("Items.Strings", [](TComboBox& c, const PropertyValue& v) { c.Items = ValueToStrings(v); });
    p.Int("ItemIndex", [](TComboBox& c, int v) { c.SetItemIndex(v); },
          [](const TComboBox& c) { return c.ItemIndex(); });
    p.Int("DropDownCount", [](TComboBox& c, int v) { c.DropDownCount = std::clamp(v, 1, 100); });
    // Only the list style exists; the others are taken as it.
    p.Enum("Style", {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed",
                     "csOwnerDrawVariable"},
           [](TComboBox&, int) {});
    Ignore(p, {"Text", "Sorted", "ItemHeight", "CharCase", "MaxLength", "AutoComplete",
               "AutoDropDown", "AutoCloseUp", "ParentBackground"});
    IgnoreDesignerExtras(p);
  }
  {
    Published<TSpinEdit> p(registry.Add("TSpinEdit", "TEdit", [] { return std::make_unique<TSpinEdit>(); }));
    p.Int("MinValue", [](TSpinEdit& c, int v) { c.MinValue = v; c.SetValue(c.Value()); });
    p.Int("MaxValue", [](TSpinEdit& c, int v) { c.MaxValue = v; c.SetValue(c.Value()); });
    p.Int("Value", [](TSpinEdit& c, int v) { c.SetValue(v); },
          [](const TSpinEdit& c) { return c.Value(); });
    p.Int("Increment", [](TSpinEdit& c, int v) { c.Increment = v; });
    Ignore(p, {"EditorEnabled"});
  }
  {
    Published<TTrackBar> p(registry.Add("TTrackBar", "TWinControl", [] { return std::make_unique<TTrackBar>(); }));
    p.Int("Min", [](TTrackBar& c, int v) { c.Min = v; c.SetPosition(c.Position()); });
    p.Int("Max", [](TTrackBar& c, int v) { c.Max = v; c.SetPosition(c.Position()); });
    p.Int("Position", [](TTrackBar& c, int v) { c.SetPosition(v); },
          [](const TTrackBar& c) { return c.Position(); });
    p.Int("Frequency", [](TTrackBar& c, int v) { c.Frequency = std::max(1, v); });
    p.Int("LineSize", [](TTrackBar& c, int v) { c.LineSize = v; });
    p.Int("PageSize", [](TTrackBar& c, int v) { c.PageSize = v; });
    p.Enum("TickStyle", {"tsNone", "tsAuto", "tsManual"},
           [](TTrackBar& c, int v) { c.ShowTicks = v != 0; c.Invalidate(); });
    // Horizontal only, ticks below the channel.
    Ignore(p, {"Orientation", "TickMarks", "SelStart", "SelEnd", "ThumbLength",
               "SliderVisible", "ShowSelRange", "PositionToolTip", "ParentBackground"});
    IgnoreDesignerExtras(p);
  }
}

}  // namespace

void RegisterStandardControls(ClassRegistry& registry) {
  RegisterLabels(registry);
  RegisterButtons(registry);
  RegisterCheckBox(registry);
  RegisterPanels(registry);
  RegisterShapes(registry);
  RegisterImage(registry);
  RegisterPages(registry);
  RegisterTextControls(registry);
}

void RegisterTextControls(ClassRegistry& registry) {
  RegisterEdit(registry);
  RegisterMemo(registry);
  RegisterDialogControls(registry);
}

}  // namespace lpc::widgets
