#include <gtest/gtest.h>

#include "imaging/picture.h"
#include "imaging/raw_jpeg.h"
#include "imaging/test_support.h"

namespace lpc {
namespace {

using testing::ExpectFormatError;

// A JPEG of `components` samples per pixel in `space`, every pixel `pixel`, at quality 100.
std::string RawJpeg(int width, int height, J_COLOR_SPACE space, int components,
                    const std::vector<JSAMPLE>& pixel, bool progressive = false) {
  std::vector<JSAMPLE> row;
  for (int x = 0; x < width; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
  return testing::RawJpeg(width, height, space, components, row,
                          [progressive](jpeg_compress_struct& c) {
                            jpeg_set_quality(&c, 100, TRUE);
                            if (progressive) jpeg_simple_progression(&c);
                          });
}

// Offset of the start-of-frame segment's height field (width follows).
size_t SofSizeOffset(const std::string& jpeg) {
  for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
    const auto m = static_cast<unsigned char>(jpeg[i + 1]);
    if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC2)) return i + 5;
  }
  return 0;
}

std::string WithSize(std::string jpeg, int width, int height) {
  const size_t at = SofSizeOffset(jpeg);
  jpeg[at] = static_cast<char>(height >> 8);
  jpeg[at + 1] = static_cast<char>(height & 0xFF);
  jpeg[at + 2] = static_cast<char>(width >> 8);
  jpeg[at + 3] = static_cast<char>(width & 0xFF);
  return jpeg;
}

TEST(JpegTest, RoundTripWithinTolerance) {
  for (auto [w, h] : {std::pair{1, 1}, {17, 9}, {64, 48}}) {
    const Bitmap in = testing::Gradient(w, h);
    const Bitmap out = DecodeJpeg(EncodeJpeg(in, 95), "g.jpg");
    ASSERT_EQ(out.width(), w);
    ASSERT_EQ(out.height(), h);
    EXPECT_LE(testing::MaxChannelDifference(in, out), 12) << w << "x" << h;
    for (size_t i = 0; i < out.pixel_count(); ++i) ASSERT_EQ(out.data()[i] >> 24, 0u);
  }
  // Lower quality gives a smaller file of the same picture.
  const Bitmap big = testing::Gradient(128, 128);
  EXPECT_LT(EncodeJpeg(big, 20).size(), EncodeJpeg(big, 95).size());
}

// libjpeg's own output for the file, one row per call, with the unused byte cleared.
Bitmap PlainDecode(const std::string& jpeg) {
  jpeg_decompress_struct d;
  jpeg_error_mgr err;
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(jpeg.data()),
               static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&d);
  Bitmap out(static_cast<int>(d.output_width), static_cast<int>(d.output_height));
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(out.Row(static_cast<int>(d.output_scanline)));
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  for (size_t i = 0; i < out.pixel_count(); ++i) out.data()[i] &= 0xFFFFFF;
  return out;
}

TEST(JpegTest, PixelsAreLibjpegsOwn) {
  // Row lengths with and without a tail after four pixels, rows starting on and off a 16-byte
  // boundary, heights that end inside a batch of rows, and the subsampled colour of a photo.
  for (auto [w, h] : {std::pair{1, 1}, {3, 5}, {4, 4}, {5, 7}, {17, 9}, {64, 48}, {67, 33}}) {
    const std::string jpeg = EncodeJpeg(testing::Gradient(w, h), 75);
    EXPECT_EQ(DecodeJpeg(jpeg, "g.jpg"), PlainDecode(jpeg)) << w << "x" << h;
  }
}

TEST(JpegTest, ColourSpacesBecomeRgb) {
  struct Case {
    const char* label;
    J_COLOR_SPACE space;
    int components;
    std::vector<JSAMPLE> pixel;
    Color want;
  } cases[] = {
      {"grey", JCS_GRAYSCALE, 1, {100}, MakeColor(100, 100, 100)},
      // Adobe's CMYK is stored inverted: 255 means no ink.
      {"CMYK red", JCS_CMYK, 4, {255, 0, 0, 255}, MakeColor(255, 0, 0)},
      {"CMYK half black", JCS_CMYK, 4, {255, 255, 255, 128}, MakeColor(128, 128, 128)},
      {"RGB", JCS_RGB, 3, {10, 200, 90}, MakeColor(10, 200, 90)},
  };
  for (const Case& c : cases) {
    const Bitmap b = DecodeJpeg(RawJpeg(8, 8, c.space, c.components, c.pixel), "c.jpg");
    ASSERT_EQ(b.width(), 8) << c.label;
    const Color got = b.At(3, 3);
    EXPECT_LE(std::abs(RedOf(got) - RedOf(c.want)), 3) << c.label;
    EXPECT_LE(std::abs(GreenOf(got) - GreenOf(c.want)), 3) << c.label;
    EXPECT_LE(std::abs(BlueOf(got) - BlueOf(c.want)), 3) << c.label;
  }
}

TEST(JpegTest, BadInput) {
  const std::string good = EncodeJpeg(testing::Gradient(32, 16));
  const testing::BadFile cases[] = {
      {"empty file", "", "empty"},
      {"garbage", std::string(64, 'x'), "Not a JPEG file"},
      {"start marker only", "\xFF\xD8", "Premature end"},
      {"cut in the header", good.substr(0, 40), "Premature end"},
      {"cut in the data", good.substr(0, good.size() / 2), "Premature end"},
      {"20000 pixels wide", WithSize(good, 20000, 16), "too large"},
      {"20000 pixels high", WithSize(good, 32, 20000), "too large"},
      {"zero width", WithSize(good, 0, 16), "Empty JPEG image"},
      {"16000 x 16000 header without data",
       WithSize(good.substr(0, good.size() - 200), 16000, 16000), "Premature end"},
  };
  testing::ExpectEachRefused(cases, "bad.jpg",
                             [](const std::string& b, const std::string& f) { DecodeJpeg(b, f); });
}

// The last scan of a small progressive JPEG repeated `copies` times: libjpeg only warns about
// the bogus progression, so without a bound it would walk the coefficients once per copy.
std::string WithRepeatedScans(int copies) {
  const std::string jpeg = RawJpeg(16, 16, JCS_RGB, 3, {1, 2, 3}, true);
  const size_t last_scan = jpeg.rfind("\xFF\xDA");
  const std::string scan = jpeg.substr(last_scan, jpeg.size() - 2 - last_scan);
  std::string out = jpeg.substr(0, last_scan);
  for (int i = 0; i < copies; ++i) out += scan;
  return out + "\xFF\xD9";
}

TEST(JpegTest, ScanCountIsBounded) {
  EXPECT_EQ(DecodeJpeg(WithRepeatedScans(20), "p.jpg").width(), 16);
  for (int copies : {100, 490, 600}) {
    SCOPED_TRACE(copies);
    ExpectFormatError([&] { DecodeJpeg(WithRepeatedScans(copies), "p.jpg"); }, "p.jpg",
                      "too many scans (more than 100");
  }
}

// The scans a picture may have shrink with its size: every scan walks the whole picture.
TEST(JpegTest, ScanLimitFollowsThePictureSize) {
  const struct {
    int64_t pixels;
    int scans;
  } cases[] = {{1, 100},
               {20'000'000, 100},
               {20'000'001, 99},
               {50'000'000, 40},
               {100'000'000, 20},
               {166'666'667, 12},
               {int64_t{16384} * 16384, 12}};
  for (const auto& c : cases) EXPECT_EQ(MaxJpegScans(c.pixels), c.scans) << c.pixels;
}

// Damaged entropy data: the show draws what libjpeg makes of it; authoring refuses it.
TEST(JpegTest, DamagedDataIsRefusedWhenAsked) {
  const std::string good = EncodeJpeg(testing::Gradient(64, 64), 90);
  const size_t data = good.find("\xFF\xDA") + 20;
  const struct {
    const char* label;
    std::string bytes;
  } cases[] = {
      {"2000 zero bytes inside the data",
       good.substr(0, data) + std::string(2000, '\0') + good.substr(data)},
      {"bytes before the end marker",
       good.substr(0, good.size() - 2) + std::string(100, 'x') + good.substr(good.size() - 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(DecodeJpeg(c.bytes, "d.jpg").width(), 64);
    ExpectFormatError([&] { DecodeJpeg(c.bytes, "d.jpg", kAuthoringLimits); }, "d.jpg",
                      "Corrupt JPEG data");
  }
}

TEST(JpegTest, PixelBudget) {
  const std::string jpeg = EncodeJpeg(testing::Gradient(40, 25));
  EXPECT_EQ(DecodeJpeg(jpeg, "a.jpg", DecodeLimits{1000}).height(), 25);
  ExpectFormatError([&] { DecodeJpeg(jpeg, "a.jpg", DecodeLimits{999}); }, "a.jpg",
                    "the picture is 40 x 25, larger than the limit of 999 pixels");
  ExpectFormatError([&] { DecodeJpeg(WithSize(jpeg, 12000, 8334), "a.jpg", kAuthoringLimits); },
                    "a.jpg",
                    "the picture is 12000 x 8334, larger than the limit of 100 megapixels");
}

TEST(JpegTest, ScaledDecodePicksTheSmallestScaleCoveringTheTarget) {
  // A flat colour survives every scale; only the size tells the scale apart.
  const std::string jpeg = EncodeJpeg(Bitmap(1920, 1080, 0x3060C0), 95);
  const struct {
    int min_width, min_height, width, height;
  } cases[] = {
      {80, 60, 240, 135},     // 1/8 covers a thumbnail
      {241, 60, 480, 270},    // one pixel too wide for 1/8
      {80, 136, 480, 270},    // one pixel too high for 1/8
      {500, 300, 960, 540},   // 1/2
      {961, 10, 1920, 1080},  // nothing smaller covers it: full size
      {0, 0, 1920, 1080},     // no target: full size
  };
  for (const auto& c : cases) {
    const Bitmap b = DecodeJpegScaled(jpeg, "t.jpg", c.min_width, c.min_height);
    EXPECT_EQ(b.width(), c.width) << c.min_width << "x" << c.min_height;
    EXPECT_EQ(b.height(), c.height) << c.min_width << "x" << c.min_height;
    const Color p = b.At(b.width() / 2, b.height() / 2);
    EXPECT_NEAR(RedOf(p), 0x30, 3);
    EXPECT_NEAR(BlueOf(p), 0xC0, 3);
  }
  // Odd sizes round up, as libjpeg does: 100 / 8 -> 13.
  EXPECT_EQ(DecodeJpegScaled(EncodeJpeg(Bitmap(100, 9, 0)), "t.jpg", 10, 1).width(), 13);
  // The pixel budget counts the full picture, not the scaled output.
  DecodeLimits small;
  small.max_pixels = 1920 * 1080 - 1;
  EXPECT_THROW(DecodeJpegScaled(jpeg, "t.jpg", 80, 60, small), FormatError);
  ExpectFormatError([] { DecodeJpegScaled("not a jpeg", "bad.jpg", 80, 60); }, "bad.jpg", "");
}

}  // namespace
}  // namespace lpc
