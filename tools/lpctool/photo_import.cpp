#include "photo_import.h"

#include <gif_lib.h>
#include <libexif/exif-data.h>
#ifdef LPCTOOL_HAVE_HEIF
#include <libheif/heif.h>
#endif
#include <png.h>
#include <turbojpeg.h>
#include <webp/decode.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "imaging/decode_common.h"
#include "imaging/picture.h"
#include "pack_checks.h"

namespace lpctool {
namespace {

std::string UpperExt(const std::string& path) { return lpc::UpperFileExt(path); }

// The Orientation tag of a JPEG's EXIF block: 1 (as stored) when there is none or it makes no
// sense.
int ExifOrientation(const std::string& jpeg) {
  std::unique_ptr<ExifData, void (*)(ExifData*)> exif(
      exif_data_new_from_data(reinterpret_cast<const unsigned char*>(jpeg.data()),
                              static_cast<unsigned int>(jpeg.size())),
      exif_data_unref);
  if (!exif) return 1;
  ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1) return 1;
  const int value = exif_get_short(entry->data, exif_data_get_byte_order(exif.get()));
  return value >= 1 && value <= 8 ? value : 1;
}

// libjpeg-turbo's lossless turn of the coded blocks. Empty when a perfect one is impossible
// (partial edge blocks in the turned direction); every marker, the EXIF block among them, is
// left out so that no viewer turns the picture a second time.
std::string TurnJpegLosslessly(const std::string& jpeg, int orientation) {
  static const int kOps[9] = {TJXOP_NONE,   TJXOP_NONE,       TJXOP_HFLIP,
                              TJXOP_ROT180, TJXOP_VFLIP,      TJXOP_TRANSPOSE,
                              TJXOP_ROT90,  TJXOP_TRANSVERSE, TJXOP_ROT270};
  tjhandle handle = tjInitTransform();
  if (!handle) return {};
  tjtransform transform;
  std::memset(&transform, 0, sizeof transform);
  transform.op = kOps[orientation];
  transform.options = TJXOPT_PERFECT | TJXOPT_COPYNONE;
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  std::string result;
  if (tjTransform(handle, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), 1, &out,
                  &out_size, &transform, 0) == 0) {
    result.assign(reinterpret_cast<const char*>(out), out_size);
  }
  tjFree(out);
  tjDestroy(handle);
  return result;
}

lpc::Color OverBlack(int r, int g, int b, int a) {
  auto mix = [a](int c) { return (c * a + 127) / 255; };
  return lpc::MakeColor(mix(r), mix(g), mix(b));
}

// Interleaved 8-bit RGB or RGBA rows into a bitmap, alpha composed onto black. Returns
// whether any pixel was not opaque.
bool FromRows(const uint8_t* rows, int stride, int channels, lpc::Bitmap& out) {
  bool transparent = false;
  for (int y = 0; y < out.height(); ++y) {
    const uint8_t* p = rows + static_cast<ptrdiff_t>(y) * stride;
    lpc::Color* row = out.Row(y);
    for (int x = 0; x < out.width(); ++x, p += channels) {
      const int a = channels == 4 ? p[3] : 255;
      if (a != 255) transparent = true;
      row[x] = OverBlack(p[0], p[1], p[2], a);
    }
  }
  return transparent;
}

// Whether a PNG has an alpha channel (or a transparent colour) with any pixel not opaque.
bool PngHasTransparency(const std::string& bytes) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  bool transparent = false;
  if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) &&
      (image.format & PNG_FORMAT_FLAG_ALPHA)) {
    image.format = PNG_FORMAT_RGBA;
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    std::vector<uint8_t> rgba(size_t{4} * image.width * image.height);
    if (png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
      for (size_t i = 3; i < rgba.size() && !transparent; i += 4) transparent = rgba[i] != 255;
    }
  }
  png_image_free(&image);
  return transparent;
}

bool PngIsSixteenBit(const std::string& bytes) {
  // IHDR always comes first: signature (8), length (4), "IHDR" (4), width, height, bit depth.
  return bytes.size() > 24 && static_cast<uint8_t>(bytes[24]) == 16;
}

int GifFrameCount(const std::string& bytes) {
  struct Source {
    const std::string* bytes;
    size_t at;
  } source{&bytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(
      &source,
      [](GifFileType* g, GifByteType* buffer, int length) {
        auto* s = static_cast<Source*>(g->UserData);
        const size_t n = std::min(static_cast<size_t>(length), s->bytes->size() - s->at);
        std::memcpy(buffer, s->bytes->data() + s->at, n);
        s->at += n;
        return static_cast<int>(n);
      },
      &error);
  if (!gif) return 1;
  // Counted by walking the records and skipping their data: no frame after the first is
  // decoded, so a hostile file's huge later frames cost nothing.
  int frames = 0;
  GifRecordType type = UNDEFINED_RECORD_TYPE;
  while (DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
    GifByteType* block = nullptr;
    if (type == IMAGE_DESC_RECORD_TYPE) {
      int code_size = 0;
      if (DGifGetImageDesc(gif) != GIF_OK || DGifGetCode(gif, &code_size, &block) != GIF_OK) break;
      ++frames;
      while (block != nullptr) {
        if (DGifGetCodeNext(gif, &block) != GIF_OK) break;
      }
    } else if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      if (DGifGetExtension(gif, &code, &block) != GIF_OK) break;
      while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) != GIF_OK) break;
      }
    } else {
      break;
    }
  }
  DGifCloseFile(gif, &error);
  return std::max(frames, 1);
}

lpc::Bitmap DecodeWebp(const std::string& bytes, const std::string& path) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data, bytes.size(), &features) != VP8_STATUS_OK) {
    throw lpc::FormatError(path, "not a readable WebP picture");
  }
  if (features.has_animation) {
    throw lpc::FormatError(path, "animated WebP; save the frame to show as JPEG or PNG first");
  }
  lpc::imaging_detail::CheckPictureSize(features.width, features.height, path, {});
  int width = 0, height = 0;
  uint8_t* rgba = WebPDecodeRGBA(data, bytes.size(), &width, &height);
  if (!rgba) throw lpc::FormatError(path, "WebP picture data is damaged");
  lpc::Bitmap out(width, height);
  const bool transparent = FromRows(rgba, width * 4, 4, out);
  WebPFree(rgba);
  if (transparent) Note(path + ": transparent pixels shown on black");
  return out;
}

#ifdef LPCTOOL_HAVE_HEIF
lpc::Bitmap DecodeHeif(const std::string& bytes, const std::string& path) {
  std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(),
                                                                 heif_context_free);
  auto check = [&](heif_error e) {
    if (e.code != heif_error_Ok) throw lpc::FormatError(path, std::string("HEIF: ") + e.message);
  };
  check(heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(),
                                                   nullptr));
  heif_image_handle* raw_handle = nullptr;
  check(heif_context_get_primary_image_handle(context.get(), &raw_handle));
  std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> handle(
      raw_handle, heif_image_handle_release);
  lpc::imaging_detail::CheckPictureSize(heif_image_handle_get_width(handle.get()),
                                        heif_image_handle_get_height(handle.get()), path, {});
  const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
  // The default decoding options apply the file's own rotation and mirroring.
  heif_image* raw_image = nullptr;
  check(heif_decode_image(handle.get(), &raw_image, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          nullptr));
  std::unique_ptr<heif_image, void (*)(const heif_image*)> image(raw_image, heif_image_release);
  const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
  lpc::imaging_detail::CheckPictureSize(width, height, path, {});
  int stride = 0;
  const uint8_t* rows =
      heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  if (!rows) throw lpc::FormatError(path, "HEIF: the picture has no colour plane");
  lpc::Bitmap out(width, height);
  if (FromRows(rows, stride, alpha ? 4 : 3, out)) {
    Note(path + ": transparent pixels shown on black");
  }
  return out;
}
#else
// The Windows build carries no HEIF decoder (libheif and its HEVC decoder are not among the
// libraries it is built with).
lpc::Bitmap DecodeHeif(const std::string&, const std::string& path) {
  throw lpc::FormatError(path,
                         "this lpctool reads no HEIC/HEIF pictures (the Windows build "
                         "has no HEIF decoder); save it as JPEG first");
}
#endif

// A picture the runtime cannot show, stored as JPEG (or BMP when the author wants no loss).
ImportedPicture Converted(lpc::Bitmap pixels, const std::string& kind,
                          const ImportOptions& options) {
  ImportedPicture p;
  if (options.lossless && !options.jpeg_only) {
    p.bytes = lpc::EncodeBmp(pixels);
    p.ext = ".bmp";
    p.conversion = kind + " converted to a lossless bitmap";
  } else {
    const int quality = options.lossless ? 100 : ImportOptions::kQuality;
    p.bytes = lpc::EncodeJpeg(pixels, quality);
    p.ext = ".jpg";
    p.conversion = kind + lpc::Format(" converted to JPEG at quality %d", quality);
  }
  p.pixels = std::move(pixels);
  p.own_bytes = false;
  return p;
}

ImportedPicture Kept(std::string bytes, lpc::Bitmap pixels, const char* ext, const char* kind,
                     const ImportOptions& options) {
  if (options.jpeg_only && std::string_view(ext) != ".jpg") {
    return Converted(std::move(pixels), kind, options);
  }
  return ImportedPicture{std::move(pixels), std::move(bytes), ext, true, {}};
}

// Picture forms people have but no decoder here reads: named so the author learns what to do
// instead of finding the picture missing from the show.
const std::set<std::string> kUnreadablePictures = {".TIF", ".TIFF", ".AVIF", ".SVG",
                                                   ".PSD", ".XCF",  ".ICO",  ".JP2",
                                                   ".JXL", ".DNG",  ".CR2",  ".NEF"};

bool IsImportable(const std::string& ext) {
  return ext == ".JPG" || ext == ".JPEG" || ext == ".BMP" || ext == ".GIF" || ext == ".PNG" ||
         ext == ".WEBP" || ext == ".HEIC" || ext == ".HEIF";
}

}  // namespace

#ifdef LPCTOOL_HAVE_HEIF
const char* const kHeifNote = "";
#else
const char* const kHeifNote =
    ". This build reads no HEIC/HEIF pictures: libheif and the HEVC decoder it needs are not "
    "among the libraries the Windows build is made with; save such photographs as JPEG first";
#endif

lpc::Bitmap TurnUpright(const lpc::Bitmap& in, int orientation) {
  const int w = in.width(), h = in.height();
  const bool swap = orientation >= 5;
  lpc::Bitmap out(swap ? h : w, swap ? w : h);
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x) {
      int sx = x, sy = y;
      switch (orientation) {
        case 2:
          sx = w - 1 - x;
          break;
        case 3:
          sx = w - 1 - x, sy = h - 1 - y;
          break;
        case 4:
          sy = h - 1 - y;
          break;
        case 5:
          sx = y, sy = x;
          break;
        case 6:
          sx = y, sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y, sy = h - 1 - x;
          break;
        case 8:
          sx = w - 1 - y, sy = x;
          break;
        default:
          break;
      }
      out.At(x, y) = in.At(sx, sy);
    }
  }
  return out;
}

bool IsPictureFile(const std::string& path) {
  const std::string ext = UpperExt(path);
  return IsImportable(ext) || kUnreadablePictures.count(ext) > 0;
}

ImportedPicture ImportPicture(const std::string& path, const ImportOptions& options) {
  const std::string ext = UpperExt(path);
  if (kUnreadablePictures.count(ext)) {
    throw lpc::FormatError(path, "the screensaver cannot show " + ext.substr(1) +
                                     " pictures; save it as JPEG, PNG, BMP or GIF first");
  }
  if (!IsImportable(ext)) {
    throw lpc::FormatError(path, "unsupported picture type '" + lpc::ExtractFileExt(path) + "'");
  }
  std::string bytes = lpc::ReadFileBytes(path, lpc::kMaxPictureFileBytes);
  if (ext == ".JPG" || ext == ".JPEG") {
    lpc::Bitmap pixels = lpc::DecodeJpeg(bytes, path);
    const int orientation = ExifOrientation(bytes);
    if (orientation == 1) return Kept(std::move(bytes), std::move(pixels), ".jpg", "JPEG", options);
    std::string turned = TurnJpegLosslessly(bytes, orientation);
    ImportedPicture p;
    if (!turned.empty()) {
      p.pixels = lpc::DecodeJpeg(turned, path);
      p.bytes = std::move(turned);
      Note(path + lpc::Format(": turned upright (EXIF orientation %d), without loss", orientation));
    } else {
      // Partial edge blocks would have to be cut off: turn the pixels instead, keeping all.
      p.pixels = TurnUpright(pixels, orientation);
      p.bytes = lpc::EncodeJpeg(p.pixels, ImportOptions::kQuality);
      Note(path + lpc::Format(": turned upright (EXIF orientation %d), re-encoded at quality %d",
                              orientation, ImportOptions::kQuality));
    }
    p.ext = ".jpg";
    p.own_bytes = false;
    return p;
  }
  if (ext == ".BMP") {
    lpc::Bitmap pixels = lpc::DecodeBmp(bytes, path);
    return Kept(std::move(bytes), std::move(pixels), ".bmp", "BMP", options);
  }
  if (ext == ".GIF") {
    lpc::Bitmap pixels = lpc::DecodeGif(bytes, path);
    const int frames = GifFrameCount(bytes);
    if (frames > 1) {
      Note(path +
           lpc::Format(": animated GIF of %d frames; only the first frame is shown", frames));
    }
    return Kept(std::move(bytes), std::move(pixels), ".gif", "GIF", options);
  }
  if (ext == ".PNG") {
    lpc::Bitmap pixels = lpc::DecodePng(bytes, path);
    if (PngHasTransparency(bytes)) Note(path + ": transparent pixels shown on black");
    return Converted(std::move(pixels), PngIsSixteenBit(bytes) ? "16-bit PNG" : "PNG", options);
  }
  if (ext == ".WEBP") return Converted(DecodeWebp(bytes, path), "WebP", options);
  return Converted(DecodeHeif(bytes, path), ext.substr(1), options);
}

}  // namespace lpctool
