// Photographs as phones and cameras write them: turned upright by their EXIF orientation, and
// WebP and HEIC pictures read and stored as JPEG, in pack and lpp alike.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <libheif/heif.h>
#include <webp/encode.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/errors.h"
#include "base/fileio.h"
#include "imaging/photo_headers.h"
#include "imaging/picture.h"
#include "imaging/raw_jpeg.h"
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

// The JPEG with an EXIF block (written by libexif) whose Orientation tag says `orientation`.
std::string WithOrientation(const std::string& jpeg, int orientation) {
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
  return jpeg.substr(0, 2) + app1 + jpeg.substr(2);
}

std::string JpegWithOrientation(const Bitmap& stored, int orientation) {
  return WithOrientation(EncodeJpeg(stored, 100), orientation);
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
      SCOPED_TRACE(::testing::Message()
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

std::string BigEndian(uint32_t v, int bytes) {
  std::string s;
  for (int i = bytes - 1; i >= 0; --i) s += static_cast<char>(v >> (8 * i));
  return s;
}
std::string Box(const char* type, const std::string& body) {
  return BigEndian(static_cast<uint32_t>(8 + body.size()), 4) + type + body;
}
std::string FullBox(const char* type, const std::string& body) {
  return Box(type, std::string(4, '\0') + body);
}

// The boxes of a HEIC whose main picture is a grid declared grid_side square, made of `tiles`
// HEVC tiles declared tile_side square. The tiles carry no data: the sizes alone must stop it.
std::string HeicGrid(uint32_t grid_side, int tiles, uint32_t tile_side) {
  std::string infos, refs, associations;
  auto entry = [](uint32_t id, const char* type) {
    return Box("infe", std::string("\x02\0\0\0", 4) + BigEndian(id, 2) + BigEndian(0, 2) + type +
                           std::string(1, '\0'));
  };
  infos += entry(1, "grid");
  associations += BigEndian(1, 2) + "\x01\x01";
  for (int i = 0; i < tiles; ++i) {
    infos += entry(static_cast<uint32_t>(i + 2), "hvc1");
    refs += BigEndian(static_cast<uint32_t>(i + 2), 2);
    associations += BigEndian(static_cast<uint32_t>(i + 2), 2) + "\x01\x02";
  }
  const std::string meta =
      FullBox("hdlr", BigEndian(0, 4) + "pict" + std::string(13, '\0')) +
      FullBox("pitm", BigEndian(1, 2)) +
      FullBox("iinf", BigEndian(static_cast<uint32_t>(tiles + 1), 2) + infos) +
      FullBox("iref",
              Box("dimg", BigEndian(1, 2) + BigEndian(static_cast<uint32_t>(tiles), 2) + refs)) +
      Box("iprp",
          Box("ipco", FullBox("ispe", BigEndian(grid_side, 4) + BigEndian(grid_side, 4)) +
                          FullBox("ispe", BigEndian(tile_side, 4) + BigEndian(tile_side, 4))) +
              FullBox("ipma", BigEndian(static_cast<uint32_t>(tiles + 1), 4) + associations));
  return Box("ftyp", "heic" + BigEndian(0, 4) + "mif1heic") + FullBox("meta", meta);
}

// A lossless WebP whose header claims width x height (at most 16384 each) over a 1 x 1 picture.
std::string WebpClaiming(int width, int height) {
  std::string webp = WebpOf(Bitmap(1, 1, kRed));
  const uint32_t bits = static_cast<uint32_t>(width - 1) | static_cast<uint32_t>(height - 1) << 14;
  for (int i = 0; i < 4; ++i) webp[21 + i] = static_cast<char>(bits >> (8 * i));
  return webp;
}

// A 64 x 64 progressive JPEG of `scans` valid scans: one DC scan, then each AC coefficient of
// each component sent alone in three steps of successive approximation.
std::string ProgressiveWithScans(int scans) {
  std::vector<jpeg_scan_info> script = {{3, {0, 1, 2, 0}, 0, 0, 0, 0}};
  for (int k = 1; k < 64; ++k) {
    for (int component = 0; component < 3; ++component) {
      for (auto [ah, al] : {std::pair{0, 2}, {2, 1}, {1, 0}}) {
        script.push_back({1, {component, 0, 0, 0}, k, k, ah, al});
      }
    }
  }
  script.resize(static_cast<size_t>(scans));
  return testing::RawJpeg(64, 64, JCS_RGB, 3, std::vector<JSAMPLE>(64 * 3, 90),
                          [&](jpeg_compress_struct& c) {
                            c.scan_info = script.data();
                            c.num_scans = scans;
                          });
}

// Small files that claim huge or endless work are refused, naming the file and the limit,
// before anything of their claimed size exists, by every command that takes photographs.
TEST_F(LpctoolPhoto, HostilePicturesCostNothing) {
  const std::string photo = EncodeJpeg(Quadrants(64, 48, kRed, kGreen, kBlue, kWhite), 90);
  const size_t data = photo.find("\xFF\xDA") + 20;
  const std::string damaged = photo.substr(0, data) + std::string(2000, '\0') + photo.substr(data);
  std::string huge_screen = EncodeGifAnimation(1, 1, {kRed}, {{0}}, 0);
  for (int i : {6, 8}) huge_screen[i] = 0, huge_screen[i + 1] = 0x40;  // 16384 x 16384
  const struct {
    const char* file;
    std::string bytes;
    const char* fault;  // empty: taken
  } cases[] = {
      {"wide.webp", WebpClaiming(16383, 16383),
       "the picture is 16383 x 16383, larger than the limit of 100 megapixels"},
      {"grid.heic", HeicGrid(16384, 256, 1024),
       "the picture is 16384 x 16384, larger than the limit of 100 megapixels"},
      {"liar.heic", HeicGrid(1024, 256, 1024), "made of 256 parts"},
      {"scans.jpg", WithOrientation(ProgressiveWithScans(490), 6), "too many scans"},
      {"fine.jpg", WithOrientation(ProgressiveWithScans(100), 6), ""},
      {"damaged.jpg", damaged, "Corrupt JPEG data"},
      {"damaged6.jpg", WithOrientation(damaged, 6), "Corrupt JPEG data"},
      {"screen.gif", huge_screen, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    WriteFileBytes(P(c.file), c.bytes);
    const std::vector<std::vector<std::string>> commands = {
        {"pack", "-o", P("out.scr"), "--runtime", P("runtime"), "--project", P("project.ini"),
         P(c.file)},
        {"lpp", "-o", P("p.lpp"), "--picture", P(c.file)},
        {"mask", P(c.file), "-o", P("m.png"), "--fill", "0,0"}};
    for (const auto& args : commands) {
      SCOPED_TRACE(args[0]);
      const RunResult r = Run(args);
      if (*c.fault == '\0') {
        EXPECT_THAT(r.err, Not(HasSubstr("larger than the limit")));
        EXPECT_THAT(r.err, Not(HasSubstr("too many scans")));
      } else {
        EXPECT_NE(r.exit_code, 0);
        EXPECT_THAT(r.err, HasSubstr(P(c.file) + ": "));
        EXPECT_THAT(r.err, HasSubstr(c.fault));
      }
    }
  }
  // The header checks themselves let nothing through, measured by the readers' budget check.
  ResetLargestPixelRequest();
  EXPECT_THROW(CheckWebpHeader(WebpClaiming(16383, 16383), "w.webp", kAuthoringLimits),
               FormatError);
  EXPECT_THROW(CheckHeifHeader(HeicGrid(1024, 256, 1024), "g.heic", kAuthoringLimits), FormatError);
  EXPECT_EQ(LargestPixelRequest(), 0);
  EXPECT_EQ(CheckHeifHeader(HeicGrid(1024, 4, 512), "g.heic", kAuthoringLimits).parts_pixels,
            4 * 512 * 512);
}

}  // namespace
}  // namespace lpc

// The HEIC rows make their pictures with libheif's x265 encoder, which keeps one small block
// for the life of the process; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libx265.so\n"; }
