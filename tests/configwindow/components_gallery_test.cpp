// The window's own components on one form, painted with the real fonts (FreeType and
// fontconfig, as the SDL backend draws them) into a PNG to look at: configwindow_components.png
// in the working folder, or the path in LPC_COMPONENTS_PNG.
#include <gtest/gtest.h>

#include <cstdlib>

#include "configwindow/component_test_support.h"
#include "configwindow/picture_button.h"
#include "configwindow/preview_pane.h"
#include "configwindow/state_buttons.h"
#include "configwindow/thumbnail_strip.h"
#include "platform/sdl/freetype_text.h"
#include "widgets/widget_fixture.h"

namespace lpc {
namespace {

using testing::TempDir;

// A diagonal blend between two colours, so stretched thumbnails show their whole picture.
Bitmap Gradient(int w, int h, Color a, Color b) {
  Bitmap out(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int t = (x * 255 / w + y * 255 / h) / 2;
      auto mix = [&](int ca, int cb) { return ca + (cb - ca) * t / 255; };
      out.At(x, y) = MakeColor(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)),
                               mix(BlueOf(a), BlueOf(b)));
    }
  }
  return out;
}

// A rounded black-bordered blue pill on white: the clickable shape of a jet button.
Bitmap Pill(Color fill) {
  Bitmap b(96, 30, 0xFFFFFF);
  Canvas c(b);
  c.PenColor = 0x000000;
  c.BrushColor = fill;
  c.Ellipse(0, 0, 30, 30);
  c.Ellipse(66, 0, 96, 30);
  c.FillRect(Rect{15, 0, 81, 30}, fill);
  c.FillRect(Rect{15, 0, 81, 1}, 0x000000);
  c.FillRect(Rect{15, 29, 81, 30}, 0x000000);
  return b;
}

class ComponentsGallery : public testing::WidgetTest {};

TEST_F(ComponentsGallery, StripPaneAndButtonsWithTheRealFonts) {
  std::unique_ptr<TextRenderer> fonts = platform::CreateFreeTypeTextRenderer();
  form_->SetTextRenderer(fonts.get());
  form_->SetClientSize(560, 420);
  TempDir dir;
  const std::vector<std::string> files = {
      dir.Write("Sunrise over the bay.jpg", EncodeJpeg(Gradient(1920, 1080, 0xFF8020, 0x2040A0))),
      testing::WritePackedImage(dir, "harbour.lpp", "Harbour at night", 0x102040, 0x203060),
      dir.Write("Meadow.bmp", EncodeBmp(Gradient(400, 300, 0x40C040, 0xF0F0A0))),
      dir.Write("Snow.jpg", EncodeJpeg(Gradient(800, 600, 0xFFFFFF, 0x8080C0))),
      dir / "missing.jpg",
      dir.Write("Desert.jpg", EncodeJpeg(Gradient(640, 480, 0xE0C080, 0xA06020))),
      dir.Write("Forest.jpg", EncodeJpeg(Gradient(640, 480, 0x104010, 0x60A060))),
  };
  auto& pane = form_->Create<PreviewPane>();
  pane.SetBounds(8, 8, 200, 150);
  pane.ShowFile(files[0]);

  auto& strip = form_->Create<ThumbnailStrip>();
  strip.SetBounds(216, 8, 336, 300);
  strip.SetColor(widgets::clWhite);
  strip.SetShowTitle(true);
  strip.SetShowCheckBox(true);
  strip.SetFileList(&files);
  for (int i : {0, 2, 3}) strip.SetChecked(i, true);
  strip.SelectIndex(2);

  auto& row = form_->Create<ThumbnailStrip>();
  row.SetBounds(8, 316, 544, 96);
  row.Ctl3D = false;
  row.SetMultiRows(false);
  row.SetShowCheckBox(true);
  row.SetFileList(&files);
  row.SetChecked(1, true);

  auto& jet = form_->Create<StateButton>();
  jet.SetBitmapUp({Pill(0x3060C0), std::nullopt});
  jet.SetBitmapDown({Pill(0x203880), std::nullopt});
  jet.SetLeft(8);
  jet.SetTop(170);
  jet.SetCaption("&Wallpaper");
  jet.MutableFont().Color = widgets::clWhite;
  jet.MutableFont().Bold = true;

  auto& mine = form_->Create<PictureButton>();
  mine.SetBounds(112, 170, 90, 30);
  mine.SetCaption("Repeat");
  mine.SetShowCaption(true);

  const Bitmap& shot = form_->Render();
  const char* env = std::getenv("LPC_COMPONENTS_PNG");
  SavePicture(env ? env : "configwindow_components.png", shot);

  // Titles are drawn: some dark text pixels in the title area of an unselected cell
  // (image 0: strip cell at 216+2, 8+2; titles from 84 below the cell top).
  int dark = 0;
  for (int y = 8 + 2 + 84; y < 8 + 2 + 110; ++y) {
    for (int x = 218 + 10; x < 218 + 100; ++x) dark += shot.At(x, y) < 0x404040 ? 1 : 0;
  }
  EXPECT_GT(dark, 20);
  // The caption's white letters on the pill.
  int white = 0;
  for (int y = 175; y < 195; ++y) {
    for (int x = 30; x < 80; ++x) white += shot.At(x, y) == 0xFFFFFF ? 1 : 0;
  }
  EXPECT_GT(white, 20);
}

}  // namespace
}  // namespace lpc
