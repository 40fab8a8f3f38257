#include "photo_import.h"

#ifdef LPCTOOL_HAVE_HEIF
#include <libheif/heif.h>
#endif
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
#include "imaging/photo_headers.h"
#include "imaging/picture.h"
#include "pack_checks.h"

namespace lpctool {
namespace {

std::string UpperExt(const std::string& path) { return lpc::UpperFileExt(path); }

// libjpeg-turbo's lossless turn of the coded blocks. Empty when a perfect one is impossible
// (partial edge blocks in the turned direction); every marker, the EXIF block among them, is
// left out so that no viewer turns the picture a second time. The caller has decoded the file
// first (which bounds its scans and refuses damage); TurboJPEG's own scan limit guards this
// call all the same.
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
                  &out_size, &transform, TJFLAG_LIMITSCANS) == 0) {
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

bool PngIsSixteenBit(const std::string& bytes) {
  // IHDR always comes first: signature (8), length (4), "IHDR" (4), width, height, bit depth.
  return bytes.size() > 24 && static_cast<uint8_t>(bytes[24]) == 16;
}

lpc::Bitmap DecodeWebp(const std::string& bytes, const std::string& path) {
  const lpc::WebpHeader header = lpc::CheckWebpHeader(bytes, path, lpc::kAuthoringLimits);
  if (header.animated) {
    throw lpc::FormatError(path, "animated WebP; save the frame to show as JPEG or PNG first");
  }
  // Decoded straight into the picture's pixels (BGRA is 0xAARRGGBB in memory), then composed
  // onto black in place: the picture exists once.
  lpc::Bitmap out;
  out.SetSizeForOverwrite(header.width, header.height);
  const size_t stride = static_cast<size_t>(header.width) * 4;
  if (!WebPDecodeBGRAInto(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                          reinterpret_cast<uint8_t*>(out.data()), stride * out.height(),
                          static_cast<int>(stride))) {
    throw lpc::FormatError(path, "WebP picture data is damaged");
  }
  bool transparent = false;
  for (size_t i = 0; i < out.pixel_count(); ++i) {
    const lpc::Color c = out.data()[i];
    const int a = static_cast<int>(c >> 24);
    if (a != 255) transparent = true;
    out.data()[i] = OverBlack(lpc::RedOf(c), lpc::GreenOf(c), lpc::BlueOf(c), a);
  }
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
  // Every picture the decoder would build (a grid's tiles among them) is counted from the
  // sizes the file declares before anything is decoded; libheif's own side limit stays too.
  lpc::CheckHeifHeader(bytes, path, lpc::kAuthoringLimits);
  heif_context_set_maximum_image_size_limit(context.get(), lpc::kMaxPictureSide);
  check(heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(),
                                                   nullptr));
  heif_image_handle* raw_handle = nullptr;
  check(heif_context_get_primary_image_handle(context.get(), &raw_handle));
  std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> handle(
      raw_handle, heif_image_handle_release);
  lpc::imaging_detail::CheckPictureSize(heif_image_handle_get_width(handle.get()),
                                        heif_image_handle_get_height(handle.get()), path,
                                        lpc::kAuthoringLimits);
  const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
  // The default decoding options apply the file's own rotation and mirroring.
  heif_image* raw_image = nullptr;
  check(heif_decode_image(handle.get(), &raw_image, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          nullptr));
  std::unique_ptr<heif_image, void (*)(const heif_image*)> image(raw_image, heif_image_release);
  const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
  lpc::imaging_detail::CheckPictureSize(width, height, path, lpc::kAuthoringLimits);
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
    const int orientation = lpc::ExifOrientation(bytes);
    if (orientation == 1) {
      lpc::Bitmap pixels = lpc::DecodeJpeg(bytes, path, lpc::kAuthoringLimits);
      return Kept(std::move(bytes), std::move(pixels), ".jpg", "JPEG", options);
    }
    // The whole stream is read once at the smallest scale first: its scans are counted and
    // damage refused before the turn copies the coded blocks, and nothing full-size is held
    // while they are turned.
    lpc::DecodeJpegScaled(bytes, path, 1, 1, lpc::kAuthoringLimits);
    std::string turned = TurnJpegLosslessly(bytes, orientation);
    ImportedPicture p;
    if (!turned.empty()) {
      p.pixels = lpc::DecodeJpeg(turned, path, lpc::kAuthoringLimits);
      p.bytes = std::move(turned);
      Note(path + lpc::Format(": turned upright (EXIF orientation %d), without loss", orientation));
    } else {
      // Partial edge blocks would have to be cut off: turn the pixels instead, keeping all.
      p.pixels = lpc::DecodeJpegUpright(bytes, path, orientation, lpc::kAuthoringLimits);
      p.bytes = lpc::EncodeJpeg(p.pixels, ImportOptions::kQuality);
      Note(path + lpc::Format(": turned upright (EXIF orientation %d), re-encoded at quality %d",
                              orientation, ImportOptions::kQuality));
    }
    p.ext = ".jpg";
    p.own_bytes = false;
    return p;
  }
  if (ext == ".BMP") {
    lpc::Bitmap pixels = lpc::DecodeBmp(bytes, path, lpc::kAuthoringLimits);
    return Kept(std::move(bytes), std::move(pixels), ".bmp", "BMP", options);
  }
  if (ext == ".GIF") {
    lpc::Bitmap pixels = lpc::DecodeGif(bytes, path, lpc::kAuthoringLimits);
    const int frames = lpc::GifFrameCount(bytes);
    if (frames > 1) {
      Note(path +
           lpc::Format(": animated GIF of %d frames; only the first frame is shown", frames));
    }
    return Kept(std::move(bytes), std::move(pixels), ".gif", "GIF", options);
  }
  if (ext == ".PNG") {
    bool transparent = false;
    lpc::Bitmap pixels = lpc::DecodePng(bytes, path, lpc::kAuthoringLimits, &transparent);
    if (transparent) Note(path + ": transparent pixels shown on black");
    return Converted(std::move(pixels), PngIsSixteenBit(bytes) ? "16-bit PNG" : "PNG", options);
  }
  if (ext == ".WEBP") return Converted(DecodeWebp(bytes, path), "WebP", options);
  return Converted(DecodeHeif(bytes, path), ext.substr(1), options);
}

}  // namespace lpctool
