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
  const Bitmap b = DecodePng(RawPng(3, 1, PNG_FORMAT_RGBA, rgba), "a.png");
  EXPECT_EQ(b.At(0, 0), MakeColor(200, 100, 50));
  EXPECT_EQ(b.At(1, 0), 0u);
  EXPECT_GT(RedOf(b.At(2, 0)), 100);
  EXPECT_LT(RedOf(b.At(2, 0)), 200);
  EXPECT_EQ(RedOf(b.At(2, 0)), BlueOf(b.At(2, 0)));
  const Bitmap g = DecodePng(RawPng(2, 1, PNG_FORMAT_GRAY, {0, 77}), "g.png");
  EXPECT_EQ(g.At(1, 0), MakeColor(77, 77, 77));
}

TEST(PngTest, BadInput) {
  const std::string good = EncodePng(testing::Gradient(8, 8));
  const testing::BadFile cases[] = {
      {"empty file", "", "empty"},
      {"garbage", std::string(64, 'x'), "PNG"},
      {"signature only", good.substr(0, 8), "PNG: read beyond end of data"},
      {"cut in the data", good.substr(0, good.size() - 30), "PNG: read beyond end of data"},
      {"20000 pixels wide", WithSize(good, 20000, 8), "too large"},
      {"16000 x 16000 in a few hundred bytes", WithSize(good, 16000, 16000), "too short"},
      {"zero width", WithSize(good, 0, 8), "Invalid IHDR data"},
      {"4 billion high", WithSize(good, 8, 0xFFFFFFF0u), "out of range"},
  };
  testing::ExpectEachRefused(cases, "bad.png",
                             [](const std::string& b, const std::string& f) { DecodePng(b, f); });
}

}  // namespace
}  // namespace lpc
