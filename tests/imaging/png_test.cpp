#include <gtest/gtest.h>

#include <png.h>

#include <cstring>
#include <vector>

#include "imaging/picture.h"
#include "imaging/test_support.h"

namespace lpc {
namespace {

using testing::ExpectFormatError;

// A PNG with an alpha channel or in grey, written with libpng directly.
std::string RawPng(int width, int height, uint32_t format, const std::vector<uint8_t>& pixels) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = format;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
  std::string out(size, '\0');
  png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr);
  out.resize(size);
  return out;
}

uint32_t Crc32(const std::string& s, size_t from, size_t to) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = from; i < to; ++i) {
    crc ^= static_cast<uint8_t>(s[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// Sets the IHDR size and fixes the chunk's checksum so that only the size is wrong.
std::string WithSize(std::string png, uint32_t width, uint32_t height) {
  auto put_be = [&](size_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i) png[off + i] = static_cast<char>(v >> (24 - 8 * i));
  };
  put_be(16, width);
  put_be(20, height);
  put_be(29, Crc32(png, 12, 29));  // over the type and the 13 data bytes
  return png;
}

TEST(PngTest, RoundTripIsExact) {
  for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {50, 40}}) {
    const Bitmap in = testing::Gradient(w, h);
    EXPECT_EQ(DecodePng(EncodePng(in), "a.png"), in) << w << "x" << h;
    EXPECT_EQ(DecodePng(EncodePngFast(in), "a.png"), in) << w << "x" << h;
  }
  EXPECT_THROW(EncodePngFast(Bitmap()), Error);
}

TEST(PngTest, AlphaOverBlackAndGrey) {
  const std::vector<uint8_t> rgba = {200, 100, 50, 255, 200, 100, 50, 0, 255, 255, 255, 128};
  bool transparent = false;
  const Bitmap b = DecodePng(RawPng(3, 1, PNG_FORMAT_RGBA, rgba), "a.png", {}, &transparent);
  EXPECT_TRUE(transparent);
  EXPECT_EQ(b.At(0, 0), MakeColor(200, 100, 50));
  EXPECT_EQ(b.At(1, 0), 0u);
  EXPECT_GT(RedOf(b.At(2, 0)), 100);
  EXPECT_LT(RedOf(b.At(2, 0)), 200);
  EXPECT_EQ(RedOf(b.At(2, 0)), BlueOf(b.At(2, 0)));
  const Bitmap g = DecodePng(RawPng(2, 1, PNG_FORMAT_GRAY, {0, 77}), "g.png", {}, &transparent);
  EXPECT_EQ(g.At(1, 0), MakeColor(77, 77, 77));
  EXPECT_FALSE(transparent);
  // An alpha channel with every pixel opaque is no transparency.
  DecodePng(RawPng(1, 1, PNG_FORMAT_RGBA, {1, 2, 3, 255}), "o.png", {}, &transparent);
  EXPECT_FALSE(transparent);
}

// A one-row 16-bit PNG with no gAMA or sRGB chunk, as cameras and editors write it; samples
// are 16-bit values, `channels` a pixel (1 grey, 2 grey and alpha, 3 RGB, 4 RGBA).
std::string Png16(int channels, const std::vector<uint16_t>& samples) {
  static const int kColourType[] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                                    PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
  std::string out;
  std::vector<png_byte> row;
  for (uint16_t v : samples) {
    row.push_back(static_cast<png_byte>(v >> 8));
    row.push_back(static_cast<png_byte>(v & 0xFF));
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return out;
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, size_t n) {
        static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), n);
      },
      nullptr);
  const auto width = static_cast<png_uint_32>(samples.size() / static_cast<size_t>(channels));
  png_set_IHDR(png, info, width, 1, 16, kColourType[channels], PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_row(png, row.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// 16-bit samples come out as the 8-bit values a viewer shows (value / 257, rounded), not
// brightened as if they were linear light.
TEST(PngTest, SixteenBitSamplesAreSrgb) {
  const struct {
    const char* label;
    int channels;
    std::vector<uint16_t> samples;
    Color expected;
  } cases[] = {
      {"RGB", 3, {40 * 257 + 100, 170 * 257 - 90, 150 * 257 + 3}, MakeColor(40, 170, 150)},
      {"RGB, 8-bit values times 257", 3, {40 * 257, 170 * 257, 150 * 257}, MakeColor(40, 170, 150)},
      {"grey", 1, {77 * 257 + 120}, MakeColor(77, 77, 77)},
      {"grey and alpha, opaque", 2, {77 * 257, 65535}, MakeColor(77, 77, 77)},
      {"RGBA, opaque", 4, {40 * 257, 170 * 257, 150 * 257, 65535}, MakeColor(40, 170, 150)},
      {"RGBA, transparent", 4, {40 * 257, 170 * 257, 150 * 257, 0}, MakeColor(0, 0, 0)},
  };
  for (const auto& c : cases) {
    const Bitmap b = DecodePng(Png16(c.channels, c.samples), "deep.png");
    EXPECT_EQ(b.At(0, 0), c.expected) << c.label;
  }
}

TEST(PngTest, BadInput) {
  const std::string good = EncodePng(testing::Gradient(8, 8));
  const testing::BadFile cases[] = {
      {"empty file", "", "empty"},
      {"garbage", std::string(64, 'x'), "PNG"},
      {"signature only", good.substr(0, 8), "PNG: read beyond end of data"},
      {"cut in the data", good.substr(0, good.size() - 30), "PNG: read beyond end of data"},
      {"20000 pixels wide", WithSize(good, 20000, 8), "too large"},
      {"10000 x 9000 in a few hundred bytes", WithSize(good, 10000, 9000), "too short"},
      {"zero width", WithSize(good, 0, 8), "Invalid IHDR data"},
      {"4 billion high", WithSize(good, 8, 0xFFFFFFF0u), "out of range"},
  };
  testing::ExpectEachRefused(cases, "bad.png", [](const std::string& b, const std::string& f) {
    DecodePng(b, f, kAuthoringLimits);
  });
}

}  // namespace
}  // namespace lpc
