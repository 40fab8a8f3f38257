#include <gtest/gtest.h>

#include <gif_lib.h>

#include <cstring>
#include <optional>
#include <vector>

#include "imaging/picture.h"
#include "imaging/test_support.h"

namespace lpc {
namespace {

using testing::ExpectFormatError;

struct Frame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlace = false;
  std::vector<Color> local_map;  // empty: none
  int transparent = -1;          // -1: no graphics control block... with index -2: block, no flag
  std::vector<uint8_t> pixels;   // row by row, top to bottom
};

int Append(GifFileType* gif, const GifByteType* data, int n) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), n);
  return n;
}

ColorMapObject* MakeMap(const std::vector<Color>& colours) {
  std::vector<GifColorType> c(colours.size());
  for (size_t i = 0; i < colours.size(); ++i) {
    c[i] = {static_cast<GifByteType>(RedOf(colours[i])),
            static_cast<GifByteType>(GreenOf(colours[i])),
            static_cast<GifByteType>(BlueOf(colours[i]))};
  }
  return GifMakeMapObject(static_cast<int>(c.size()), c.data());
}

// Writes a GIF with giflib's encoder.
std::string MakeGif(int sw, int sh, const std::vector<Color>& global, std::vector<Frame> frames) {
  std::string out;
  int err = 0;
  GifFileType* gif = EGifOpen(&out, Append, &err);
  EGifSetGifVersion(gif, true);
  ColorMapObject* gmap = global.empty() ? nullptr : MakeMap(global);
  EGifPutScreenDesc(gif, sw, sh, 8, 0, gmap);
  for (Frame& f : frames) {
    if (f.transparent != -1) {
      GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0,
                               f.transparent >= 0 ? f.transparent : NO_TRANSPARENT_COLOR};
      GifByteType ext[4];
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(EGifGCBToExtension(&gcb, ext)),
                       ext);
    }
    ColorMapObject* lmap = f.local_map.empty() ? nullptr : MakeMap(f.local_map);
    EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, lmap);
    if (f.interlace) {
      const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int y = start[pass]; y < f.height; y += step[pass]) {
          EGifPutLine(gif, f.pixels.data() + y * f.width, f.width);
        }
      }
    } else {
      for (int y = 0; y < f.height; ++y) EGifPutLine(gif, f.pixels.data() + y * f.width, f.width);
    }
    if (lmap) GifFreeMapObject(lmap);
  }
  EGifCloseFile(gif, &err);
  if (gmap) GifFreeMapObject(gmap);
  return out;
}

const std::vector<Color> kMap = {0x112233, 0xFF0000, 0x00FF00, 0x0000FF};

TEST(GifTest, FirstFrameOnItsScreen) {
  // A 4 x 3 screen with a 2 x 2 frame at (1, 1); index 2 is transparent. The picture is the
  // frame's own rectangle.
  Frame f{1, 1, 2, 2, false, {}, 2, {1, 2, 3, 0}};
  Frame second{0, 0, 4, 3, false, {}, -1, std::vector<uint8_t>(12, 1)};
  const Bitmap b = DecodeGif(MakeGif(4, 3, kMap, {f, second}), "a.gif");
  const std::vector<std::vector<Color>> want = {{0xFF0000, 0}, {0x0000FF, 0x112233}};
  ASSERT_EQ(b.width(), 2);
  ASSERT_EQ(b.height(), 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) EXPECT_EQ(b.At(x, y), want[y][x]) << x << "," << y;
  }
}

// The canvas is the frame's rectangle cut to the screen, whatever size the screen claims: a
// 43-byte file with a 16384 x 16384 screen costs its one pixel.
TEST(GifTest, CanvasIsTheFramesOwnRectangle) {
  const struct {
    const char* label;
    int screen_w, screen_h;
    Frame frame;
    int width, height;
  } cases[] = {
      {"huge screen, one pixel", 16384, 16384, {0, 0, 1, 1, false, {}, -1, {1}}, 1, 1},
      {"huge screen, frame far off",
       16384,
       16384,
       {16000, 9000, 2, 1, false, {}, -1, {1, 1}},
       2,
       1},
      {"screen wider than the side limit",
       20000,
       2,
       {0, 0, 2, 2, false, {}, -1, {1, 1, 1, 1}},
       2,
       2},
      {"frame past the screen's edge", 2, 1, {1, 0, 3, 2, false, {}, -1, {1, 2, 3, 1, 2, 3}}, 1, 1},
      {"frame wholly outside the screen", 4, 4, {10, 10, 2, 1, false, {}, -1, {1, 1}}, 2, 1},
      {"screen of size zero", 0, 0, {2, 1, 1, 1, false, {}, -1, {1}}, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string gif = MakeGif(c.screen_w, c.screen_h, kMap, {c.frame});
    testing::ResetLargestAllocation();
    ResetLargestPixelRequest();
    const Bitmap b = DecodeGif(gif, "s.gif", kAuthoringLimits);
    ASSERT_EQ(b.width(), c.width);
    ASSERT_EQ(b.height(), c.height);
    EXPECT_EQ(b.At(0, 0), 0xFF0000u);
    EXPECT_EQ(LargestPixelRequest(), int64_t{c.width} * c.height);
    EXPECT_LE(testing::LargestAllocation(), size_t{1} << 16);
  }
}

TEST(GifTest, FrameVariants) {
  // Interlaced rows land in their places.
  Frame tall{0, 0, 1, 10, true, {}, -1, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1}};
  Bitmap b = DecodeGif(MakeGif(1, 10, kMap, {tall}), "i.gif");
  for (int y = 0; y < 10; ++y) EXPECT_EQ(b.At(0, y), kMap[y % 4]) << "interlaced row " << y;

  // A local colour table wins over the global one; a control block without the transparency
  // flag leaves every index visible.
  Frame local{0, 0, 2, 1, false, {0xABCDEF, 0x123456}, -2, {1, 0}};
  b = DecodeGif(MakeGif(2, 1, kMap, {local}), "l.gif");
  EXPECT_EQ(b.At(0, 0), 0x123456u);
  EXPECT_EQ(b.At(1, 0), 0xABCDEFu);
}

// An encoded GIF opened with giflib, to look at its frames.
class GifFile {
 public:
  explicit GifFile(const std::string& bytes) : bytes_(bytes) {
    int err = 0;
    gif_ = DGifOpen(this, &GifFile::Read, &err);
  }
  ~GifFile() {
    int err = 0;
    if (gif_) DGifCloseFile(gif_, &err);
  }
  GifFile(const GifFile&) = delete;
  GifFile& operator=(const GifFile&) = delete;
  GifFileType* get() const { return gif_; }

 private:
  static int Read(GifFileType* f, GifByteType* buf, int n) {
    auto* self = static_cast<GifFile*>(f->UserData);
    const int k = static_cast<int>(std::min<size_t>(n, self->bytes_.size() - self->pos_));
    std::memcpy(buf, self->bytes_.data() + self->pos_, k);
    self->pos_ += k;
    return k;
  }
  const std::string& bytes_;
  size_t pos_ = 0;
  GifFileType* gif_ = nullptr;
};

TEST(GifTest, AnimationRoundTrip) {
  std::vector<Bitmap> frames;
  for (Color c : {0xFF0000u, 0x00FF00u, 0x2040C0u}) frames.emplace_back(10, 8, c);
  frames[0].At(3, 4) = 0xFFFFFF;
  const std::string gif = EncodeGifAnimation(frames, 7);
  ASSERT_NE(gif.find("NETSCAPE2.0"), std::string::npos);

  const Bitmap first = DecodeGif(gif, "anim.gif");
  EXPECT_LE(testing::MaxChannelDifference(first, frames[0]), 8);

  // Every frame is there, each with the delay.
  GifFile file(gif);
  GifFileType* g = file.get();
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(DGifSlurp(g), GIF_OK);
  EXPECT_EQ(g->ImageCount, 3);
  for (int i = 0; i < g->ImageCount; ++i) {
    GraphicsControlBlock gcb{};
    ASSERT_EQ(DGifSavedExtensionToGCB(g, i, &gcb), GIF_OK);
    EXPECT_EQ(gcb.DelayTime, 7);
    EXPECT_EQ(gcb.TransparentColor, NO_TRANSPARENT_COLOR);
  }

  EXPECT_THROW(EncodeGifAnimation({}, 5), Error);
  EXPECT_THROW(EncodeGifAnimation({Bitmap(2, 2), Bitmap(2, 3)}, 5), Error);
}

// Frames sharing one palette: each later frame holds only the changed rectangle, the rest
// transparent. Drawing them in order must give back every frame exactly.
TEST(GifTest, IndexedAnimationComposesBackToEveryFrame) {
  const std::vector<Color> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  const int w = 6, h = 4;
  std::vector<std::vector<uint8_t>> frames(4, std::vector<uint8_t>(w * h, 1));
  frames[1][2 * w + 3] = 2;  // one pixel changes
  frames[2] = frames[1];     // nothing changes
  frames[3] = frames[2];
  frames[3][0] = 3, frames[3][w * h - 1] = 0;  // opposite corners: the whole picture
  const std::string gif = EncodeGifAnimation(w, h, palette, frames, 3);

  GifFile file(gif);
  GifFileType* g = file.get();
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(DGifSlurp(g), GIF_OK);
  ASSERT_EQ(g->ImageCount, 4);
  EXPECT_EQ(g->SavedImages[1].ImageDesc.Width * g->SavedImages[1].ImageDesc.Height, 1);
  std::vector<int> screen(w * h, -1);
  for (int n = 0; n < g->ImageCount; ++n) {
    SCOPED_TRACE(n);
    GraphicsControlBlock gcb{};
    ASSERT_EQ(DGifSavedExtensionToGCB(g, n, &gcb), GIF_OK);
    const SavedImage& im = g->SavedImages[n];
    for (int y = 0; y < im.ImageDesc.Height; ++y) {
      for (int x = 0; x < im.ImageDesc.Width; ++x) {
        const int i = im.RasterBits[y * im.ImageDesc.Width + x];
        if (i != gcb.TransparentColor)
          screen[(im.ImageDesc.Top + y) * w + im.ImageDesc.Left + x] = i;
      }
    }
    EXPECT_EQ(std::vector<int>(frames[n].begin(), frames[n].end()), screen);
  }

  EXPECT_THROW(EncodeGifAnimation(w, h, palette, {std::vector<uint8_t>(w * h, 4)}, 3), Error);
  EXPECT_THROW(EncodeGifAnimation(w, h, std::vector<Color>(256), frames, 3), Error);
  EXPECT_THROW(EncodeGifAnimation(w, h, palette, {std::vector<uint8_t>(5)}, 3), Error);
}

TEST(GifTest, BadInput) {
  Frame f{0, 0, 2, 2, false, {}, -1, {0, 1, 2, 3}};
  const std::string good = MakeGif(2, 2, kMap, {f});
  // Offsets: image descriptor after the 13-byte screen descriptor, the 12
  // bytes of the 4-colour table and its ',' separator.
  const size_t image = 13 + 12 + 1;
  Frame big{0, 0, 1, 1, false, {}, -1, {1}};
  std::string huge_frame = MakeGif(2, 2, kMap, {big});
  testing::PutLE(huge_frame, image + 4, 20000, 2);
  testing::PutLE(huge_frame, image + 6, 20000, 2);
  const testing::BadFile cases[] = {
      {"empty file", "", "empty"},
      {"garbage", std::string(64, 'x'), "not in GIF format"},
      {"signature only", "GIF89a", "No screen descriptor"},
      {"cut in the pixels", good.substr(0, good.size() - 4), "unexpected end"},
      {"frame 20000 x 20000", huge_frame, "frame too large"},
      {"no colour table",
       [&] {
         std::string b = good.substr(0, 13) + good.substr(13 + 12);
         b[10] = static_cast<char>(b[10] & 0x7F);
         return b;
       }(),
       "no colour table"},
      {"no picture", MakeGif(2, 2, kMap, {}), "holds no picture"},
      {"nothing at all", MakeGif(0, 0, kMap, {Frame{0, 0, 0, 0, false, {}, -1, {}}}), "no pixels"},
  };
  testing::ExpectEachRefused(cases, "bad.gif",
                             [](const std::string& b, const std::string& f) { DecodeGif(b, f); });
}

}  // namespace
}  // namespace lpc
