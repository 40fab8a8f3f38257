// Picture files by extension.
#include "imaging/picture.h"

#include <algorithm>
#include <atomic>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "imaging/decode_common.h"

namespace lpc {
namespace {

std::atomic<int64_t> g_largest_request{0};

[[noreturn]] void Unsupported(const std::string& name) {
  throw FormatError(name, "unsupported picture type '" + ExtractFileExt(name) + "'");
}

}  // namespace

namespace imaging_detail {

void NotePixelRequest(int64_t pixels) {
  int64_t seen = g_largest_request.load(std::memory_order_relaxed);
  while (pixels > seen && !g_largest_request.compare_exchange_weak(seen, pixels)) {
  }
}

std::string PixelLimitText(int64_t pixels) {
  if (pixels >= 1'000'000 && pixels % 1'000'000 == 0) {
    return Format("%lld megapixels", static_cast<long long>(pixels / 1'000'000));
  }
  return Format("%lld pixels", static_cast<long long>(pixels));
}

}  // namespace imaging_detail

int64_t LargestPixelRequest() { return g_largest_request.load(); }
void ResetLargestPixelRequest() { g_largest_request = 0; }

int MaxJpegScans(int64_t pixels) {
  // About two thousand million pixel-scans: a second or so of work at worst.
  constexpr int64_t kScanWork = 20 * kMaxAuthoringPixels;
  return static_cast<int>(std::clamp<int64_t>(kScanWork / std::max<int64_t>(pixels, 1), 12, 100));
}

Bitmap DecodePicture(std::string_view bytes, const std::string& name) {
  switch (FileKindOf(name)) {
    case FileKind::kJpeg:
      return DecodeJpeg(bytes, name);
    case FileKind::kBitmap:
      return DecodeBmp(bytes, name);
    case FileKind::kGif:
      return DecodeGif(bytes, name);
    case FileKind::kPng:
      return DecodePng(bytes, name);
    default:
      Unsupported(name);
  }
}

Bitmap LoadPicture(const std::string& path) {
  // Refuse an unknown kind before touching the file.
  switch (FileKindOf(path)) {
    case FileKind::kJpeg:
    case FileKind::kBitmap:
    case FileKind::kGif:
    case FileKind::kPng:
      break;
    default:
      Unsupported(path);
  }
  return DecodePicture(ReadFileBytes(path, kMaxPictureFileBytes), path);
}

void SavePicture(const std::string& path, const Bitmap& bitmap) {
  std::string bytes;
  switch (FileKindOf(path)) {
    case FileKind::kJpeg:
      bytes = EncodeJpeg(bitmap);
      break;
    case FileKind::kPng:
      bytes = EncodePng(bitmap);
      break;
    case FileKind::kBitmap:
      bytes = EncodeBmp(bitmap);
      break;
    default:
      throw FormatError(path, "cannot save pictures of type '" + ExtractFileExt(path) + "'");
  }
  WriteFileAtomic(path, bytes);
}

}  // namespace lpc
