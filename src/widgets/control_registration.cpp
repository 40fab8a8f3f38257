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
    Published<Label> p(
        registry.Add("TLabel", "TGraphicControl", [] { return std::make_unique<Label>(); }));
    PublishCaption(p);
    p.Bool(
        "Transparent",
        [](Label& c, bool v) {
          c.Transparent = v;
          c.Invalidate();
        },
        [](const Label& c) { return c.Transparent; });
    p.Bool(
        "WordWrap",
        [](Label& c, bool v) {
          c.WordWrap = v;
          c.AdjustSize();
          c.Invalidate();
        },
        [](const Label& c) { return c.WordWrap; });
    p.Bool(
        "AutoSize",
        [](Label& c, bool v) {
          c.AutoSize = v;
          c.AdjustSize();
        },
        [](const Label& c) { return c.AutoSize; });
    p.Enum(
        "Alignment", kAlignment,
        [](Label& c, int v) {
          c.Alignment = v;
          c.Invalidate();
        },
        [](const Label& c) { return c.Alignment; });
    p.Enum(
        "Layout", {"tlTop", "tlCenter", "tlBottom"},
        [](Label& c, int v) {
          c.Layout = v;
          c.Invalidate();
        },
        [](const Label& c) { return c.Layout; });
    p.Bool("ShowAccelChar", [](Label& c, bool v) {
      c.ShowAccelChar = v;
      c.Invalidate();
    });
    Ignore(p, {"FocusControl", "EllipsisPosition", "GlowSize", "Touch.InteractiveGestures",
               "Touch.InteractiveGestureOptions", "StyleElements", "ExplicitLeft", "ExplicitTop",
               "ExplicitWidth", "ExplicitHeight"});
  }
  {
    Published<LinkLabel> p(
        registry.Add("TLinkLabel", "TLabel", [] { return std::make_unique<LinkLabel>(); }));
    Ignore(p, {"UseVisualStyle", "TabOrder", "TabStop"});
  }
}

void RegisterButtons(ClassRegistry& registry) {
  {
    Published<Button> p(
        registry.Add("TButton", "TWinControl", [] { return std::make_unique<Button>(); }));
    PublishCaption(p);
    p.Bool(
        "Default",
        [](Button& c, bool v) {
          c.Default = v;
          c.Invalidate();
        },
        [](const Button& c) { return c.Default; });
    p.Bool(
        "Cancel", [](Button& c, bool v) { c.Cancel = v; },
        [](const Button& c) { return c.Cancel; });
    PublishModalResult(p);
    Ignore(p, {"WordWrap", "Style", "ImageIndex", "Images", "ImageAlignment", "ImageMargins.Left",
               "ImageMargins.Top", "ImageMargins.Right", "ImageMargins.Bottom", "HotImageIndex",
               "PressedImageIndex", "SelectedImageIndex", "DisabledImageIndex",
               "ElevationRequired", "CommandLinkHint", "DropDownMenu", "Action"});
    IgnoreDesignerExtras(p);
  }
  {
    Published<BitmapButton> p(
        registry.Add("TBitBtn", "TButton", [] { return std::make_unique<BitmapButton>(); }));
    p.Raw("Glyph.Data", [](BitmapButton& c, const PropertyValue& v) {
      c.Glyph = DecodeBitmapData(ValueToBinary(v));
      c.Invalidate();
    });
    p.Int(
        "NumGlyphs",
        [](BitmapButton& c, int v) {
          if (v < 1 || v > 4) throw PropertyValueError();
          c.NumGlyphs = v;
        },
        [](const BitmapButton& c) { return c.NumGlyphs; });
    p.Enum(
        "Layout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"},
        [](BitmapButton& c, int v) { c.Layout = v; },
        [](const BitmapButton& c) { return c.Layout; });
    p.Int(
        "Spacing", [](BitmapButton& c, int v) { c.Spacing = v; },
        [](const BitmapButton& c) { return c.Spacing; });
    p.Int(
        "Margin", [](BitmapButton& c, int v) { c.Margin = v; },
        [](const BitmapButton& c) { return c.Margin; });
    p.Enum(
        "Kind",
        {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort", "bkRetry",
         "bkIgnore", "bkAll"},
        [](BitmapButton& c, int v) { c.SetKind(v); },
        [](const BitmapButton& c) { return c.Kind(); });
    Ignore(p, {"Style"});
  }
}

void RegisterCheckBox(ClassRegistry& registry) {
  Published<CheckBox> p(
      registry.Add("TCheckBox", "TWinControl", [] { return std::make_unique<CheckBox>(); }));
  PublishCaption(p);
  p.Bool(
      "Checked", [](CheckBox& c, bool v) { c.SetChecked(v); },
      [](const CheckBox& c) { return c.Checked(); });
  p.Enum(
      "State", {"cbUnchecked", "cbChecked", "cbGrayed"}, [](CheckBox& c, int v) { c.SetState(v); },
      [](const CheckBox& c) { return c.State(); });
  p.Bool("AllowGrayed", [](CheckBox& c, bool v) { c.AllowGrayed = v; });
  p.Enum(
      "Alignment", {"taLeftJustify", "taRightJustify"},
      [](CheckBox& c, int v) {
        c.Alignment = v;
        c.Invalidate();
      },
      [](const CheckBox& c) { return c.Alignment; });
  p.Bool("WordWrap", [](CheckBox& c, bool v) {
    c.WordWrap = v;
    c.Invalidate();
  });
  Ignore(p, {"Action", "ParentBackground"});
  IgnoreDesignerExtras(p);
}

void RegisterPanels(ClassRegistry& registry) {
  const std::vector<std::string_view> cuts = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
  {
    Published<Panel> p(
        registry.Add("TPanel", "TWinControl", [] { return std::make_unique<Panel>(); }));
    PublishCaption(p);
    p.Enum(
        "BevelInner", cuts,
        [](Panel& c, int v) { c.SetBevels(v, c.BevelOuter(), c.BevelWidth(), c.BorderWidth()); },
        [](const Panel& c) { return c.BevelInner(); });
    p.Enum(
        "BevelOuter", cuts,
        [](Panel& c, int v) { c.SetBevels(c.BevelInner(), v, c.BevelWidth(), c.BorderWidth()); },
        [](const Panel& c) { return c.BevelOuter(); });
    p.Int(
        "BevelWidth",
        [](Panel& c, int v) {
          if (v < 1) throw PropertyValueError();
          c.SetBevels(c.BevelInner(), c.BevelOuter(), v, c.BorderWidth());
        },
        [](const Panel& c) { return c.BevelWidth(); });
    p.Int(
        "BorderWidth",
        [](Panel& c, int v) {
          if (v < 0) throw PropertyValueError();
          c.SetBevels(c.BevelInner(), c.BevelOuter(), c.BevelWidth(), v);
        },
        [](const Panel& c) { return c.BorderWidth(); });
    p.Enum("BorderStyle", kBorderStyle, [](Panel& c, int v) {
      c.BorderSingle = v == 1;
      c.Realign();
      c.Invalidate();
    });
    p.Enum(
        "Alignment", kAlignment,
        [](Panel& c, int v) {
          c.Alignment = v;
          c.Invalidate();
        },
        [](const Panel& c) { return c.Alignment; });
    Ignore(p, {"FullRepaint", "Locked", "ParentBackground", "BevelKind", "BevelEdges",
               "ShowCaption", "VerticalAlignment", "AutoSize", "DockSite", "UseDockManager"});
    IgnoreDesignerExtras(p);
  }
  {
    Published<Bevel> p(
        registry.Add("TMyBevel", "TGraphicControl", [] { return std::make_unique<Bevel>(); }));
    p.Enum(
        "Shape",
        {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"},
        [](Bevel& c, int v) {
          c.BevelShape = v;
          c.Invalidate();
        },
        [](const Bevel& c) { return c.BevelShape; });
    p.Enum(
        "Style", {"bsLowered", "bsRaised"},
        [](Bevel& c, int v) {
          c.BevelStyle = v;
          c.Invalidate();
        },
        [](const Bevel& c) { return c.BevelStyle; });
    // Its mouse events come from the action table, not from the layout.
    Ignore(p, {"OnClick", "OnMouseDown", "OnMouseMove", "OnMouseUp"});
  }
}

void RegisterShapes(ClassRegistry& registry) {
  {
    Published<ShapeControl> p(
        registry.Add("TShape", "TGraphicControl", [] { return std::make_unique<ShapeControl>(); }));
    p.Enum(
        "Shape",
        {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"},
        [](ShapeControl& c, int v) {
          c.Shape = v;
          c.Invalidate();
        },
        [](const ShapeControl& c) { return c.Shape; });
    p.ColorProp(
        "Brush.Color",
        [](ShapeControl& c, ColorValue v) {
          c.Brush.Color = v;
          c.Invalidate();
        },
        [](const ShapeControl& c) { return c.Brush.Color; });
    p.Enum(
        "Brush.Style",
        {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal",
         "bsCross", "bsDiagCross"},
        [](ShapeControl& c, int v) {
          c.Brush.Style = v;
          c.Invalidate();
        },
        [](const ShapeControl& c) { return c.Brush.Style; });
    p.ColorProp(
        "Pen.Color",
        [](ShapeControl& c, ColorValue v) {
          c.Pen.Color = v;
          c.Invalidate();
        },
        [](const ShapeControl& c) { return c.Pen.Color; });
    p.Int(
        "Pen.Width",
        [](ShapeControl& c, int v) {
          // A pen as wide as a screen is a mistake in the layout, not a drawing.
          if (v < 0 || v > 10000) throw PropertyValueError();
          c.Pen.Width = v;
          c.Invalidate();
        },
        [](const ShapeControl& c) { return c.Pen.Width; });
    p.Enum(
        "Pen.Style",
        {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"},
        [](ShapeControl& c, int v) {
          c.Pen.Style = v;
          c.Invalidate();
        },
        [](const ShapeControl& c) { return c.Pen.Style; });
    Ignore(p, {"Pen.Mode"});
  }
  // The clickable shape: its mouse events come from the action table, not from the layout.
  Published<TMyShape> p(registry.Add("TMyShape", "TShape", [] { return std::make_unique<TMyShape>(); }));
  Ignore(p, {"OnClick", "OnMouseDown", "OnMouseMove", "OnMouseUp"});
}

void RegisterImage(ClassRegistry& registry) {
  Published<Image> p(
      registry.Add("TImage", "TGraphicControl", [] { return std::make_unique<Image>(); }));
  p.Raw("Picture.Data", [](Image& c, const PropertyValue& v) {
    c.SetPicture(DecodePictureData(ValueToBinary(v)));
  });
  p.Bool(
      "Stretch",
      [](Image& c, bool v) {
        c.Stretch = v;
        c.Invalidate();
      },
      [](const Image& c) { return c.Stretch; });
  p.Bool(
      "Center",
      [](Image& c, bool v) {
        c.Center = v;
        c.Invalidate();
      },
      [](const Image& c) { return c.Center; });
  p.Bool(
      "Transparent",
      [](Image& c, bool v) {
        c.Transparent = v;
        c.Invalidate();
      },
      [](const Image& c) { return c.Transparent; });
  p.Bool(
      "Proportional",
      [](Image& c, bool v) {
        c.Proportional = v;
        c.Invalidate();
      },
      [](const Image& c) { return c.Proportional; });
  p.Bool(
      "AutoSize",
      [](Image& c, bool v) {
        c.AutoSize = v;
        c.AdjustSize();
      },
      [](const Image& c) { return c.AutoSize; });
  Ignore(p, {"IncrementalDisplay"});
}

void RegisterPages(ClassRegistry& registry) {
  {
    ClassInfo& info =
        registry.Add("TPageControl", "TWinControl", [] { return std::make_unique<PageControl>(); });
    Published<PageControl> p(info);
    p.Reference(
        "ActivePage",
        [](PageControl& c, Component& page) {
          auto* sheet = dynamic_cast<TabSheet*>(&page);
          if (!sheet || sheet->Parent() != &c) throw PropertyValueError();
          c.SetActivePage(sheet);
        },
        [](const PageControl& c) { return c.ActivePage() ? c.ActivePage()->Name : ""; });
    p.Int(
        "TabIndex", [](PageControl& c, int v) { c.SetTabIndex(v); },
        [](const PageControl& c) { return c.TabIndex(); });
    p.Bool(
        "HotTrack", [](PageControl& c, bool v) { c.HotTrack = v; },
        [](const PageControl& c) { return c.HotTrack; });
    p.Enum(
        "Style", {"tsTabs", "tsButtons", "tsFlatButtons"},
        [](PageControl& c, int v) {
          c.Style = v;
          c.Realign();
          c.Invalidate();
        },
        [](const PageControl& c) { return c.Style; });
    p.Enum("TabPosition", {"tpTop", "tpBottom", "tpLeft", "tpRight"}, [](PageControl& c, int v) {
      c.TabPosition = v;
      c.Realign();
      c.Invalidate();
    });
    p.Int("TabHeight", [](PageControl& c, int v) {
      c.TabHeight = std::clamp(v, 0, 1000);
      c.Realign();
    });
    p.Int("TabWidth", [](PageControl& c, int v) { c.TabWidth = std::clamp(v, 0, 10000); });
    p.Bool("MultiLine", [](PageControl& c, bool v) { c.MultiLine = v; });
    Ignore(p, {"Tabs", "Tabs.Strings", "OwnerDraw", "RaggedRight", "ScrollOpposite", "Images",
               "ParentBackground"});
    IgnoreDesignerExtras(p);
  }
  Published<TabSheet> p(
      registry.Add("TTabSheet", "TWinControl", [] { return std::make_unique<TabSheet>(); }));
  PublishCaption(p);
  p.Bool(
      "TabVisible",
      [](TabSheet& c, bool v) {
        c.TabVisible = v;
        if (c.Parent()) c.Parent()->Invalidate();
      },
      [](const TabSheet& c) { return c.TabVisible; });
  p.Int("ImageIndex", [](TabSheet& c, int v) { c.ImageIndex = v; });
  p.Bool("Highlighted", [](TabSheet& c, bool v) { c.Highlighted = v; });
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
  Published<Edit> p(registry.Add("TEdit", "TWinControl", [] { return std::make_unique<Edit>(); }));
  p.String(
      "Text", [](Edit& c, const std::string& v) { c.SetText(v); },
      [](const Edit& c) { return c.Text(); });
  PublishEditCommon(p);
  p.Bool(
      "Ctl3D",
      [](Edit& c, bool v) {
        c.Ctl3D = v;
        c.Invalidate();
      },
      [](const Edit& c) { return c.Ctl3D; });
  p.Int(
      "MaxLength",
      [](Edit& c, int v) {
        if (v < 0) throw PropertyValueError();
        c.MaxLength = v;
      },
      [](const Edit& c) { return c.MaxLength; });
  p.Raw("PasswordChar", [](Edit& c, const PropertyValue& v) {
    c.PasswordChar = ValueToChar(v);
    c.Invalidate();
  });
  p.Enum(
      "CharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"},
      [](Edit& c, int v) {
        c.CharCaseMode = v;
        c.SetText(c.Text());
      },
      [](const Edit& c) { return c.CharCaseMode; });
  p.Bool("AutoSelect", [](Edit& c, bool v) { c.AutoSelect = v; });
  p.Bool("HideSelection", [](Edit& c, bool v) { c.HideSelection = v; });
  Ignore(p, {"AutoSize", "NumbersOnly", "TextHint", "Alignment"});
}

void RegisterMemo(ClassRegistry& registry) {
  for (const char* name : {"TMyMemo", "TMemo"}) {
    Published<Memo> p(registry.Add(name, "TWinControl", [] { return std::make_unique<Memo>(); }));
    p.String(
        "Text", [](Memo& c, const std::string& v) { c.SetText(v); },
        [](const Memo& c) { return c.Text(); });
    p.Raw("Lines.Strings", [](Memo& c, const PropertyValue& v) { c.SetLines(ValueToStrings(v)); });
    p.Raw("Lines", [](Memo& c, const PropertyValue& v) { c.SetLines(ValueToStrings(v)); });
    PublishEditCommon(p);
    p.Bool(
        "WordWrap",
        [](Memo& c, bool v) {
          c.WordWrap = v;
          c.Invalidate();
        },
        [](const Memo& c) { return c.WordWrap; });
    p.Enum("ScrollBars", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}, [](Memo& c, int v) {
      c.ScrollBarsMode = v;
      c.Invalidate();
    });
    p.Enum("Alignment", kAlignment, [](Memo& c, int v) {
      c.Alignment = v;
      c.Invalidate();
    });
    Ignore(p, {"MaxLength", "WantReturns", "WantTabs", "HideSelection", "Ctl3D"});
  }
}

void RegisterDialogControls(ClassRegistry& registry) {
  {
    Published<ComboBox> p(
        registry.Add("TComboBox", "TWinControl", [] { return std::make_unique<ComboBox>(); }));
    p.Raw("Items.Strings",
          [](ComboBox& c, const PropertyValue& v) { c.Items = ValueToStrings(v); });
    p.Int(
        "ItemIndex", [](ComboBox& c, int v) { c.SetItemIndex(v); },
        [](const ComboBox& c) { return c.ItemIndex(); });
    p.Int("DropDownCount", [](ComboBox& c, int v) { c.DropDownCount = std::clamp(v, 1, 100); });
    // Only the list style exists; the others are taken as it.
    p.Enum("Style",
           {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"},
           [](ComboBox&, int) {});
    Ignore(p, {"Text", "Sorted", "ItemHeight", "CharCase", "MaxLength", "AutoComplete",
               "AutoDropDown", "AutoCloseUp", "ParentBackground"});
    IgnoreDesignerExtras(p);
  }
  {
    Published<SpinEdit> p(
        registry.Add("TSpinEdit", "TEdit", [] { return std::make_unique<SpinEdit>(); }));
    p.Int("MinValue", [](SpinEdit& c, int v) {
      c.MinValue = v;
      c.SetValue(c.Value());
    });
    p.Int("MaxValue", [](SpinEdit& c, int v) {
      c.MaxValue = v;
      c.SetValue(c.Value());
    });
    p.Int(
        "Value", [](SpinEdit& c, int v) { c.SetValue(v); },
        [](const SpinEdit& c) { return c.Value(); });
    p.Int("Increment", [](SpinEdit& c, int v) { c.Increment = v; });
    Ignore(p, {"EditorEnabled"});
  }
  {
    Published<TrackBar> p(
        registry.Add("TTrackBar", "TWinControl", [] { return std::make_unique<TrackBar>(); }));
    p.Int("Min", [](TrackBar& c, int v) {
      c.Min = v;
      c.SetPosition(c.Position());
    });
    p.Int("Max", [](TrackBar& c, int v) {
      c.Max = v;
      c.SetPosition(c.Position());
    });
    p.Int(
        "Position", [](TrackBar& c, int v) { c.SetPosition(v); },
        [](const TrackBar& c) { return c.Position(); });
    p.Int("Frequency", [](TrackBar& c, int v) { c.Frequency = std::max(1, v); });
    p.Int("LineSize", [](TrackBar& c, int v) { c.LineSize = v; });
    p.Int("PageSize", [](TrackBar& c, int v) { c.PageSize = v; });
    p.Enum("TickStyle", {"tsNone", "tsAuto", "tsManual"}, [](TrackBar& c, int v) {
      c.ShowTicks = v != 0;
      c.Invalidate();
    });
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
