// Photographs as phones and cameras write them: turned upright by their EXIF orientation, and
// WebP and HEIC pictures read and stored as JPEG, in pack and lpp alike.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <libheif/heif.h>
#include <webp/encode.h>

#include <cstdlib>
#include <memory>

#include "base/fileio.h"
#include "imaging/picture.h"
#include "lpctool_fixture.h"
#include "package/packed_image.h"

namespace lpc {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// Four quadrants, each colour once: every turn and mirror of it looks different.
constexpr Color kRed = 0xE02020, kGreen = 0x20C040, kBlue = 0x2040E0, kWhite = 0xF0F0F0;

Bitmap Quadrants(int width, int height, Color tl, Color tr, Color bl, Color br) {
  Bitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      b.At(x, y) = bottom ? (right ? br : bl) : (right ? tr : tl);
    }
  }
  return b;
}

int Difference(Color a, Color b) {
  return std::max({std::abs(RedOf(a) - RedOf(b)), std::abs(GreenOf(a) - GreenOf(b)),
                   std::abs(BlueOf(a) - BlueOf(b))});
}

// A JPEG with an EXIF block (written by libexif) whose Orientation tag says `orientation`.
std::string JpegWithOrientation(const Bitmap& stored, int orientation) {
  std::unique_ptr<ExifData, void (*)(ExifData*)> exif(exif_data_new(), exif_data_unref);
  exif_data_set_byte_order(exif.get(), EXIF_BYTE_ORDER_INTEL);
  ExifEntry* entry = exif_entry_new();
  exif_content_add_entry(exif->ifd[EXIF_IFD_0], entry);
  exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
  exif_set_short(entry->data, EXIF_BYTE_ORDER_INTEL, static_cast<ExifShort>(orientation));
  exif_entry_unref(entry);
  unsigned char* block = nullptr;
  unsigned int size = 0;
  exif_data_save_data(exif.get(), &block, &size);
  std::string app1 = "\xFF\xE1";
  app1 += static_cast<char>((size + 2) >> 8);
  app1 += static_cast<char>((size + 2) & 0xFF);
  app1.append(reinterpret_cast<const char*>(block), size);
  std::free(block);
  const std::string jpeg = EncodeJpeg(stored, 100);
  return jpeg.substr(0, 2) + app1 + jpeg.substr(2);
}

class LpctoolPhoto : public Lpctool {
 protected:
  void SetUp() override {
    Lpctool::SetUp();
    WriteFileBytes(P("project.ini"), "[Default]\nShowImageMode=1\n");
    WriteFileBytes(P("runtime"), std::string("\177ELF pretend runtime", 20));
  }

  // Packs the files (names in the scratch folder, options as they are) and unpacks them to u/.
  RunResult PackAndUnpack(const std::vector<std::string>& files) {
    std::vector<std::string> args = {"pack",       "-o",        P("out.scr"),    "--runtime",
                                     P("runtime"), "--project", P("project.ini")};
    for (const auto& f : files) args.push_back(f.rfind("--", 0) == 0 ? f : P(f));
    const RunResult r = Run(args);
    if (r.exit_code == 0) {
      EXPECT_EQ(Run({"unpack", P("out.scr"), P("u")}).exit_code, 0);
    }
    return r;
  }
};

// Each EXIF orientation: how the camera stored the upright picture (red, green, blue, white
// quadrants from top left, row by row). Sizes that are whole JPEG blocks turn without loss;
// others are decoded, turned and encoded again, except for a transposition, which moves no
// partial block to the other edge.
TEST_F(LpctoolPhoto, EveryOrientationComesOutUpright) {
  const struct {
    int orientation;
    Color tl, tr, bl, br;  // the stored picture's quadrants
  } cases[] = {
      {1, kRed, kGreen, kBlue, kWhite}, {2, kGreen, kRed, kWhite, kBlue},
      {3, kWhite, kBlue, kGreen, kRed}, {4, kBlue, kWhite, kRed, kGreen},
      {5, kRed, kBlue, kGreen, kWhite}, {6, kGreen, kWhite, kRed, kBlue},
      {7, kWhite, kGreen, kBlue, kRed}, {8, kBlue, kRed, kWhite, kGreen},
  };
  const struct {
    int width, height;
    const char* how;
  } sizes[] = {{64, 32, "without loss"}, {40, 24, "re-encoded at quality 95"}};
  for (const auto& size : sizes) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message()
                   << size.width << "x" << size.height << ", orientation " << c.orientation);
      const bool sideways = c.orientation >= 5;
      const Bitmap stored = Quadrants(sideways ? size.height : size.width,
                                      sideways ? size.width : size.height, c.tl, c.tr, c.bl, c.br);
      const std::string name = "photo" + std::to_string(c.orientation) + ".jpg";
      WriteFileBytes(P(name), JpegWithOrientation(stored, c.orientation));
      std::filesystem::remove_all(dir_ / "u");
      const RunResult r = PackAndUnpack({name});
      ASSERT_EQ(r.exit_code, 0) << r.err;
      const std::string how = c.orientation == 5 ? "without loss" : size.how;
      const std::string note =
          "turned upright (EXIF orientation " + std::to_string(c.orientation) + "), " + how;
      if (c.orientation == 1) {
        EXPECT_THAT(r.err, Not(HasSubstr("turned")));
        EXPECT_EQ(ReadFileBytes(P("u/" + name)), ReadFileBytes(P(name)));
      } else {
        EXPECT_THAT(r.err, HasSubstr(P(name) + ": " + note));
        EXPECT_EQ(ReadFileBytes(P("u/" + name)).find("Exif"), std::string::npos);
      }
      const Bitmap upright = LoadPicture(P("u/" + name));
      ASSERT_EQ(upright.width(), size.width);
      ASSERT_EQ(upright.height(), size.height);
      const int qx = size.width / 4, qy = size.height / 4;
      EXPECT_LT(Difference(upright.At(qx, qy), kRed), 24);
      EXPECT_LT(Difference(upright.At(3 * qx, qy), kGreen), 24);
      EXPECT_LT(Difference(upright.At(qx, 3 * qy), kBlue), 24);
      EXPECT_LT(Difference(upright.At(3 * qx, 3 * qy), kWhite), 24);

      // lpp --picture turns the same way.
      if (c.orientation == 6) {
        ASSERT_EQ(Run({"lpp", "-o", P("p.lpp"), "--picture", P(name)}).exit_code, 0);
        PackedImage packed;
        packed.LoadFromFile(P("p.lpp"));
        EXPECT_EQ(packed.Picture.width(), size.width);
        EXPECT_LT(Difference(packed.Picture.At(3 * qx, qy), kGreen), 24);
      }
    }
  }
}

std::vector<uint8_t> Rgb(const Bitmap& b) {
  std::vector<uint8_t> rgb;
  for (size_t i = 0; i < b.pixel_count(); ++i) {
    const Color c = b.data()[i];
    rgb.insert(rgb.end(), {static_cast<uint8_t>(RedOf(c)), static_cast<uint8_t>(GreenOf(c)),
                           static_cast<uint8_t>(BlueOf(c))});
  }
  return rgb;
}

std::string WebpOf(const Bitmap& b) {
  uint8_t* out = nullptr;
  const size_t size =
      WebPEncodeLosslessRGB(Rgb(b).data(), b.width(), b.height(), b.width() * 3, &out);
  std::string bytes(reinterpret_cast<const char*>(out), size);
  WebPFree(out);
  return bytes;
}

// A HEIC through libheif's HEVC encoder; empty when this libheif has none.
std::string HeicOf(const Bitmap& b, const std::string& scratch) {
  heif_encoder* encoder = nullptr;
  std::unique_ptr<heif_context, void (*)(heif_context*)> ctx(heif_context_alloc(),
                                                             heif_context_free);
  if (heif_context_get_encoder_for_format(ctx.get(), heif_compression_HEVC, &encoder).code) {
    return {};
  }
  heif_image* image = nullptr;
  heif_image_create(b.width(), b.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                    &image);
  heif_image_add_plane(image, heif_channel_interleaved, b.width(), b.height(), 8);
  int stride = 0;
  uint8_t* rows = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  const std::vector<uint8_t> rgb = Rgb(b);
  for (int y = 0; y < b.height(); ++y) {
    std::copy_n(rgb.data() + y * b.width() * 3, b.width() * 3, rows + y * stride);
  }
  heif_encoder_set_lossy_quality(encoder, 95);
  heif_context_encode_image(ctx.get(), image, encoder, nullptr, nullptr);
  heif_encoder_release(encoder);
  heif_image_release(image);
  heif_context_write_to_file(ctx.get(), scratch.c_str());
  return ReadFileBytes(scratch);
}

// Pictures the runtime cannot show come out with their colours, stored as JPEG at quality 95
// or, with --lossless, as a bitmap.
TEST_F(LpctoolPhoto, ForeignPicturesAreDecodedAndStored) {
  const Bitmap picture = Quadrants(64, 48, kRed, kGreen, kBlue, kWhite);
  const struct {
    const char* file;
    std::string bytes;
    std::vector<std::string> options;
    const char* stored;
    const char* note;
    int tolerance;
  } cases[] = {
      {"leaf.webp", WebpOf(picture), {}, "leaf.jpg", "WebP converted to JPEG at quality 95", 24},
      {"leaf.webp",
       WebpOf(picture),
       {"--lossless"},
       "leaf.bmp",
       "WebP converted to a lossless bitmap",
       0},
      {"shell.heic",
       HeicOf(picture, P("scratch.heic")),
       {},
       "shell.jpg",
       "HEIC converted to JPEG at quality 95",
       24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    if (c.bytes.empty()) {
      GTEST_SKIP() << "this libheif has no HEVC encoder, so no HEIC picture can be made here";
    }
    WriteFileBytes(P(c.file), c.bytes);
    std::filesystem::remove_all(dir_ / "u");
    std::vector<std::string> files = c.options;
    files.push_back(c.file);
    const RunResult r = PackAndUnpack(files);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr(P(c.file) + ": " + c.note + ", stored as \"" + c.stored + "\""));
    const Bitmap out = LoadPicture(P(std::string("u/") + c.stored));
    ASSERT_EQ(out.width(), picture.width());
    ASSERT_EQ(out.height(), picture.height());
    for (int y = 6; y < 48; y += 12) {
      for (int x = 8; x < 64; x += 16) {
        EXPECT_LE(Difference(out.At(x, y), picture.At(x, y)), c.tolerance) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace lpc

// The HEIC rows make their pictures with libheif's x265 encoder, which keeps one small block
// for the life of the process; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libx265.so\n"; }
