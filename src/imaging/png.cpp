// PNG through libpng's simplified API. Only the authoring tool needs PNG; builds without libpng
// (the Windows runtime) get decoders that say so.
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/errors.h"
#include "imaging/decode_common.h"
#include "imaging/picture.h"

#ifdef LPC_HAVE_PNG
#include <png.h>
#endif

namespace lpc {

Bitmap DecodePng(std::string_view bytes, const std::string& name) {
  return DecodePng(bytes, name, DecodeLimits{});
}

#ifdef LPC_HAVE_PNG

namespace {

// Frees libpng's state on every path out.
struct ImageGuard {
  png_image* image;
  ~ImageGuard() { png_image_free(image); }
};

}  // namespace

Bitmap DecodePng(std::string_view bytes, const std::string& name, const DecodeLimits& limits,
                 bool* transparent) {
  if (transparent) *transparent = false;
  if (bytes.empty()) throw FormatError(name, "empty PNG file");
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ImageGuard guard{&image};
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    throw FormatError(name, std::string("PNG: ") + image.message);
  }
  imaging_detail::CheckPictureSides(image.width, image.height, name);
  // Deflate expands at most 1032-fold, and every row holds at least a filter byte and one bit
  // per pixel: a file too short for its stated size is refused before the pixel buffer exists.
  const uint64_t least_raw = uint64_t{image.height} * (1 + (uint64_t{image.width} + 7) / 8);
  if (least_raw > 1032 * static_cast<uint64_t>(bytes.size()) + 1024) {
    throw FormatError(name, "PNG data too short for a " + std::to_string(image.width) + " x " +
                                std::to_string(image.height) + " picture");
  }
  imaging_detail::CheckPictureSize(image.width, image.height, name, limits);
  const bool has_alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  // Straight into the picture's own pixels, BGRA being 0xAARRGGBB in memory: one buffer, one
  // decode, whether or not the caller wants to know about transparency.
  image.format = PNG_FORMAT_BGRA;
  // Without this, libpng takes 16-bit samples of a file with no gAMA or sRGB chunk for linear
  // light and brightens them on the way to 8 bits; cameras and editors write them sRGB-encoded.
  image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  static_assert(sizeof(Color) == 4);
  Bitmap out;
  out.SetSizeForOverwrite(static_cast<int>(image.width), static_cast<int>(image.height));
  if (!png_image_finish_read(&image, nullptr, out.data(), static_cast<png_int_32>(image.width) * 4,
                             nullptr)) {
    throw FormatError(name, std::string("PNG: ") + image.message);
  }
  // Alpha is composed onto black (8-bit output from libpng is not premultiplied).
  bool any_transparent = false;
  Color* p = out.data();
  for (size_t i = 0, n = out.pixel_count(); i < n; ++i) {
    const Color c = p[i];
    const uint32_t a = c >> 24;
    if (a == 255 || !has_alpha) {
      p[i] = c & 0x00FFFFFFu;
      continue;
    }
    any_transparent = true;
    auto mix = [a](uint32_t v) { return static_cast<int>((v * a + 127) / 255); };
    p[i] = MakeColor(mix((c >> 16) & 0xFF), mix((c >> 8) & 0xFF), mix(c & 0xFF));
  }
  if (transparent) *transparent = any_transparent;
  return out;
}

namespace {

std::string EncodePngWith(const Bitmap& bitmap, png_uint_32 flags) {
  if (bitmap.empty()) throw Error("cannot encode an empty picture as PNG");
  const size_t stride = static_cast<size_t>(bitmap.width()) * 3;
  std::vector<unsigned char> rgb(stride * static_cast<size_t>(bitmap.height()));
  unsigned char* p = rgb.data();
  for (size_t i = 0; i < bitmap.pixel_count(); ++i) {
    const Color c = bitmap.data()[i];
    *p++ = static_cast<unsigned char>(RedOf(c));
    *p++ = static_cast<unsigned char>(GreenOf(c));
    *p++ = static_cast<unsigned char>(BlueOf(c));
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(bitmap.width());
  image.height = static_cast<png_uint_32>(bitmap.height());
  image.format = PNG_FORMAT_RGB;
  image.flags = flags;
  ImageGuard guard{&image};
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(),
                                 static_cast<png_int_32>(stride), nullptr)) {
    throw Error(std::string("PNG encoding failed: ") + image.message);
  }
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(),
                                 static_cast<png_int_32>(stride), nullptr)) {
    throw Error(std::string("PNG encoding failed: ") + image.message);
  }
  out.resize(size);
  return out;
}

}  // namespace

std::string EncodePng(const Bitmap& bitmap) { return EncodePngWith(bitmap, 0); }

// The simplified API offers only "no filter" for speed, which doubles the size of a
// photograph; one cheap filter and zlib's fastest level keep most of both.
std::string EncodePngFast(const Bitmap& bitmap) {
  if (bitmap.empty()) throw Error("cannot encode an empty picture as PNG");
  const size_t stride = static_cast<size_t>(bitmap.width()) * 3;
  std::vector<unsigned char> row(stride);
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw Error("PNG encoding failed: out of memory");
  }
  // Everything with a destructor lives above this line, so the jump back skips none.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw Error("PNG encoding failed");
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, size_t n) {
        static_cast<std::string*>(png_get_io_ptr(p))
            ->append(reinterpret_cast<const char*>(data), n);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.width()),
               static_cast<png_uint_32>(bitmap.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(png, info);
  for (int y = 0; y < bitmap.height(); ++y) {
    const Color* in = bitmap.Row(y);
    unsigned char* p = row.data();
    for (int x = 0; x < bitmap.width(); ++x) {
      *p++ = static_cast<unsigned char>(RedOf(in[x]));
      *p++ = static_cast<unsigned char>(GreenOf(in[x]));
      *p++ = static_cast<unsigned char>(BlueOf(in[x]));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

#else  // no libpng

Bitmap DecodePng(std::string_view, const std::string& name, const DecodeLimits&, bool*) {
  throw FormatError(name, "PNG pictures are not supported in this build");
}

std::string EncodePng(const Bitmap&) {
  throw Error("PNG pictures are not supported in this build");
}
std::string EncodePngFast(const Bitmap& b) { return EncodePng(b); }

#endif

}  // namespace lpc
