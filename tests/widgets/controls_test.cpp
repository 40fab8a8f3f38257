// Every stock class built from layout text, with every value form its properties take, and
// the values layouts get wrong.
#include <gtest/gtest.h>

#include <string>

#include "widgets/check_box.h"
#include "widgets/combo_box.h"
#include "widgets/edit.h"
#include "widgets/image.h"
#include "widgets/layout_text.h"
#include "widgets/memo.h"
#include "widgets/page_control.h"
#include "widgets/panel.h"
#include "widgets/picture_data.h"
#include "widgets/shape.h"
#include "widgets/spin_edit.h"
#include "widgets/standard_controls.h"
#include "widgets/track_bar.h"
#include "widgets/widget_fixture.h"

namespace lpc::widgets {
namespace {

using lpc::testing::ApplyLayoutText;
using lpc::testing::PropertyText;
using lpc::testing::WidgetTest;

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

// Two 2 x 2 cells side by side: the first red with a white key pixel at the bottom left.
Bitmap GlyphStrip() {
  Bitmap b(4, 2, 0xFF0000);
  b.At(0, 1) = 0xFFFFFF;
  b.At(2, 0) = b.At(3, 0) = b.At(2, 1) = b.At(3, 1) = 0x00FF00;
  return b;
}

std::string PictureHex(const Bitmap& b) {
  std::vector<uint8_t> data = {7, 'T', 'B', 'i', 't', 'm', 'a', 'p'};
  const std::vector<uint8_t> bmp = EncodeBitmapData(b);
  data.insert(data.end(), bmp.begin(), bmp.end());
  return Hex(data);
}

std::string Layout() {
  return "object Gallery: TForm\n"
         "  Caption = 'Gallery'\n"
         "  object Label1: TLabel\n"
         "    Left = 8\n    Top = 8\n    Width = 60\n    Height = 30\n"
         "    AutoSize = False\n    Caption = 'Hello &world'\n    Alignment = taRightJustify\n"
         "    Layout = tlCenter\n    WordWrap = True\n    Transparent = True\n"
         "    Font.Style = [fsBold]\n    Font.Color = clRed\n    ParentShowHint = False\n"
         "  end\n"
         "  object Button1: TButton\n    ModalResult = 1\n    Default = True\n"
         "    Cancel = False\n    Caption = 'Go'\n    TabOrder = 3\n    WordWrap = False\n  end\n"
         "  object BitBtn1: TBitBtn\n    Kind = bkOK\n    NumGlyphs = 2\n"
         "    Glyph.Data = {" + Hex(EncodeBitmapData(GlyphStrip())) + "}\n"
         "    Layout = blGlyphTop\n    Spacing = 2\n    Margin = 3\n    Style = bsNew\n  end\n"
         "  object BitBtn2: TBitBtn\n    Caption = 'Stop'\n    ModalResult = mrAbort\n  end\n"
         "  object CheckBox1: TCheckBox\n    Checked = True\n    Alignment = taLeftJustify\n  end\n"
         "  object CheckBox2: TCheckBox\n    AllowGrayed = True\n    State = cbGrayed\n  end\n"
         "  object Edit1: TEdit\n    MaxLength = 10\n    CharCase = ecUpperCase\n"
         "    Text = 'abc'#233'd'\n    PasswordChar = '*'\n    BorderStyle = bsNone\n"
         "    Ctl3D = False\n    ReadOnly = True\n    AutoSelect = False\n    HideSelection = False\n"
         "  end\n"
         "  object Memo1: TMyMemo\n    Lines.Strings = (\n      'one'\n      'two')\n"
         "    ScrollBars = ssVertical\n    WantReturns = True\n  end\n"
         "  object Memo2: TMemo\n    Text = 'a'#13#10'b'#13'c'\n    WordWrap = False\n  end\n"
         "  object Panel1: TPanel\n    Left = 10\n    Top = 100\n    Width = 100\n    Height = 60\n"
         "    BevelInner = bvLowered\n    BevelWidth = 2\n    BorderWidth = 3\n    Caption = 'P'\n"
         "    Alignment = taLeftJustify\n    Color = clRed\n    FullRepaint = False\n"
         "    object Shape1: TShape\n      Shape = stRoundRect\n      Brush.Color = $0000FF00\n"
         "      Brush.Style = bsCross\n      Pen.Color = clBlue\n      Pen.Width = 3\n"
         "      Pen.Style = psDash\n      Align = alClient\n    end\n"
         "  end\n"
         "  object MyShape1: TMyShape\n    Shape = stCircle\n  end\n"
         "  object Bevel1: TMyBevel\n    Shape = bsTopLine\n    Style = bsRaised\n  end\n"
         "  object Image1: TImage\n    AutoSize = True\n    Picture.Data = {" + PictureHex(GlyphStrip()) + "}\n"
         "    Stretch = True\n    Center = True\n    Transparent = True\n    Proportional = True\n"
         "    IncrementalDisplay = False\n  end\n"
         "  object Pages: TPageControl\n    Left = 150\n    Top = 10\n    Width = 140\n    Height = 100\n"
         "    ActivePage = Sheet2\n    HotTrack = True\n    Style = tsButtons\n"
         "    TabPosition = tpBottom\n    TabHeight = 20\n    MultiLine = True\n    OwnerDraw = False\n"
         "    object Sheet1: TTabSheet\n      Caption = 'First'\n"
         "      object Inner: TLabel\n        Caption = 'in'\n      end\n"
         "    end\n"
         "    object Sheet2: TTabSheet\n      Caption = 'Second'\n      TabVisible = True\n"
         "      PageIndex = 1\n      ImageIndex = -1\n    end\n"
         "  end\n"
         "  object Combo: TComboBox\n    ItemIndex = 2\n    Style = csDropDownList\n"
         "    Items.Strings = (\n      'red'\n      'green'\n      'blue')\n  end\n"
         "  object Spin: TSpinEdit\n    MinValue = 1\n    MaxValue = 10\n    Value = 12\n  end\n"
         "  object Track: TTrackBar\n    Max = 20\n    Position = 5\n    TickStyle = tsNone\n"
         "    Orientation = trHorizontal\n  end\n"
         "  object Link: TLinkLabel\n    Caption = 'site'\n  end\n"
         "end\n";
}

TEST_F(WidgetTest, EveryClassBuildsFromLayoutText) {
  ApplyLayoutText(*form_, Layout());
  const struct {
    const char* component;
    const char* property;
    const char* expected;
  } cases[] = {
      {"Label1", "Caption", "Hello &world"},     {"Label1", "Alignment", "taRightJustify"},
      {"Label1", "Layout", "tlCenter"},          {"Label1", "WordWrap", "True"},
      {"Label1", "Transparent", "True"},         {"Label1", "AutoSize", "False"},
      {"Label1", "Width", "60"},                 {"Label1", "ParentFont", "False"},
      {"Button1", "ModalResult", "1"},           {"Button1", "Default", "True"},
      {"Button1", "TabOrder", "3"},              {"BitBtn1", "Caption", "OK"},
      {"BitBtn1", "ModalResult", "1"},           {"BitBtn1", "Kind", "bkOK"},
      {"BitBtn1", "NumGlyphs", "2"},             {"BitBtn1", "Layout", "blGlyphTop"},
      {"BitBtn1", "Spacing", "2"},               {"BitBtn1", "Margin", "3"},
      {"BitBtn2", "ModalResult", "3"},           {"CheckBox1", "Checked", "True"},
      {"CheckBox1", "Alignment", "taLeftJustify"}, {"CheckBox2", "State", "cbGrayed"},
      {"Edit1", "Text", "ABC\xC9" "D"},          {"Edit1", "MaxLength", "10"},
      {"Edit1", "CharCase", "ecUpperCase"},      {"Edit1", "BorderStyle", "bsNone"},
      {"Edit1", "Ctl3D", "False"},               {"Edit1", "ReadOnly", "True"},
      {"Memo1", "Text", "one\r\ntwo\r\n"},        {"Memo2", "Text", "a\r\nb\r\nc\r\n"},
      {"Memo2", "WordWrap", "False"},            {"Panel1", "BevelInner", "bvLowered"},
      {"Panel1", "BevelOuter", "bvRaised"},      {"Panel1", "BevelWidth", "2"},
      {"Panel1", "BorderWidth", "3"},            {"Panel1", "Alignment", "taLeftJustify"},
      {"Panel1", "Color", "clRed"},              {"Shape1", "Shape", "stRoundRect"},
      {"Shape1", "Brush.Color", "clLime"},       {"Shape1", "Brush.Style", "bsCross"},
      {"Shape1", "Pen.Color", "clBlue"},         {"Shape1", "Pen.Width", "3"},
      {"Shape1", "Pen.Style", "psDash"},         {"MyShape1", "Shape", "stCircle"},
      {"Bevel1", "Shape", "bsTopLine"},          {"Bevel1", "Style", "bsRaised"},
      {"Image1", "Stretch", "True"},             {"Image1", "Center", "True"},
      {"Image1", "Transparent", "True"},         {"Image1", "Proportional", "True"},
      {"Image1", "Width", "4"},                  {"Pages", "ActivePage", "Sheet2"},
      {"Pages", "TabIndex", "1"},                {"Pages", "Style", "tsButtons"},
      {"Pages", "HotTrack", "True"},             {"Sheet2", "TabVisible", "True"},
      {"Combo", "ItemIndex", "2"},               {"Spin", "Value", "10"},
      {"Track", "Position", "5"},                {"Link", "Cursor", "crHandPoint"},
  };
  for (const auto& c : cases) {
    const Component* component = form_->FindComponent(c.component);
    ASSERT_NE(component, nullptr) << c.component;
    EXPECT_EQ(PropertyText(*component, c.property), c.expected) << c.component << "." << c.property;
  }
  // The aligned shape fills the panel inside its bevels and border: 2 + 3 + 2 on each side.
  EXPECT_EQ(form_->FindComponent("Shape1")->BoundsRect(), MakeRect(0, 0, 86, 46));
  EXPECT_EQ(FormRect(*form_->FindComponent("Shape1")), MakeRect(17, 107, 86, 46));
  // Only the active page shows, with its children.
  EXPECT_FALSE(form_->FindComponent("Inner")->Showing());
  EXPECT_TRUE(form_->FindComponent("Sheet2")->Showing());
  const auto& bitbtn = static_cast<const BitmapButton&>(*form_->FindComponent("BitBtn1"));
  EXPECT_EQ(bitbtn.Glyph.width(), 4);
  EXPECT_TRUE(bitbtn.Default);
  EXPECT_EQ(static_cast<const Image&>(*form_->FindComponent("Image1")).Picture().At(3, 0),
            0x00FF00u);
  EXPECT_EQ(static_cast<const Memo&>(*form_->FindComponent("Memo1")).Lines().size(), 2u);
  // ItemIndex written before the items.
  EXPECT_EQ(static_cast<const ComboBox&>(*form_->FindComponent("Combo")).Text(), "blue");
  EXPECT_FALSE(static_cast<const TrackBar&>(*form_->FindComponent("Track")).ShowTicks);
}

TEST_F(WidgetTest, LayoutMistakesAreErrorsNotGuesses) {
  const struct {
    const char* object;  // the nested object's lines
    const char* message;
  } cases[] = {
      {"object X: TLabel\n TabOrder = 1\nend", kPropertyDoesNotExist},  // not windowed
      {"object X: TEdit\n Lines.Strings = ('a')\nend", kPropertyDoesNotExist},
      {"object X: TShape\n Brush.Width = 1\nend", kPropertyDoesNotExist},
      {"object X: TBitBtn\n NumGlyphs = 9\nend", kInvalidPropertyValueText},
      {"object X: TBitBtn\n Glyph.Data = {0400000042}\nend", kInvalidPropertyValueText},
      {"object X: TBitBtn\n Kind = bkMaybe\nend", kInvalidPropertyValueText},
      {"object X: TShape\n Shape = stTriangle\nend", kInvalidPropertyValueText},
      {"object X: TShape\n Pen.Width = 100000\nend", kInvalidPropertyValueText},
      {"object X: TEdit\n PasswordChar = 'ab'\nend", kInvalidPropertyValueText},
      {"object X: TEdit\n MaxLength = -1\nend", kInvalidPropertyValueText},
      {"object X: TCheckBox\n Checked = 1\nend", kInvalidPropertyValueText},
      {"object X: TPanel\n BevelOuter = bvDeep\nend", kInvalidPropertyValueText},
      {"object X: TPageControl\n ActivePage = Nowhere\nend", kInvalidPropertyValueText},
      {"object X: TImage\n Picture.Data = {0754426974}\nend", kInvalidPropertyValueText},
      {"object X: TMemo\n Lines.Strings = (1 2)\nend", kInvalidPropertyValueText},
      {"object X: TGrid\nend", "Class TGrid not found"},
  };
  for (const auto& c : cases) {
    FormWindow form;
    try {
      ApplyLayoutText(form, std::string("object F: TForm\n") + c.object + "\nend\n");
      ADD_FAILURE() << c.object << " was accepted";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.object;
    }
  }
}

TEST_F(WidgetTest, PicturePlacementAndTransparentKeyColour) {
  auto& image = form_->Create<Image>();
  image.SetBounds(0, 0, 100, 100);
  const struct {
    int w, h;
    bool stretch, center, proportional;
    Rect dest;
  } cases[] = {
      {40, 20, false, false, false, MakeRect(0, 0, 40, 20)},
      {40, 20, false, true, false, MakeRect(30, 40, 40, 20)},
      {40, 20, true, false, false, MakeRect(0, 0, 100, 100)},
      {40, 20, true, false, true, MakeRect(0, 0, 100, 50)},
      {40, 20, true, true, true, MakeRect(0, 25, 100, 50)},
      {40, 20, false, false, true, MakeRect(0, 0, 40, 20)},  // small: proportional keeps it
      {200, 100, false, false, true, MakeRect(0, 0, 100, 50)},
      {20, 400, false, true, true, MakeRect(47, 0, 5, 100)},
  };
  for (const auto& c : cases) {
    image.SetPicture(Bitmap(c.w, c.h));
    image.Stretch = c.stretch;
    image.Center = c.center;
    image.Proportional = c.proportional;
    EXPECT_EQ(image.DestRect(), c.dest) << c.w << "x" << c.h << " " << c.stretch << c.center
                                        << c.proportional;
  }
  // The bottom-left pixel's colour lets the form through, wherever it recurs.
  Bitmap picture(2, 2, 0x00FF00);
  picture.At(0, 1) = picture.At(1, 0) = 0xFF00FF;
  image.SetPicture(picture);
  image.Stretch = image.Center = image.Proportional = false;
  image.Transparent = true;
  form_->SetColor(FromRGB(0x123456));
  const Bitmap& shot = form_->Render();
  EXPECT_EQ(shot.At(0, 0), 0x00FF00u);
  EXPECT_EQ(shot.At(1, 0), 0x123456u);
  EXPECT_EQ(shot.At(0, 1), 0x123456u);
}

TEST_F(WidgetTest, ShapesOutlineWithThePenAndFillWithTheBrush) {
  auto& shape = form_->Create<ShapeControl>();
  shape.SetBounds(0, 0, 40, 20);
  shape.Brush.Color = FromRGB(0xFFFF00);
  shape.Pen.Color = FromRGB(0x0000FF);
  form_->SetColor(FromRGB(0x123456));
  const struct {
    ShapeControl::ShapeType shape;
    int pen_width;
    ShapePen::PenStyle pen_style;
    ShapeBrush::BrushStyle brush_style;
    Point at;
    Color rgb;
  } cases[] = {
      {ShapeControl::stRectangle, 1, ShapePen::psSolid, ShapeBrush::bsSolid, {0, 0}, 0x0000FF},
      {ShapeControl::stRectangle, 1, ShapePen::psSolid, ShapeBrush::bsSolid, {1, 1}, 0xFFFF00},
      {ShapeControl::stRectangle, 3, ShapePen::psSolid, ShapeBrush::bsSolid, {2, 2}, 0x0000FF},
      {ShapeControl::stRectangle, 3, ShapePen::psSolid, ShapeBrush::bsSolid, {3, 3}, 0xFFFF00},
      {ShapeControl::stRectangle, 1, ShapePen::psClear, ShapeBrush::bsSolid, {0, 0}, 0xFFFF00},
      {ShapeControl::stRectangle, 1, ShapePen::psSolid, ShapeBrush::bsClear, {5, 5}, 0x123456},
      {ShapeControl::stEllipse, 1, ShapePen::psSolid, ShapeBrush::bsSolid, {0, 0}, 0x123456},
      {ShapeControl::stEllipse, 1, ShapePen::psSolid, ShapeBrush::bsSolid, {20, 10}, 0xFFFF00},
      {ShapeControl::stSquare,
       1,
       ShapePen::psSolid,
       ShapeBrush::bsSolid,
       {10, 0},
       0x0000FF},  // centred
      {ShapeControl::stSquare, 1, ShapePen::psSolid, ShapeBrush::bsSolid, {9, 5}, 0x123456},
      {ShapeControl::stCircle, 1, ShapePen::psSolid, ShapeBrush::bsSolid, {10, 0}, 0x123456},
      {ShapeControl::stCircle, 1, ShapePen::psSolid, ShapeBrush::bsSolid, {20, 0}, 0x0000FF},
      {ShapeControl::stRoundRect, 1, ShapePen::psSolid, ShapeBrush::bsSolid, {0, 0}, 0x123456},
      {ShapeControl::stRoundRect, 1, ShapePen::psSolid, ShapeBrush::bsSolid, {20, 0}, 0x0000FF},
      {ShapeControl::stRectangle, 1, ShapePen::psSolid, ShapeBrush::bsHorizontal, {5, 8}, 0xFFFF00},
      {ShapeControl::stRectangle, 1, ShapePen::psSolid, ShapeBrush::bsHorizontal, {5, 9}, 0x123456},
  };
  for (const auto& c : cases) {
    shape.Shape = c.shape;
    shape.Pen.Width = c.pen_width;
    shape.Pen.Style = c.pen_style;
    shape.Brush.Style = c.brush_style;
    EXPECT_EQ(form_->Render().At(c.at.x, c.at.y), c.rgb)
        << "shape " << c.shape << " pen " << c.pen_width << " at " << c.at.x << "," << c.at.y;
  }
}

}  // namespace
}  // namespace lpc::widgets
