// Picture files by extension.
#include "imaging/picture.h"

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"

namespace lpc {
namespace {

[[noreturn]] void Unsupported(const std::string& name) {
  throw FormatError(name, "unsupported picture type '" + ExtractFileExt(name) + "'");
}

}  // namespace

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
