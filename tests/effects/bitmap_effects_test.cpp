#include "effects/bitmap_effects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/errors.h"
#include "base/random.h"

namespace lpc {
namespace {

struct OnePixel : FastRgbSurface {
  OnePixel(int r, int g, int b) : FastRgbSurface(1, 1) {
    Rows[0][0] = static_cast<uint8_t>(b);
    Rows[0][1] = static_cast<uint8_t>(g);
    Rows[0][2] = static_cast<uint8_t>(r);
  }
};

TEST(AdjustSaturation, Examples) {
  struct Case {
    int amount;
    int r, g, b;     // in
    int er, eg, eb;  // out
  };
  const Case cases[] = {
      {256, 100, 150, 200, 100, 150, 200}, {256, 255, 0, 7, 255, 0, 7},
      {0, 100, 150, 200, 150, 150, 150},   {1, 100, 150, 200, 150, 150, 150},
      {1, 255, 0, 0, 85, 85, 85},          {0, 1, 1, 2, 1, 1, 1},
      {512, 100, 150, 200, 50, 150, 250},  {512, 10, 250, 130, 0, 255, 130},
      {128, 0, 0, 255, 43, 43, 170},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.amount << ": " << c.r << "," << c.g << "," << c.b);
    OnePixel s(c.r, c.g, c.b);
    AdjustSaturation(s, c.amount);
    EXPECT_EQ(s.Rows[0][2], c.er);
    EXPECT_EQ(s.Rows[0][1], c.eg);
    EXPECT_EQ(s.Rows[0][0], c.eb);
  }
}

TEST(AdjustSaturation, EveryPixelOfAPaddedSurface) {
  FastRgbSurface s(5, 3);  // 1 byte of padding per row
  RandSeed(5);
  for (int row = 0; row < 3; ++row) for (int i = 0; i < 15; ++i) s.Rows[row][i] = Random(256);
  FastRgbSurface copy(5, 3);
  s.CopyBlock(copy, 0, 0, 5, 3, 0, 0);
  s.Rows[0][15] = 77;  // padding byte: left alone
  AdjustSaturation(s, 0);
  EXPECT_EQ(s.Rows[0][15], 77);
  for (int row = 0; row < 3; ++row) {
    for (int x = 0; x < 5; ++x) {
      const uint8_t* o = copy.Rows[row] + 3 * x;
      const int m = (o[0] + o[1] + o[2]) / 3;
      for (int c = 0; c < 3; ++c) EXPECT_EQ(s.Rows[row][3 * x + c], m);
    }
  }
}

TEST(AdjustSaturation, EightBitSurface) {
  FastPalettedSurface s(4, 1);
  s.Rows[0][0] = 0; s.Rows[0][1] = 100; s.Rows[0][2] = 200; s.Rows[0][3] = 255;
  AdjustSaturation(s, 128);  // p + p / 2, clamped
  const int want[] = {0, 150, 255, 255};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(s.Rows[0][x], want[x]);
}

TEST(Blend, MatchesTheTableArithmeticForEveryAmountAndPair) {
  // All 256 x 256 byte pairs.
  FastRgbSurface a(16384, 2), b(16384, 2), d(16384, 2);
  for (int i = 0; i < 65536; ++i) {
    a.Bits[i] = static_cast<uint8_t>(i & 0xFF);
    b.Bits[i] = static_cast<uint8_t>(i >> 8);
  }
  // The same pairs as 32-bit pixels (top bytes set, to be cleared), and against black.
  std::vector<Color> pa(16384 * 2), pb(16384 * 2), pd(16384 * 2), pk(16384 * 2);
  for (size_t i = 0; i < pa.size(); ++i) {
    const uint8_t* sa = a.Bits + i * 3;
    const uint8_t* sb = b.Bits + i * 3;
    pa[i] = 0xAB000000u | MakeColor(sa[2], sa[1], sa[0]);
    pb[i] = 0xCD000000u | MakeColor(sb[2], sb[1], sb[0]);
  }
  FastRgbSurface black(16384, 2);
  std::fill(black.Bits, black.Bits + black.ByteSize, 0);
  // Rows of 16384 pixels need no padding: the surface's bytes are the pixels in order.
  const auto pixels = [](const FastRgbSurface& s) {
    std::vector<Color> v(static_cast<size_t>(s.ByteSize / 3));
    for (size_t i = 0; i < v.size(); ++i) {
      v[i] = MakeColor(s.Bits[i * 3 + 2], s.Bits[i * 3 + 1], s.Bits[i * 3]);
    }
    return v;
  };
  for (int amount = 0; amount <= 256; ++amount) {
    Blend(d, a, b, amount);
    BlendPixels(pd.data(), pa.data(), pb.data(), pd.size(), amount);
    ASSERT_EQ(pd, pixels(d)) << "amount " << amount;
    FastRgbSurface dk(16384, 2);
    Blend(dk, black, b, amount);
    BlendPixels(pk.data(), nullptr, pb.data(), pk.size(), amount);
    ASSERT_EQ(pk, pixels(dk)) << "black, amount " << amount;
  }
  for (int amount = 0; amount <= 256; ++amount) {
    uint8_t table[511];
    for (int delta = -255; delta <= 255; ++delta) {
      table[delta + 255] = static_cast<uint8_t>((amount * delta) >> 8);
    }
    Blend(d, a, b, amount);
    for (int i = 0; i < 65536; ++i) {
      const uint8_t want = static_cast<uint8_t>(table[a.Bits[i] - b.Bits[i] + 255] + b.Bits[i]);
      ASSERT_EQ(d.Bits[i], want) << "amount " << amount << " a " << int(a.Bits[i]) << " b "
                                 << int(b.Bits[i]);
    }
  }
}

TEST(Blend, EndsMiddleAndBadArguments) {
  OnePixel a(200, 10, 101), b(50, 255, 0);
  FastRgbSurface d(1, 1);
  struct Case {
    int amount, r, g, bl;
  };
  const Case cases[] = {{0, 50, 255, 0},     {256, 200, 10, 101}, {128, 125, 132, 50},
                        {-40, 50, 255, 0},   {999, 200, 10, 101}};
  for (const Case& c : cases) {
    Blend(d, a, b, c.amount);
    EXPECT_EQ(d.Rows[0][2], c.r) << c.amount;
    EXPECT_EQ(d.Rows[0][1], c.g) << c.amount;
    EXPECT_EQ(d.Rows[0][0], c.bl) << c.amount;
  }
  FastRgbSurface other(2, 1);
  EXPECT_THROW(Blend(other, a, b, 10), Error);
  FastPalettedSurface eight(1, 1);
  EXPECT_THROW(Blend(eight, a, b, 10), Error);
  FastPalettedSurface e1(3, 1), e2(3, 1), e3(3, 1);
  e1.Rows[0][0] = 255;
  Blend(e3, e1, e2, 128);
  EXPECT_EQ(e3.Rows[0][0], 127);
  Blend(a, a, b, 128);  // in place
  EXPECT_EQ(a.Rows[0][2], 125);
}

PackedImage Picture1024x768() {
  PackedImage p;
  p.Picture.SetSize(1024, 768, 0x336699);
  p.Mask.SetSize(1024, 768, 0);
  for (int y = 400; y < 768; ++y) {
    for (int x = 0; x < 1024; ++x) p.Mask.At(x, y) = x < 300 ? 0x000000FF : 0x00FFFF00;
  }
  for (int i = 0; i < 4; ++i) {
    p.WaveParams[i].Amplitude = 8 + i;
    p.WaveParams[i].JitterRange = 6 + i;
    p.WaveParams[i].Period = 360;
  }
  return p;
}

TEST(FitProjectToSize, SizesAndWaveScaling) {
  struct Case {
    bool proportional;
    int w, h;
    int ew, eh;
    int amp0, jit0, amp3, jit3;
  };
  const Case cases[] = {
      // 8 * 1.25 = 10, 6 * 1.25 = 7.5 -> 8 (ties to even), 11 * 1.25 = 13.75 -> 14, 9 * 1.25
      {true, 1280, 1024, 1280, 960, 10, 8, 14, 11},
      // jitter scales by 1024 / 768: 6 -> 8, 9 -> 12
      {false, 1280, 1024, 1280, 1024, 10, 8, 14, 12},
      // taller box: the height limits, 600 * 4 / 3 = 800
      {true, 1000, 600, 800, 600, 6, 5, 9, 7},
      {false, 512, 384, 512, 384, 4, 3, 6, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << (c.proportional ? " prop" : ""));
    PackedImage p = Picture1024x768();
    FitProjectToSize(c.proportional, p, c.w, c.h);
    EXPECT_EQ(p.Picture.width(), c.ew);
    EXPECT_EQ(p.Picture.height(), c.eh);
    EXPECT_EQ(p.Mask.width(), c.ew);
    EXPECT_EQ(p.Mask.height(), c.eh);
    EXPECT_EQ(p.WaveParams[0].Amplitude, c.amp0);
    EXPECT_EQ(p.WaveParams[0].JitterRange, c.jit0);
    EXPECT_EQ(p.WaveParams[3].Amplitude, c.amp3);
    EXPECT_EQ(p.WaveParams[3].JitterRange, c.jit3);
    // A flat picture stays flat; the mask keeps only its own colours.
    EXPECT_EQ(p.Picture.At(c.ew / 2, c.eh / 2), 0x336699u);
    for (int y = 0; y < c.eh; y += 7) {
      for (int x = 0; x < c.ew; x += 3) {
        const Color m = p.Mask.At(x, y);
        ASSERT_TRUE(m == 0 || m == 0x000000FF || m == 0x00FFFF00) << x << "," << y;
      }
    }
  }
}

TEST(FitProjectToSize, RefusesEmptyTargetsAndPictures) {
  const int sizes[][2] = {{0, 600}, {800, 0}, {-5, 100}, {100, kMaxPictureSide + 1}};
  for (const auto& s : sizes) {
    PackedImage p = Picture1024x768();
    p.FileName = "sea.lpp";
    try {
      FitProjectToSize(true, p, s[0], s[1]);
      ADD_FAILURE() << "accepted " << s[0] << "x" << s[1];
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("sea.lpp"), std::string::npos) << e.what();
    }
    EXPECT_EQ(p.Picture.width(), 1024);
    EXPECT_EQ(p.WaveParams[0].Amplitude, 8);
  }
  PackedImage empty;
  EXPECT_THROW(FitProjectToSize(false, empty, 100, 100), Error);
}

TEST(FitProjectToSize, PictureIsTheBilinearResampleOfTheSurfaceAndTheMaskAWholePixelStretch) {
  // The picture must equal a round trip through a 24-bit surface, the mask a colour-on-colour
  // stretch, for shrinking, growing, equal and one-pixel sizes alike.
  const struct {
    int sw, sh, dw, dh;
  } cases[] = {{13, 9, 20, 17}, {13, 9, 5, 4}, {64, 1, 7, 3}, {1, 9, 4, 4},
               {13, 9, 13, 9},  {3, 2, 1, 1},  {2, 7, 9, 2}, {301, 203, 640, 479}};
  for (const auto& c : cases) {
    PackedImage p = Picture1024x768();
    RandSeed(11);
    p.Picture.SetSize(c.sw, c.sh);
    p.Mask.SetSize(c.sw, c.sh);
    for (int y = 0; y < c.sh; ++y) {
      for (int x = 0; x < c.sw; ++x) {
        p.Picture.At(x, y) = Random(1 << 24);
        p.Mask.At(x, y) = Random(4) * 0x3F;
      }
    }
    FastRgbSurface from, to(c.dw, c.dh);
    from.LoadFromBitmapHandle(p.Picture);
    from.ResampleBilinear(to);
    Bitmap mask(c.dw, c.dh);
    Canvas(mask).StretchDraw(Rect{0, 0, c.dw, c.dh}, p.Mask);
    FitProjectToSize(false, p, c.dw, c.dh);
    EXPECT_EQ(p.Picture, SurfaceToBitmap(to)) << c.sw << "x" << c.sh << " -> " << c.dw;
    EXPECT_EQ(p.Mask, mask) << c.sw << "x" << c.sh << " -> " << c.dw;
  }
}

TEST(SmoothResizeBitmap, EveryWidthEqualsTheSurfaceResample) {
  // Vector steps of eight and sixteen columns with their tails, samples that fit one window of
  // source pixels and samples that do not (shrinking, the row's end), and the top byte of the
  // source ignored; with and without the AVX2 path.
  const int source_widths[] = {2, 3, 9, 40, 67};
  for (const bool avx2 : {true, false}) {
    AllowResampleAvx2(avx2);
    for (const int sw : source_widths) {
      for (int dw = 1; dw <= 67; ++dw) {
        RandSeed(static_cast<uint32_t>(sw * 100 + dw));
        Bitmap src(sw, 3);
        for (int y = 0; y < 3; ++y) {
          for (int x = 0; x < sw; ++x) src.At(x, y) = Random(1 << 24) | (y == 1 ? 0xFF000000u : 0);
        }
        FastRgbSurface from, to(dw, 5);
        from.LoadFromBitmapHandle(src);
        from.ResampleBilinear(to);
        Bitmap dst(dw, 5);
        SmoothResizeBitmap(src, dst);
        ASSERT_EQ(dst, SurfaceToBitmap(to)) << sw << " -> " << dw << (avx2 ? " AVX2" : "");
      }
    }
  }
  AllowResampleAvx2(true);
}

TEST(BitmapWrappers, GreyscaleAndSmoothResize) {
  Bitmap red(2, 1);
  red.At(0, 0) = MakeColor(255, 0, 0);
  red.At(1, 0) = MakeColor(10, 20, 33);
  GreyscaleBitmap(red);
  EXPECT_EQ(red.At(0, 0), MakeColor(85, 85, 85));
  EXPECT_EQ(red.At(1, 0), MakeColor(21, 21, 21));

  Bitmap src(2, 2);
  src.At(0, 0) = MakeColor(0, 0, 0);
  src.At(1, 0) = MakeColor(255, 255, 255);
  src.At(0, 1) = MakeColor(0, 0, 0);
  src.At(1, 1) = MakeColor(255, 255, 255);
  Bitmap dst(4, 3, 0x123456);
  SmoothResizeBitmap(src, dst);
  EXPECT_EQ(dst.width(), 4);
  EXPECT_EQ(dst.height(), 3);
  EXPECT_EQ(dst.At(0, 1), 0u);
  EXPECT_EQ(dst.At(2, 1), MakeColor(127, 127, 127));
  Bitmap none;
  SmoothResizeBitmap(src, none);
  EXPECT_TRUE(none.empty());
  GreyscaleBitmap(none);
}

}  // namespace
}  // namespace lpc
