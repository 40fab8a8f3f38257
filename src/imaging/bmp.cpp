// Windows bitmap reader and writer.
//
// The reader takes the file header followed by any of the info headers in use: the old OS/2
// core header (12 bytes), BITMAPINFOHEADER (40) and its later forms (52, 56, OS/2 2.x 64, V4
// 108, V5 124). Every offset and size is checked against the bytes present before it is used,
// and the pixel buffer is only allocated once the picture size passed the limits and the pixel
// data is known to be all there.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "base/errors.h"
#include "imaging/decode_common.h"
#include "imaging/picture.h"

namespace lpc {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

constexpr size_t kFileHeaderSize = 14;

class ByteView {
 public:
  explicit ByteView(std::string_view bytes) : b_(bytes) {}
  size_t size() const { return b_.size(); }
  uint8_t U8(size_t off) const { return static_cast<uint8_t>(b_[off]); }
  uint16_t U16(size_t off) const { return static_cast<uint16_t>(U8(off) | (U8(off + 1) << 8)); }
  uint32_t U32(size_t off) const {
    return static_cast<uint32_t>(U16(off)) | (static_cast<uint32_t>(U16(off + 2)) << 16);
  }
  int32_t I32(size_t off) const { return static_cast<int32_t>(U32(off)); }

 private:
  std::string_view b_;
};

// One colour channel of a 16- or 32-bit pixel, given by its bit mask.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;  // the mask shifted down: the channel's largest value

  explicit Channel(uint32_t m = 0) : mask(m) {
    if (mask != 0) {
      shift = std::countr_zero(mask);
      max = mask >> shift;
    }
  }
  // Scales the channel value to 0..255, rounding to nearest.
  int Get(uint32_t raw) const {
    if (max == 0) return 0;
    const uint64_t v = (raw & mask) >> shift;
    return static_cast<int>((v * 510 + max) / (uint64_t{2} * max));
  }
};

struct Header {
  int64_t width = 0;
  int64_t height = 0;  // always positive here; top_down says the row order
  bool top_down = false;
  int bpp = 0;
  uint32_t compression = kBiRgb;
  size_t palette_offset = 0;
  size_t palette_entry_size = 4;
  int64_t palette_count = 0;
  uint32_t masks[3] = {0, 0, 0};
  uint32_t pixel_offset = 0;
};

Header ReadHeader(const ByteView& in, const std::string& name) {
  if (in.size() == 0) throw FormatError(name, "empty bitmap file");
  if (in.size() < kFileHeaderSize + 4) throw FormatError(name, "truncated bitmap file header");
  if (in.U8(0) != 'B' || in.U8(1) != 'M') {
    throw FormatError(name, "not a Windows bitmap (no 'BM' signature)");
  }
  Header h;
  h.pixel_offset = in.U32(10);
  const uint32_t header_size = in.U32(14);
  const bool core = header_size == 12;
  if (!core && header_size != 40 && header_size != 52 && header_size != 56 && header_size != 64 &&
      header_size != 108 && header_size != 124) {
    throw FormatError(name, Format("unsupported bitmap header size %u", header_size));
  }
  if (in.size() < kFileHeaderSize + header_size) {
    throw FormatError(name, "truncated bitmap info header");
  }

  uint32_t colours_used = 0;
  if (core) {
    h.width = in.U16(18);
    h.height = in.U16(20);
    h.bpp = in.U16(24);
    h.palette_entry_size = 3;
  } else {
    h.width = in.I32(18);
    const int64_t height = in.I32(22);
    h.top_down = height < 0;
    h.height = height < 0 ? -height : height;
    h.bpp = in.U16(28);
    h.compression = in.U32(30);
    colours_used = in.U32(46);
  }
  h.palette_offset = kFileHeaderSize + header_size;

  switch (h.compression) {
    case kBiRgb:
      if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32) {
        throw FormatError(name, Format("unsupported bit depth %d", h.bpp));
      }
      break;
    case kBiRle8:
    case kBiRle4:
      if (h.bpp != (h.compression == kBiRle8 ? 8 : 4)) {
        throw FormatError(name, Format("run-length compression with bit depth %d", h.bpp));
      }
      if (h.top_down) throw FormatError(name, "run-length compressed bitmap stored top-down");
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (h.bpp != 16 && h.bpp != 32) {
        throw FormatError(name, Format("bit-field pixels with bit depth %d", h.bpp));
      }
      if (header_size == 64) throw FormatError(name, "unsupported OS/2 compression");
      break;
    default:
      throw FormatError(name, Format("unsupported bitmap compression %u", h.compression));
  }

  if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
    size_t mask_offset = kFileHeaderSize + 40;
    if (header_size == 40) {
      // The masks follow the header; the palette (if any) comes after them.
      const size_t mask_bytes = h.compression == kBiAlphaBitfields ? 16 : 12;
      if (in.size() < mask_offset + mask_bytes) {
        throw FormatError(name, "truncated colour masks");
      }
      h.palette_offset += mask_bytes;
    }
    for (int i = 0; i < 3; ++i) h.masks[i] = in.U32(mask_offset + 4 * i);
  } else if (h.bpp == 16) {
    h.masks[0] = 0x7C00;
    h.masks[1] = 0x03E0;
    h.masks[2] = 0x001F;
  } else if (h.bpp == 32) {
    h.masks[0] = 0xFF0000;
    h.masks[1] = 0x00FF00;
    h.masks[2] = 0x0000FF;
  }

  if (h.bpp <= 8) {
    const int64_t full = int64_t{1} << h.bpp;
    if (core) {
      // The core header has no count; the palette runs up to the pixels, at most 2^bpp long.
      h.palette_count = full;
      if (h.pixel_offset > h.palette_offset) {
        h.palette_count = std::min<int64_t>(full, (h.pixel_offset - h.palette_offset) / 3);
      }
    } else if (colours_used == 0) {
      h.palette_count = full;
    } else if (colours_used > full) {
      throw FormatError(name,
                        Format("bad palette count %u for %d bits per pixel", colours_used, h.bpp));
    } else {
      h.palette_count = colours_used;
    }
    const uint64_t palette_end =
        h.palette_offset + static_cast<uint64_t>(h.palette_count) * h.palette_entry_size;
    if (palette_end > in.size()) throw FormatError(name, "palette runs past the end of the file");
  }

  imaging_detail::CheckPictureSides(h.width, h.height, name);
  if (h.pixel_offset >= in.size()) {
    throw FormatError(name,
                      Format("pixel data offset %u beyond the end of the file", h.pixel_offset));
  }
  return h;
}

std::vector<Color> ReadPalette(const ByteView& in, const Header& h) {
  // Indices past the palette's end show black, as if the table were padded with zeros.
  std::vector<Color> palette(size_t{1} << h.bpp, 0);
  for (int64_t i = 0; i < h.palette_count; ++i) {
    const size_t off = h.palette_offset + static_cast<size_t>(i) * h.palette_entry_size;
    palette[static_cast<size_t>(i)] = MakeColor(in.U8(off + 2), in.U8(off + 1), in.U8(off));
  }
  return palette;
}

void DecodeUncompressed(const ByteView& in, const Header& h, const std::string& name,
                        const DecodeLimits& limits, Bitmap* out) {
  const int64_t stride = (h.width * h.bpp + 31) / 32 * 4;
  const int64_t row_bytes = (h.width * h.bpp + 7) / 8;
  // The last row's padding may be missing; some writers leave it out.
  const int64_t need = stride * (h.height - 1) + row_bytes;
  const int64_t have = static_cast<int64_t>(in.size()) - h.pixel_offset;
  if (need > have) {
    throw FormatError(name, Format("pixel data truncated (%lld bytes needed, %lld present)",
                                   static_cast<long long>(need), static_cast<long long>(have)));
  }
  imaging_detail::CheckPictureSize(h.width, h.height, name, limits);
  std::vector<Color> palette;
  if (h.bpp <= 8) palette = ReadPalette(in, h);
  const Channel r(h.masks[0]), g(h.masks[1]), b(h.masks[2]);

  out->SetSize(static_cast<int>(h.width), static_cast<int>(h.height));
  const int width = static_cast<int>(h.width);
  for (int64_t file_row = 0; file_row < h.height; ++file_row) {
    const int y = static_cast<int>(h.top_down ? file_row : h.height - 1 - file_row);
    const size_t base = h.pixel_offset + static_cast<size_t>(file_row * stride);
    Color* row = out->Row(y);
    switch (h.bpp) {
      case 1:
      case 4:
      case 8: {
        const int per_byte = 8 / h.bpp;
        const unsigned index_mask = (1u << h.bpp) - 1;
        for (int x = 0; x < width; ++x) {
          const uint8_t byte = in.U8(base + static_cast<size_t>(x / per_byte));
          const int shift = 8 - h.bpp * (x % per_byte + 1);
          row[x] = palette[(byte >> shift) & index_mask];
        }
        break;
      }
      case 16:
        for (int x = 0; x < width; ++x) {
          const uint32_t raw = in.U16(base + 2 * static_cast<size_t>(x));
          row[x] = MakeColor(r.Get(raw), g.Get(raw), b.Get(raw));
        }
        break;
      case 24:
        for (int x = 0; x < width; ++x) {
          const size_t p = base + 3 * static_cast<size_t>(x);
          row[x] = MakeColor(in.U8(p + 2), in.U8(p + 1), in.U8(p));
        }
        break;
      case 32:
        for (int x = 0; x < width; ++x) {
          const uint32_t raw = in.U32(base + 4 * static_cast<size_t>(x));
          row[x] = MakeColor(r.Get(raw), g.Get(raw), b.Get(raw));
        }
        break;
    }
  }
}

// RLE8 and RLE4. Pixels the stream never sets stay black. A stream that stops without its
// end-of-bitmap code ends the picture there, as Windows shows such files.
void DecodeRunLength(const ByteView& in, const Header& h, Bitmap* out) {
  const std::vector<Color> palette = ReadPalette(in, h);
  const bool rle4 = h.compression == kBiRle4;
  const int64_t width = h.width;
  const int64_t height = h.height;
  out->SetSize(static_cast<int>(width), static_cast<int>(height));
  int64_t x = 0;
  int64_t y = 0;  // counted from the bottom row
  auto put = [&](unsigned index) {
    if (x < width && y < height) {
      out->At(static_cast<int>(x), static_cast<int>(height - 1 - y)) = palette[index];
    }
    ++x;
  };
  size_t p = h.pixel_offset;
  const size_t end = in.size();
  while (p + 2 <= end && y < height) {
    const unsigned count = in.U8(p);
    const unsigned value = in.U8(p + 1);
    p += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count && x < width; ++i) {
        put(rle4 ? ((i % 2 == 0) ? value >> 4 : value & 0x0F) : value);
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and up
      if (p + 2 > end) break;
      x += in.U8(p);
      y += in.U8(p + 1);
      p += 2;
    } else {  // a literal run of `value` pixels, padded to a 16-bit boundary
      const size_t bytes = rle4 ? (value + 1) / 2 : value;
      const size_t padded = (bytes + 1) & ~size_t{1};
      if (p + bytes > end) break;
      for (unsigned i = 0; i < value; ++i) {
        const uint8_t byte = in.U8(p + (rle4 ? i / 2 : i));
        put(rle4 ? ((i % 2 == 0) ? byte >> 4 : byte & 0x0F) : byte);
      }
      p += std::min(padded, end - p);
    }
    x = std::min(x, width);
  }
}

void PutU16(std::string& s, size_t off, uint32_t v) {
  s[off] = static_cast<char>(v & 0xFF);
  s[off + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void PutU32(std::string& s, size_t off, uint32_t v) {
  PutU16(s, off, v & 0xFFFF);
  PutU16(s, off + 2, v >> 16);
}

}  // namespace

Bitmap DecodeBmp(std::string_view bytes, const std::string& name) {
  return DecodeBmp(bytes, name, DecodeLimits{});
}

Bitmap DecodeBmp(std::string_view bytes, const std::string& name, const DecodeLimits& limits) {
  const ByteView in(bytes);
  const Header h = ReadHeader(in, name);
  Bitmap out;
  if (h.compression == kBiRle8 || h.compression == kBiRle4) {
    // Any run-length stream may fill the whole picture; nothing cheaper says it is too short.
    imaging_detail::CheckPictureSize(h.width, h.height, name, limits);
    DecodeRunLength(in, h, &out);
  } else {
    DecodeUncompressed(in, h, name, limits, &out);
  }
  return out;
}

std::string EncodeBmp(const Bitmap& bitmap) {
  if (bitmap.empty()) throw Error("cannot encode an empty picture as a bitmap");
  const uint64_t stride = (static_cast<uint64_t>(bitmap.width()) * 3 + 3) / 4 * 4;
  const uint64_t image_size = stride * static_cast<uint64_t>(bitmap.height());
  if (image_size > 0xFFFFFFFFu - 54) throw Error("picture too large for a bitmap file");
  std::string out(54 + image_size, '\0');
  out[0] = 'B';
  out[1] = 'M';
  PutU32(out, 2, static_cast<uint32_t>(out.size()));
  PutU32(out, 10, 54);
  PutU32(out, 14, 40);
  PutU32(out, 18, static_cast<uint32_t>(bitmap.width()));
  PutU32(out, 22, static_cast<uint32_t>(bitmap.height()));
  PutU16(out, 26, 1);
  PutU16(out, 28, 24);
  PutU32(out, 30, kBiRgb);
  PutU32(out, 34, static_cast<uint32_t>(image_size));
  PutU32(out, 38, 2835);  // 72 dots per inch
  PutU32(out, 42, 2835);
  for (int y = 0; y < bitmap.height(); ++y) {
    const Color* row = bitmap.Row(bitmap.height() - 1 - y);
    size_t p = 54 + static_cast<size_t>(y) * stride;
    for (int x = 0; x < bitmap.width(); ++x) {
      out[p++] = static_cast<char>(BlueOf(row[x]));
      out[p++] = static_cast<char>(GreenOf(row[x]));
      out[p++] = static_cast<char>(RedOf(row[x]));
    }
  }
  return out;
}

}  // namespace lpc
