#include <gtest/gtest.h>

#include "base/errors.h"
#include "configwindow/component_test_support.h"
#include "configwindow/preview_pane.h"
#include "widgets/widget_fixture.h"

namespace lpc {
namespace {

using testing::Near;
using testing::TempDir;

class PreviewTest : public testing::WidgetTest {
 protected:
  PreviewTest() {
    form_->SetClientSize(700, 500);
    form_->SetColor(widgets::FromRGB(0x405060));
    pane_ = &form_->Create<PreviewPane>();
    pane_->SetBounds(0, 0, 298, 217);
  }
  // Left half red, right half blue, exact in a bitmap file.
  std::string Halves(const std::string& name, int w, int h) {
    Bitmap b(w, h, 0xFF0000);
    for (int y = 0; y < h; ++y) {
      for (int x = w / 2; x < w; ++x) b.At(x, y) = 0x0000FF;
    }
    return dir_.Write(name, EncodeBmp(b));
  }
  TempDir dir_;
  PreviewPane* pane_ = nullptr;
};

TEST_F(PreviewTest, PicturesAreResampledToExactlyThePaneSize) {
  const struct {
    std::string file;
    Color left, right;
  } cases[] = {
      {Halves("big.bmp", 1024, 768), 0xFF0000, 0x0000FF},
      {testing::WritePackedImage(dir_, "sea.lpp", "Sea", 0x20C020, 0, 320, 200), 0x20C020,
       0x20C020},
      {dir_.Write("photo.jpg", EncodeJpeg(Bitmap(1024, 768, 0xC0C020), 95)), 0xC0C020, 0xC0C020},
      // Not a kind the pane shows: a blank bitmap of its size, in the colour around it.
      {dir_.Write("x.png", EncodePng(Bitmap(10, 10, 0xFF0000))), 0x405060, 0x405060},
      {dir_.Write("x.jpeg", EncodeJpeg(Bitmap(10, 10, 0xFF0000))), 0x405060, 0x405060},
  };
  for (const auto& c : cases) {
    pane_->ShowFile(c.file);
    const Bitmap& p = pane_->Picture();
    EXPECT_EQ(p.width(), 298) << c.file;
    EXPECT_EQ(p.height(), 217) << c.file;
    EXPECT_TRUE(Near(p.At(5, 100), c.left)) << c.file << std::hex << " " << p.At(5, 100);
    EXPECT_TRUE(Near(p.At(292, 100), c.right)) << c.file;
    EXPECT_TRUE(pane_->Stretch);
    EXPECT_EQ(pane_->FileName(), c.file);
  }
  // The whole picture is there: the colour edge sits in the middle.
  pane_->ShowFile(Halves("big.bmp", 1024, 768));
  EXPECT_EQ(pane_->Picture().At(147, 0), 0xFF0000u);
  EXPECT_EQ(pane_->Picture().At(150, 216), 0x0000FFu);
}

TEST_F(PreviewTest, AFailedLoadKeepsTheOldPicture) {
  const std::string good = Halves("good.bmp", 64, 48);
  pane_->ShowFile(good);
  const Bitmap before = pane_->Picture();
  const std::string missing = dir_ / "missing.jpg";
  EXPECT_THROW(pane_->ShowFile(missing), FileNotFoundError);
  EXPECT_EQ(pane_->Picture(), before);
  EXPECT_EQ(pane_->FileName(), missing);
  const std::string broken = dir_.Write("broken.lpp", "LP060697 and then nothing sensible");
  EXPECT_THROW(pane_->ShowFile(broken), Error);
  EXPECT_EQ(pane_->Picture(), before);
}

TEST_F(PreviewTest, EnlargingStretchesTheOldBitmapUntilTheNextRequest) {
  pane_->ShowFile(Halves("h.bmp", 200, 100));
  pane_->SetBounds(0, 0, 596, 434);
  EXPECT_EQ(pane_->Picture().width(), 298);
  const Bitmap& shot = form_->Render();
  EXPECT_EQ(shot.At(20, 400), 0xFF0000u);
  EXPECT_EQ(shot.At(580, 400), 0x0000FFu);
  pane_->Rerender();
  EXPECT_EQ(pane_->Picture().width(), 596);
  EXPECT_EQ(pane_->Picture().height(), 434);
}

TEST_F(PreviewTest, RerenderWithoutAFileDoesNothing) {
  pane_->Rerender();
  EXPECT_TRUE(pane_->Picture().empty());
  EXPECT_EQ(pane_->FileName(), "");
}

}  // namespace
}  // namespace lpc
