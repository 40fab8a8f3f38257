#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "imaging/picture.h"
#include "imaging/test_support.h"

namespace lpc {
namespace {

using testing::ExpectFormatError;
using testing::PutLE;

struct BmpSpec {
  uint32_t header_size = 40;
  int32_t width = 0;
  int32_t height = 0;
  int bpp = 24;
  uint32_t compression = 0;
  std::vector<Color> palette;
  std::vector<uint32_t> masks;  // after a 40-byte header, or inside a larger one
  std::string pixels;
};

std::string BuildBmp(const BmpSpec& s) {
  const bool core = s.header_size == 12;
  const size_t entry = core ? 3 : 4;
  const size_t extra_masks = s.header_size == 40 ? s.masks.size() * 4 : 0;
  const size_t offset = 14 + s.header_size + extra_masks + s.palette.size() * entry;
  std::string b(offset, '\0');
  b[0] = 'B';
  b[1] = 'M';
  PutLE(b, 2, static_cast<uint32_t>(offset + s.pixels.size()), 4);
  PutLE(b, 10, static_cast<uint32_t>(offset), 4);
  PutLE(b, 14, s.header_size, 4);
  if (core) {
    PutLE(b, 18, static_cast<uint32_t>(s.width), 2);
    PutLE(b, 20, static_cast<uint32_t>(s.height), 2);
    PutLE(b, 22, 1, 2);
    PutLE(b, 24, static_cast<uint32_t>(s.bpp), 2);
  } else {
    PutLE(b, 18, static_cast<uint32_t>(s.width), 4);
    PutLE(b, 22, static_cast<uint32_t>(s.height), 4);
    PutLE(b, 26, 1, 2);
    PutLE(b, 28, static_cast<uint32_t>(s.bpp), 2);
    PutLE(b, 30, s.compression, 4);
    PutLE(b, 46, static_cast<uint32_t>(s.palette.size()), 4);
    for (size_t i = 0; i < s.masks.size(); ++i) PutLE(b, 54 + 4 * i, s.masks[i], 4);
  }
  size_t p = 14 + s.header_size + extra_masks;
  for (Color c : s.palette) {
    b[p] = static_cast<char>(BlueOf(c));
    b[p + 1] = static_cast<char>(GreenOf(c));
    b[p + 2] = static_cast<char>(RedOf(c));
    p += entry;
  }
  return b + s.pixels;
}

// Packs rows (in file order) of indices, raw 16/32-bit values or 24-bit colours, each row
// padded to 4 bytes.
std::string PackRows(int bpp, const std::vector<std::vector<uint32_t>>& rows) {
  std::string out;
  for (const auto& row : rows) {
    std::string r;
    if (bpp <= 8) {
      const size_t bytes = (row.size() * bpp + 7) / 8;
      r.assign(bytes, '\0');
      for (size_t x = 0; x < row.size(); ++x) {
        const size_t bit = x * bpp;
        r[bit / 8] = static_cast<char>(r[bit / 8] | (row[x] << (8 - bpp - bit % 8)));
      }
    } else {
      for (uint32_t v : row) {
        const std::string le = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                                static_cast<char>((v >> 16) & 0xFF),
                                static_cast<char>((v >> 24) & 0xFF)};
        r += le.substr(0, bpp / 8);
      }
    }
    r.resize((r.size() + 3) / 4 * 4, '\0');
    out += r;
  }
  return out;
}

std::vector<Color> Palette(int n) {
  std::vector<Color> p(n);
  for (int i = 0; i < n; ++i) p[i] = MakeColor(i * 7 + 1, 255 - i, i * 3);
  return p;
}

struct DepthCase {
  const char* label;
  int bpp;
  uint32_t compression;
  std::vector<uint32_t> masks;
  int palette_size;
  std::vector<uint32_t> top, bottom;       // raw values of the top and bottom rows
  std::vector<Color> top_rgb, bottom_rgb;  // expected colours; empty: palette lookups
};

TEST(BmpTest, EveryDepthBothRowOrders) {
  const std::vector<DepthCase> cases = {
      {"1 bit", 1, 0, {}, 2, {1, 0, 1}, {0, 1, 1}, {}, {}},
      {"4 bit", 4, 0, {}, 16, {15, 3, 7}, {0, 9, 1}, {}, {}},
      {"8 bit", 8, 0, {}, 256, {200, 0, 255}, {1, 128, 17}, {}, {}},
      {"16 bit 5-5-5",
       16,
       0,
       {},
       0,
       {0x7C00, 0x03E0, 0x001F},
       {0x0421, 0x4210, 0x3DEF},
       {MakeColor(255, 0, 0), MakeColor(0, 255, 0), MakeColor(0, 0, 255)},
       {MakeColor(8, 8, 8), MakeColor(132, 132, 132), MakeColor(123, 123, 123)}},
      {"16 bit 5-6-5 bit fields",
       16,
       3,
       {0xF800, 0x07E0, 0x001F},
       0,
       {0x0020, 0x0400, 0xFFFF},
       {0x8000, 0x0001, 0x0000},
       {MakeColor(0, 4, 0), MakeColor(0, 130, 0), MakeColor(255, 255, 255)},
       {MakeColor(132, 0, 0), MakeColor(0, 0, 8), MakeColor(0, 0, 0)}},
      {"24 bit",
       24,
       0,
       {},
       0,
       {0x112233, 0xFFFFFF, 0x000000},
       {0xABCDEF, 0x010203, 0x808080},
       {0x112233, 0xFFFFFF, 0x000000},
       {0xABCDEF, 0x010203, 0x808080}},
      {"32 bit, alpha byte ignored",
       32,
       0,
       {},
       0,
       {0xFF112233, 0x00445566, 0x80FFFFFF},
       {0x12000000, 0x00000001, 0xFEDCBA98},
       {0x112233, 0x445566, 0xFFFFFF},
       {0x000000, 0x000001, 0xDCBA98}},
      {"32 bit fields, R-G-B-A byte order",
       32,
       3,
       {0x000000FF, 0x0000FF00, 0x00FF0000},
       0,
       {0x00332211, 0xFF0000FF, 0x00FF0000},
       {0, 0, 0},
       {0x112233, 0xFF0000, 0x0000FF},
       {0, 0, 0}},
      {"32 bit fields, 10-10-10",
       32,
       3,
       {0x3FF00000, 0x000FFC00, 0x000003FF},
       0,
       {0x3FF00000, 0x00080000 | (512u << 10), 1},
       {0, 0, 0},
       {0xFF0000, MakeColor(0, 128, 0) | MakeColor(0, 0, 0), MakeColor(0, 0, 0)},
       {0, 0, 0}},
  };
  for (const DepthCase& c : cases) {
    const std::vector<Color> palette = Palette(c.palette_size);
    auto expect_row = [&](const Bitmap& bmp, int y, const std::vector<uint32_t>& raw,
                          const std::vector<Color>& rgb, const char* order) {
      for (int x = 0; x < 3; ++x) {
        const Color want = rgb.empty() ? palette[raw[x]] : rgb[x];
        EXPECT_EQ(bmp.At(x, y), want) << c.label << ", " << order << ", x=" << x << " y=" << y;
      }
    };
    for (bool top_down : {false, true}) {
      BmpSpec s;
      s.width = 3;
      s.height = top_down ? -2 : 2;
      s.bpp = c.bpp;
      s.compression = c.compression;
      s.masks = c.masks;
      s.palette = palette;
      s.pixels = top_down ? PackRows(c.bpp, {c.top, c.bottom}) : PackRows(c.bpp, {c.bottom, c.top});
      const Bitmap bmp = DecodeBmp(BuildBmp(s), "t.bmp");
      ASSERT_EQ(bmp.width(), 3) << c.label;
      ASSERT_EQ(bmp.height(), 2) << c.label;
      const char* order = top_down ? "top-down" : "bottom-up";
      expect_row(bmp, 0, c.top, c.top_rgb, order);
      expect_row(bmp, 1, c.bottom, c.bottom_rgb, order);
    }
  }
}

TEST(BmpTest, OtherHeaderForms) {
  // V4 and V5 headers carry their masks inside the header.
  for (uint32_t size : {56u, 108u, 124u}) {
    BmpSpec s{size, 2, 1, 16, 3, {}, {0xF800, 0x07E0, 0x001F}, PackRows(16, {{0xF800, 0x001F}})};
    const Bitmap b = DecodeBmp(BuildBmp(s), "v.bmp");
    EXPECT_EQ(b.At(0, 0), 0xFF0000u) << size;
    EXPECT_EQ(b.At(1, 0), 0x0000FFu) << size;
  }
  // The OS/2 core header: 16-bit sizes and three-byte palette entries.
  BmpSpec core{12, 2, 2, 8, 0, Palette(4), {}, PackRows(8, {{3, 2}, {1, 0}})};
  const Bitmap c = DecodeBmp(BuildBmp(core), "core.bmp");
  EXPECT_EQ(c.At(0, 0), Palette(4)[1]);
  EXPECT_EQ(c.At(1, 1), Palette(4)[2]);
  BmpSpec core24{12, 1, 1, 24, 0, {}, {}, PackRows(24, {{0x123456}})};
  EXPECT_EQ(DecodeBmp(BuildBmp(core24), "core.bmp").At(0, 0), 0x123456u);
}

TEST(BmpTest, ShortPaletteAndMissingLastPadding) {
  // Indices past a short palette show black.
  BmpSpec s{40, 2, 1, 8, 0, Palette(2), {}, PackRows(8, {{1, 77}})};
  Bitmap b = DecodeBmp(BuildBmp(s), "p.bmp");
  EXPECT_EQ(b.At(0, 0), Palette(2)[1]);
  EXPECT_EQ(b.At(1, 0), 0u);
  // Some writers leave out the padding after the last row.
  BmpSpec t{40, 1, 2, 24, 0, {}, {}, PackRows(24, {{0x010203}, {0x040506}})};
  std::string bytes = BuildBmp(t);
  bytes.resize(bytes.size() - 1);
  b = DecodeBmp(bytes, "p.bmp");
  EXPECT_EQ(b.At(0, 0), 0x040506u);
  EXPECT_EQ(b.At(0, 1), 0x010203u);
}

TEST(BmpTest, RunLengthCompressed) {
  // RLE8, 4 x 3: a run, a literal run with its pad byte, a move, a run, the end code.
  const std::string rle8 = std::string("\x03\x05\x00\x00", 4) +
                           std::string("\x00\x03\x01\x02\x03\x00\x00\x00", 8) +
                           std::string("\x00\x02\x01\x00\x02\x07\x00\x01", 8);
  BmpSpec s{40, 4, 3, 8, 1, Palette(8), {}, rle8};
  Bitmap b = DecodeBmp(BuildBmp(s), "r.bmp");
  const std::vector<Color> p = Palette(8);
  const std::vector<std::vector<Color>> want8 = {
      {0, p[7], p[7], 0}, {p[1], p[2], p[3], 0}, {p[5], p[5], p[5], 0}};
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.At(x, y), want8[y][x]) << "RLE8 " << x << "," << y;
  }
  // RLE4, 4 x 2: a run alternating two indices, a literal run of three, no end code at all.
  const std::string rle4 = std::string("\x04\x12\x00\x00", 4) + std::string("\x00\x03\x34\x50", 4);
  BmpSpec s4{40, 4, 2, 4, 2, Palette(16), {}, rle4};
  b = DecodeBmp(BuildBmp(s4), "r.bmp");
  const std::vector<Color> q = Palette(16);
  const std::vector<std::vector<Color>> want4 = {{q[3], q[4], q[5], 0}, {q[1], q[2], q[1], q[2]}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.At(x, y), want4[y][x]) << "RLE4 " << x << "," << y;
  }
  // Runs that overshoot the row or the picture are clipped, not written outside.
  BmpSpec wild{40, 2, 1, 8, 1, Palette(2), {}, std::string("\xFF\x01\x00\x02\xFF\xFF\xFF\x01", 8)};
  b = DecodeBmp(BuildBmp(wild), "r.bmp");
  EXPECT_EQ(b.At(1, 0), p[1]);
}

TEST(BmpTest, EncodeRoundTripIsExact) {
  for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {5, 7}, {64, 3}}) {
    const Bitmap in = testing::Gradient(w, h);
    const std::string bytes = EncodeBmp(in);
    EXPECT_EQ(bytes.size(), 54 + static_cast<size_t>((w * 3 + 3) / 4 * 4) * h);
    EXPECT_EQ(DecodeBmp(bytes, "x.bmp"), in) << w << "x" << h;
  }
}

TEST(BmpTest, BadInput) {
  const BmpSpec good{40, 3, 2, 24, 0, {}, {}, PackRows(24, {{1, 2, 3}, {4, 5, 6}})};
  const BmpSpec pal{40, 3, 2, 8, 0, Palette(256), {}, PackRows(8, {{1, 2, 3}, {4, 5, 6}})};
  auto patched = [](const BmpSpec& s, size_t off, uint32_t v, int n) {
    std::string b = BuildBmp(s);
    PutLE(b, off, v, n);
    return b;
  };
  auto cut = [](const BmpSpec& s, size_t keep) { return BuildBmp(s).substr(0, keep); };
  BmpSpec huge = good;
  huge.width = 16384;
  huge.height = 16384;
  huge.pixels = std::string(10, '\0');
  BmpSpec masks_cut{40, 1, 1, 16, 3, {}, {}, ""};
  const testing::BadFile cases[] = {
      {"empty file", "", "empty"},
      {"signature only", "BM", "truncated bitmap file header"},
      {"garbage", std::string(100, 'x'), "no 'BM' signature"},
      {"truncated info header", cut(good, 30), "truncated bitmap info header"},
      {"unknown header size", patched(good, 14, 20, 4), "unsupported bitmap header size 20"},
      {"20000 pixels wide", patched(good, 18, 20000, 4), "too large"},
      {"20000 pixels high, top-down", patched(good, 22, static_cast<uint32_t>(-20000), 4),
       "too large"},
      {"height of INT_MIN", patched(good, 22, 0x80000000u, 4), "too large"},
      {"zero width", patched(good, 18, 0, 4), "no pixels"},
      {"zero height", patched(good, 22, 0, 4), "no pixels"},
      {"negative width", patched(good, 18, static_cast<uint32_t>(-3), 4), "no pixels"},
      {"bit depth 3", patched(good, 28, 3, 2), "unsupported bit depth 3"},
      {"bit depth 0", patched(good, 28, 0, 2), "unsupported bit depth 0"},
      {"JPEG inside", patched(good, 30, 4, 4), "unsupported bitmap compression 4"},
      {"PNG inside", patched(good, 30, 5, 4), "unsupported bitmap compression 5"},
      {"RLE8 at 24 bits", patched(good, 30, 1, 4), "run-length compression with bit depth 24"},
      {"bit fields at 24 bits", patched(good, 30, 3, 4), "bit-field pixels with bit depth 24"},
      {"RLE stored top-down",
       [&] {
         std::string b = patched(pal, 30, 1, 4);
         PutLE(b, 22, static_cast<uint32_t>(-2), 4);
         return b;
       }(),
       "top-down"},
      {"300 palette entries at 8 bits", patched(pal, 46, 300, 4), "bad palette count 300"},
      {"4 billion palette entries", patched(pal, 46, 0xFFFFFFFFu, 4), "bad palette count"},
      {"palette cut short", cut(pal, 14 + 40 + 100), "palette runs past the end"},
      {"pixel offset past the end", patched(good, 10, 0xFFFFFFF0u, 4), "pixel data offset"},
      {"pixel data cut short", cut(good, 14 + 40 + 10), "pixel data truncated"},
      {"16384 x 16384 with ten bytes", BuildBmp(huge), "pixel data truncated"},
      {"bit-field masks cut short", BuildBmp(masks_cut), "truncated colour masks"},
  };
  testing::ExpectEachRefused(cases, "bad.bmp",
                             [](const std::string& b, const std::string& f) { DecodeBmp(b, f); });
}

TEST(BmpTest, PixelBudget) {
  const BmpSpec s{40, 100, 100, 24, 0, {}, {}, std::string(30000, '\0')};
  EXPECT_EQ(DecodeBmp(BuildBmp(s), "a.bmp", DecodeLimits{10000}).width(), 100);
  ExpectFormatError([&] { DecodeBmp(BuildBmp(s), "a.bmp", DecodeLimits{9999}); }, "a.bmp",
                    "the picture is 100 x 100, larger than the limit of 9999 pixels");
  // Run-length data may fill any size, so only the budget stops this one.
  const BmpSpec huge{40, 12000, 8334, 8, 1, {}, {}, std::string(30000, '\0')};
  ExpectFormatError([&] { DecodeBmp(BuildBmp(huge), "a.bmp", kAuthoringLimits); }, "a.bmp",
                    "the picture is 12000 x 8334, larger than the limit of 100 megapixels");
}

}  // namespace
}  // namespace lpc
