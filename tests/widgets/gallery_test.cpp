// Every stock class on one form, painted with the real fonts (FreeType and fontconfig, as the
// SDL backend draws them) into a PNG to look at: widgets_gallery.png in the working folder, or
// the path in LPC_GALLERY_PNG. The checks below hold the looks that broke before: face and
// bevel colours, white wells, text inside its box.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "imaging/picture.h"
#include "platform/sdl/freetype_text.h"
#include "widgets/check_box.h"
#include "widgets/combo_box.h"
#include "widgets/edit.h"
#include "widgets/image.h"
#include "widgets/layout_text.h"
#include "widgets/standard_controls.h"
#include "widgets/widget_fixture.h"

namespace lpc::widgets {
namespace {

const char* kGallery = R"(object Gallery: TForm
  Caption = 'Gallery'
  Color = clBtnFace
  object Label1: TLabel
    Left = 8
    Top = 8
    Caption = 'A plain label, &underlined'
  end
  object Label2: TLabel
    Left = 8
    Top = 26
    Width = 150
    Height = 40
    AutoSize = False
    WordWrap = True
    Alignment = taCenter
    Color = clWhite
    Caption = 'A centred label whose words wrap over two lines'
  end
  object Link: TLinkLabel
    Left = 8
    Top = 72
    Caption = 'www.example.com'
  end
  object Button1: TButton
    Left = 170
    Top = 8
    Caption = 'OK'
    Default = True
  end
  object Button2: TButton
    Left = 250
    Top = 8
    Caption = '&Cancel'
  end
  object Button3: TButton
    Left = 330
    Top = 8
    Caption = 'Disabled'
    Enabled = False
  end
  object BitBtn1: TBitBtn
    Left = 410
    Top = 8
    Width = 90
    Caption = '&Glyph'
  end
  object Check1: TCheckBox
    Left = 170
    Top = 42
    Caption = 'Checked'
    Checked = True
  end
  object Check2: TCheckBox
    Left = 270
    Top = 42
    Caption = 'Grayed'
    AllowGrayed = True
    State = cbGrayed
  end
  object Check3: TCheckBox
    Left = 370
    Top = 42
    Caption = 'Disabled'
    Enabled = False
  end
  object Edit1: TEdit
    Left = 170
    Top = 66
    Text = 'Editable text'
  end
  object Edit2: TEdit
    Left = 300
    Top = 66
    Text = 'secret'
    PasswordChar = '*'
  end
  object Edit3: TEdit
    Left = 430
    Top = 66
    Width = 100
    Text = 'No frame'
    BorderStyle = bsNone
    Color = clWhite
  end
  object Memo1: TMyMemo
    Left = 8
    Top = 96
    Width = 150
    Height = 80
    Text = 'A memo holds several lines of text, wraps them at the edge and shows a scroll bar once they do not fit any more.'#13#10'Second paragraph.'
  end
  object Panel1: TPanel
    Left = 170
    Top = 96
    Width = 120
    Height = 40
    Caption = 'Raised panel'
  end
  object Panel2: TPanel
    Left = 300
    Top = 96
    Width = 120
    Height = 40
    BevelInner = bvRaised
    BevelOuter = bvLowered
    Caption = 'Two bevels'
  end
  object Bevel1: TMyBevel
    Left = 430
    Top = 96
    Width = 50
    Height = 40
  end
  object Bevel2: TMyBevel
    Left = 490
    Top = 96
    Width = 50
    Height = 40
    Shape = bsFrame
  end
  object Bevel3: TMyBevel
    Left = 170
    Top = 142
    Width = 370
    Height = 4
    Shape = bsTopLine
  end
  object Shape1: TShape
    Left = 170
    Top = 150
    Width = 60
    Height = 40
    Brush.Color = clYellow
  end
  object Shape2: TShape
    Left = 240
    Top = 150
    Width = 60
    Height = 40
    Shape = stRoundRect
    Brush.Color = clAqua
    Pen.Width = 2
  end
  object Shape3: TMyShape
    Left = 310
    Top = 150
    Width = 60
    Height = 40
    Shape = stEllipse
    Brush.Color = clLime
    Pen.Color = clGreen
  end
  object Shape4: TShape
    Left = 380
    Top = 150
    Width = 60
    Height = 40
    Shape = stCircle
    Brush.Style = bsDiagCross
    Pen.Color = clRed
    Pen.Width = 3
  end
  object Shape5: TShape
    Left = 450
    Top = 150
    Width = 60
    Height = 40
    Shape = stRoundSquare
    Brush.Color = clFuchsia
    Pen.Style = psDot
  end
  object Image1: TImage
    Left = 8
    Top = 184
    Width = 150
    Height = 60
    Stretch = True
  end
  object Pages: TPageControl
    Left = 170
    Top = 200
    Width = 220
    Height = 110
    HotTrack = True
    object Sheet1: TTabSheet
      Caption = 'General'
      object PageLabel: TLabel
        Left = 8
        Top = 8
        Caption = 'The first page'
      end
    end
    object Sheet2: TTabSheet
      Caption = 'Music'
    end
    object Sheet3: TTabSheet
      Caption = 'About'
    end
  end
  object Pages2: TPageControl
    Left = 400
    Top = 200
    Width = 150
    Height = 60
    Style = tsButtons
    object SheetA: TTabSheet
      Caption = 'One'
    end
    object SheetB: TTabSheet
      Caption = 'Two'
    end
  end
  object Combo: TComboBox
    Left = 8
    Top = 252
    Items.Strings = (
      'Stretch'
      'Centre'
      'Tile')
    ItemIndex = 1
  end
  object Spin: TSpinEdit
    Left = 8
    Top = 280
    Width = 80
    MinValue = 0
    MaxValue = 99
    Value = 42
  end
  object Track1: TTrackBar
    Left = 8
    Top = 310
    Max = 10
    Position = 3
  end
  object Track2: TTrackBar
    Left = 170
    Top = 320
    Height = 28
    Max = 10
    Position = 7
    TickStyle = tsNone
  end
end
)";

// A 16 x 16 glyph: a green tick on a magenta key colour.
Bitmap TickGlyph() {
  Bitmap b(16, 16, 0xFF00FF);
  for (int i = 0; i < 5; ++i) {
    for (int t = 0; t < 2; ++t) b.At(3 + i, 7 + i + t) = 0x008000;
  }
  for (int i = 0; i < 7; ++i) {
    for (int t = 0; t < 2; ++t) b.At(7 + i, 10 - i + t) = 0x008000;
  }
  return b;
}

Bitmap Gradient() {
  Bitmap b(64, 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) b.At(x, y) = static_cast<Color>((x * 4) << 16 | (y * 8) << 8 | 0x80);
  }
  return b;
}

class GalleryTest : public lpc::testing::WidgetTest {};

TEST_F(GalleryTest, EveryClassWithTheRealFonts) {
  std::unique_ptr<TextRenderer> fonts = platform::CreateFreeTypeTextRenderer();
  form_->SetTextRenderer(fonts.get());
  form_->SetClientSize(560, 360);
  lpc::testing::ApplyLayoutText(*form_, kGallery);
  static_cast<BitmapButton*>(form_->FindComponent("BitBtn1"))->Glyph = TickGlyph();
  static_cast<Image*>(form_->FindComponent("Image1"))->SetPicture(Gradient());
  auto& edit = static_cast<Edit&>(*form_->FindComponent("Edit1"));
  edit.SetFocus();
  edit.SetSelection(0, 8);
  auto& combo = static_cast<ComboBox&>(*form_->FindComponent("Combo"));
  const Bitmap shot = form_->Render();

  // The list open over the form, in a second picture.
  combo.DropDown();
  const Bitmap dropped = form_->Render();

  const char* env = std::getenv("LPC_GALLERY_PNG");
  const std::string path = env && *env ? env : "widgets_gallery.png";
  SavePicture(path, shot);
  SavePicture(std::filesystem::path(path).replace_extension().string() + "_dropped.png", dropped);
  std::cout << "gallery: " << std::filesystem::absolute(path).string() << "\n";

  const struct {
    const char* component;
    int x, y;  // inside the component
    Color rgb;
  } pixels[] = {
      {"Button2", 10, 3, 0xD4D0C8},  // face
      {"Button2", 0, 0, 0xFFFFFF},   // light outer edge
      {"Button2", 74, 24, 0x404040}, // dark shadow corner
      {"Button1", 0, 0, 0x000000},   // the default button's black frame
      {"Edit2", 0, 0, 0x808080},     // sunken: shadow outside
      {"Edit2", 1, 1, 0x404040},     // dark shadow inside it
      {"Edit2", 110, 3, 0xFFFFFF},   // white well
      {"Check1", 0, 2, 0x808080},    // the box's sunken edge
      {"Check1", 3, 5, 0xFFFFFF},    // its white well
      {"Check1", 9, 6, 0x000000},    // the check mark
      {"Panel1", 0, 0, 0xFFFFFF},    // raised bevel
      {"Panel1", 119, 39, 0x808080},
      {"Shape1", 30, 20, 0xFFFF00},  // brush
      {"Shape1", 0, 0, 0x000000},    // pen
      {"Shape4", 0, 0, 0xD4D0C8},    // outside the circle: the form shows through
  };
  for (const auto& p : pixels) {
    const Rect r = FormRect(*form_->FindComponent(p.component));
    EXPECT_EQ(shot.At(r.left + p.x, r.top + p.y), p.rgb) << p.component << " " << p.x << "," << p.y;
  }
  // Text is drawn inside its control, vertically centred on buttons: as many dark rows above
  // the caption's middle as below it, give or take the descenders.
  const Rect b = FormRect(*form_->FindComponent("Button2"));
  int first = -1, last = -1;
  for (int y = b.top + 3; y < b.bottom - 3; ++y) {
    for (int x = b.left + 6; x < b.right - 6; ++x) {
      const Color c = shot.At(x, y);
      if (((c >> 16) & 0xFF) < 0x60 && (c & 0xFF) < 0x60) {
        if (first < 0) first = y;
        last = y;
      }
    }
  }
  ASSERT_GE(first, 0) << "no caption drawn";
  const int above = first - b.top;
  const int below = b.bottom - 1 - last;
  EXPECT_LE(std::abs(above - below), 4) << above << " above, " << below << " below";
  EXPECT_NE(dropped.At(FormRect(combo).left + 5, FormRect(combo).bottom + 3),
            shot.At(FormRect(combo).left + 5, FormRect(combo).bottom + 3));
}

}  // namespace
}  // namespace lpc::widgets
