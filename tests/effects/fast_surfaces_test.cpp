#include "effects/fast_surfaces.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace lpc {
namespace {

// Fills a 24-bit surface so that every storage pixel (x, row) holds (x, row, 7) as b, g, r.
void FillCoordinates(FastRgbSurface& s) {
  for (int32_t row = 0; row < s.Height; ++row) {
    for (int32_t x = 0; x < s.Width; ++x) {
      uint8_t* p = s.Rows[row] + x * 3;
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(row);
      p[2] = 7;
    }
  }
}

// (b, g) of a storage pixel.
std::pair<int, int> At(const FastRgbSurface& s, int x, int row) {
  const uint8_t* p = s.Rows[row] + x * 3;
  return {p[0], p[1]};
}

TEST(FastSurface, StrideAndPaddingPerWidth) {
  struct Case {
    int w, stride24, pad24, stride8, pad8;
  };
  const Case cases[] = {{1, 4, 1, 4, 3},  {2, 8, 2, 4, 2},   {3, 12, 3, 4, 1},
                        {4, 12, 0, 4, 0}, {5, 16, 1, 8, 3}, {0, 0, 0, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w);
    FastRgbSurface s(c.w, 3);
    EXPECT_EQ(s.RowStride, c.stride24);
    EXPECT_EQ(s.RowPadding, c.pad24);
    EXPECT_EQ(s.ByteSize, c.stride24 * 3);
    FastPalettedSurface e(c.w, 3);
    EXPECT_EQ(e.RowStride, c.stride8);
    EXPECT_EQ(e.RowPadding, c.pad8);
    ASSERT_EQ(s.Rows.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(s.Rows[i] - s.Rows[0], i * s.RowStride);
  }
}

TEST(FastSurface, AllocateKeepsContentsOnlyAtTheSameSize) {
  FastRgbSurface s(3, 2);
  s.Rows[1][4] = 99;
  s.Allocate(3, 2);
  EXPECT_EQ(s.Rows[1][4], 99);
  s.Allocate(4, 2);
  EXPECT_EQ(s.Rows.size(), 2u);
  EXPECT_EQ(s.Rows[1][4], 0);
  EXPECT_THROW(s.Allocate(kMaxPictureSide + 1, 1), Error);
  s.Allocate(-5, 3);
  EXPECT_EQ(s.Width, 0);
}

TEST(FastSurface, LoadAndDrawKeepColoursAndStoreRowsBottomUp) {
  Bitmap b(3, 2);
  b.At(0, 0) = 0x112233;
  b.At(2, 0) = 0xABCDEF;
  b.At(1, 1) = 0x010203;
  FastRgbSurface s;
  s.LoadFromBitmapHandle(b);
  EXPECT_EQ(s.Width, 3);
  EXPECT_EQ(s.Height, 2);
  // Storage row 1 is the top line of the picture.
  EXPECT_EQ(s.Rows[1][0], 0x33);
  EXPECT_EQ(s.Rows[1][1], 0x22);
  EXPECT_EQ(s.Rows[1][2], 0x11);
  EXPECT_EQ(s.PixelColor(1, 0), 0x010203u);
  EXPECT_EQ(SurfaceToBitmap(s), b);
}

TEST(FastSurface, DrawVariants) {
  Bitmap b(2, 2);
  b.At(0, 0) = 1; b.At(1, 0) = 2; b.At(0, 1) = 3; b.At(1, 1) = 4;
  FastRgbSurface s;
  s.LoadFromBitmapHandle(b);

  Bitmap out(5, 5);
  Canvas c(out);
  s.DrawAt(c, -1, 3);  // clipped on the left and the bottom
  EXPECT_EQ(out.At(0, 3), 2u);
  EXPECT_EQ(out.At(0, 4), 4u);

  Bitmap st(4, 4);
  Canvas cs(st);
  s.DrawStretched(cs, 0, 0, 4, 4);
  EXPECT_EQ(st.At(1, 1), 1u);
  EXPECT_EQ(st.At(3, 2), 4u);

  // Source positions count from the bottom-left: (1, 0) is the bottom-right pixel.
  Bitmap part(1, 1);
  Canvas cp(part);
  s.DrawPart(cp, 0, 0, 1, 1, 1, 0);
  EXPECT_EQ(part.At(0, 0), 4u);
  s.DrawPartStretched(cp, 0, 0, 1, 1, 0, 1, 1, 1);
  EXPECT_EQ(part.At(0, 0), 1u);

  Bitmap tiled(5, 3);
  Canvas ct(tiled);
  s.DrawTiled(ct, 0, 0, 5, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(tiled.At(x, y), b.At(x % 2, y % 2));
  }
}

TEST(FastSurface, ResampleNearestReplicatesAndSamples) {
  FastRgbSurface s(2, 2), big(4, 4);
  FillCoordinates(s);
  s.ResampleNearest(big);
  for (int row = 0; row < 4; ++row) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(big, x, row), std::pair(x / 2, row / 2));
  }
  FastRgbSurface four(4, 4), two(2, 2);
  FillCoordinates(four);
  four.ResampleNearest(two);
  for (int row = 0; row < 2; ++row) {
    for (int x = 0; x < 2; ++x) EXPECT_EQ(At(two, x, row), std::pair(x * 2, row * 2));
  }
  // Enlarging by 1.5: each source pixel covers Round(2.0) = 2 dest pixels from Trunc(x * 1.5).
  FastRgbSurface s2(2, 1), d3(3, 1);
  FillCoordinates(s2);
  s2.ResampleNearest(d3);
  EXPECT_EQ(At(d3, 0, 0).first, 0);
  EXPECT_EQ(At(d3, 1, 0).first, 1);
  EXPECT_EQ(At(d3, 2, 0).first, 1);
  // One direction shrinking takes the point-sampling path for both.
  FastRgbSurface wide(4, 2), tall(2, 4);
  FillCoordinates(wide);
  wide.ResampleNearest(tall);
  EXPECT_EQ(At(tall, 1, 3), std::pair(2, 1));
}

TEST(FastSurface, ResampleBilinearExactValues) {
  FastRgbSurface two(2, 1), four(4, 1);
  two.Rows[0][0] = 0;
  two.Rows[0][3] = 255;
  two.ResampleBilinear(four);
  const int want[] = {0, 63, 127, 191};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(four.Rows[0][x * 3], want[x]);

  // One pixel wide: the same as point sampling.
  FastRgbSurface narrow(1, 3), a(3, 5), b(3, 5);
  FillCoordinates(narrow);
  narrow.ResampleBilinear(a);
  narrow.ResampleNearest(b);
  EXPECT_EQ(std::vector<uint8_t>(a.Bits, a.Bits + a.ByteSize),
            std::vector<uint8_t>(b.Bits, b.Bits + b.ByteSize));

  // One row: that row serves as both neighbours.
  FastRgbSurface row(3, 1), rows(5, 2);
  FillCoordinates(row);
  row.ResampleBilinear(rows);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(rows.Rows[1][x * 3], rows.Rows[0][x * 3]);

  // A 2-D case worked by hand: 2x2 into 3x3, weights in 1/32768.
  FastRgbSurface sq(2, 2), nine(3, 3);
  sq.Rows[0][0] = 0; sq.Rows[0][3] = 90; sq.Rows[1][0] = 30; sq.Rows[1][3] = 240;
  sq.ResampleBilinear(nine);
  // step = 32768 / 3 = 10922; position (1,1): fx = fy = 10922.
  const uint32_t f = 10922, w2 = (f * (0x8000 - f)) >> 15, w1 = (0x8000 - f) - w2;
  const uint32_t w4 = (f * f) >> 15, w3 = f - w4;
  EXPECT_EQ(nine.Rows[1][3], (0 * w1 + 90 * w2 + 30 * w3 + 240 * w4) >> 15);
  EXPECT_EQ(nine.Rows[0][0], 0);
}

TEST(FastSurface, SameSizeResampleCopiesAndEmptyDestIsLeftAlone) {
  FastRgbSurface s(3, 3), d(3, 3), empty;
  FillCoordinates(s);
  s.ResampleBilinear(d);
  EXPECT_EQ(At(d, 2, 1), std::pair(2, 1));
  EXPECT_NO_THROW(s.ResampleNearest(empty));
  EXPECT_NO_THROW(empty.ResampleBilinear(d));  // from nothing: nothing happens
}

TEST(FastSurface, CopyBlockClipping) {
  struct Case {
    const char* name;
    int x, y, w, h, sx, sy;
    int dest_x, dest_row, src_x, src_row;  // one pixel that must have been copied
    int copied;                            // number of pixels written
  };
  const Case cases[] = {
      {"plain", 1, 1, 2, 2, 0, 0, 1, 1, 0, 0, 4},
      {"left of dest", -3, 0, 5, 1, 0, 0, 0, 0, 3, 0, 2},
      {"above dest", 0, -2, 1, 4, 0, 0, 0, 0, 0, 2, 2},
      {"left of source", 0, 0, 4, 1, -2, 0, 2, 0, 0, 0, 2},
      {"right of source", 0, 0, 9, 1, 3, 0, 0, 0, 3, 0, 2},
      {"entirely left", -9, 0, 5, 5, 0, 0, -1, -1, -1, -1, 0},
      {"source beyond", 0, 0, 5, 5, 6, 0, -1, -1, -1, -1, 0},
      {"negative size", 0, 0, -2, 3, 0, 0, -1, -1, -1, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FastRgbSurface src(5, 5), dst(5, 5);
    FillCoordinates(src);
    src.CopyBlock(dst, c.x, c.y, c.w, c.h, c.sx, c.sy);
    int written = 0;
    for (int row = 0; row < 5; ++row) {
      for (int x = 0; x < 5; ++x) written += dst.Rows[row][x * 3 + 2] == 7;
    }
    EXPECT_EQ(written, c.copied);
    if (c.dest_x >= 0) { EXPECT_EQ(At(dst, c.dest_x, c.dest_row), std::pair(c.src_x, c.src_row)); }
  }
}

TEST(FastSurface, CopyBlockWithinOneSurfaceGoesRowByRow) {
  FastRgbSurface s(6, 1);
  FillCoordinates(s);
  s.CopyBlock(s, 2, 0, 4, 1, 0, 0);  // overlapping: as if through a buffer
  const int want[] = {0, 1, 0, 1, 2, 3};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(s.Rows[0][x * 3], want[x]);
}

TEST(FastSurface, TileIntoRepeatsThePattern) {
  FastRgbSurface s(3, 2), d(10, 5);
  FillCoordinates(s);
  s.TileInto(d);
  for (int row = 0; row < 5; ++row) {
    for (int x = 0; x < 10; ++x) EXPECT_EQ(At(d, x, row), std::pair(x % 3, row % 2));
  }
  FastPalettedSurface e(3, 2), f(7, 7);
  for (int row = 0; row < 2; ++row) for (int x = 0; x < 3; ++x) e.Rows[row][x] = x + 10 * row;
  e.TileInto(f);
  for (int row = 0; row < 7; ++row) {
    for (int x = 0; x < 7; ++x) EXPECT_EQ(f.Rows[row][x], (x % 3) + 10 * (row % 2));
  }
}

TEST(FastSurface, EightBitSurfaces) {
  FastPalettedSurface s(2, 2), d(4, 4), b(3, 1);
  s.Rows[0][0] = 10; s.Rows[0][1] = 20; s.Rows[1][0] = 30; s.Rows[1][1] = 40;
  s.ResampleNearest(d);
  EXPECT_EQ(d.Rows[3][3], 40);
  EXPECT_EQ(d.Rows[0][1], 10);
  FastPalettedSurface two(2, 1);
  two.Rows[0][0] = 0;
  two.Rows[0][1] = 255;
  two.ResampleBilinear(b);
  EXPECT_EQ(b.Rows[0][0], 0);
  EXPECT_EQ(b.Rows[0][1], 84);  // 255 * 10922 >> 15: the fixed point truncates
  EXPECT_EQ(b.Rows[0][2], 169);
  s.Colors[40] = 0x00FF8000;
  Bitmap out(2, 2);
  Canvas c(out);
  s.DrawAt(c, 0, 0);
  EXPECT_EQ(out.At(1, 0), 0x00FF8000u);
  EXPECT_EQ(out.At(0, 1), MakeColor(10, 10, 10));
}

TEST(FastSurface, MixingKindsIsRefused) {
  FastRgbSurface a(2, 2);
  FastPalettedSurface b(2, 2);
  EXPECT_THROW(a.ResampleNearest(b), Error);
  EXPECT_THROW(b.ResampleBilinear(a), Error);
  EXPECT_THROW(a.CopyBlock(b, 0, 0, 1, 1, 0, 0), Error);
  EXPECT_THROW(b.TileInto(a), Error);
}

}  // namespace
}  // namespace lpc
