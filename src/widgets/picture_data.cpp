#include "widgets/picture_data.h"

#include <string_view>

#include "base/paths.h"
#include "imaging/picture.h"
#include "widgets/properties.h"

namespace lpc::widgets {

namespace {

// The payload after a 32-bit length at `offset`; empty when the length is 0.
std::string_view Sized(const std::vector<uint8_t>& data, size_t offset) {
  if (data.size() < offset + 4) throw PropertyValueError();
  const uint32_t n = uint32_t{data[offset]} | uint32_t{data[offset + 1]} << 8 |
                     uint32_t{data[offset + 2]} << 16 | uint32_t{data[offset + 3]} << 24;
  if (n > data.size() - offset - 4) throw PropertyValueError();
  return std::string_view(reinterpret_cast<const char*>(data.data()) + offset + 4, n);
}

Bitmap DecodeOrInvalid(std::string_view bytes, bool jpeg) {
  if (bytes.empty()) return Bitmap();
  try {
    return jpeg ? DecodeJpeg(bytes, "Picture.Data") : DecodeBmp(bytes, "Picture.Data");
  } catch (const std::exception&) {
    throw PropertyValueError();
  }
}

}  // namespace

Bitmap DecodeBitmapData(const std::vector<uint8_t>& data) {
  return DecodeOrInvalid(Sized(data, 0), false);
}

Bitmap DecodePictureData(const std::vector<uint8_t>& data) {
  if (data.empty()) return Bitmap();
  const size_t name_length = data[0];
  if (data.size() < 1 + name_length) throw PropertyValueError();
  const std::string name(reinterpret_cast<const char*>(data.data()) + 1, name_length);
  if (SameText(name, "TBitmap")) return DecodeOrInvalid(Sized(data, 1 + name_length), false);
  if (SameText(name, "TJPEGImage") || SameText(name, "TJpegImage")) {
    return DecodeOrInvalid(Sized(data, 1 + name_length), true);
  }
  return Bitmap();
}

std::vector<uint8_t> EncodeBitmapData(const Bitmap& bitmap) {
  const std::string bmp = bitmap.empty() ? std::string() : EncodeBmp(bitmap);
  std::vector<uint8_t> out(4 + bmp.size());
  const uint32_t n = static_cast<uint32_t>(bmp.size());
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(n >> (8 * i));
  std::copy(bmp.begin(), bmp.end(), out.begin() + 4);
  return out;
}

}  // namespace lpc::widgets
