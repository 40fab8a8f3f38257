#include "imaging/photo_headers.h"

#include <gif_lib.h>
#include <libexif/exif-data.h>
#include <webp/decode.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "base/errors.h"
#include "imaging/decode_common.h"

namespace lpc {

int ExifOrientation(std::string_view jpeg) {
  std::unique_ptr<ExifData, void (*)(ExifData*)> exif(
      exif_data_new_from_data(reinterpret_cast<const unsigned char*>(jpeg.data()),
                              static_cast<unsigned int>(std::min<size_t>(jpeg.size(), UINT32_MAX))),
      exif_data_unref);
  if (!exif) return 1;
  ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || entry->size < 2) {
    return 1;
  }
  const int value = exif_get_short(entry->data, exif_data_get_byte_order(exif.get()));
  return value >= 1 && value <= 8 ? value : 1;
}

int GifFrameCount(std::string_view bytes) {
  struct Source {
    std::string_view bytes;
    size_t at;
  } source{bytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(
      &source,
      [](GifFileType* g, GifByteType* buffer, int length) {
        auto* s = static_cast<Source*>(g->UserData);
        const size_t n =
            std::min(static_cast<size_t>(std::max(length, 0)), s->bytes.size() - s->at);
        std::memcpy(buffer, s->bytes.data() + s->at, n);
        s->at += n;
        return static_cast<int>(n);
      },
      &error);
  if (!gif) return 1;
  // Counted by walking the records and skipping their data: no frame is decoded, so a hostile
  // file's huge later frames cost nothing.
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

WebpHeader CheckWebpHeader(std::string_view bytes, const std::string& name,
                           const DecodeLimits& limits) {
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &features) !=
      VP8_STATUS_OK) {
    throw FormatError(name, "not a readable WebP picture");
  }
  WebpHeader h{features.width, features.height, features.has_animation != 0};
  if (!h.animated) imaging_detail::CheckPictureSize(h.width, h.height, name, limits);
  return h;
}

namespace {

constexpr uint32_t FourCc(const char (&s)[5]) {
  return uint32_t{static_cast<uint8_t>(s[0])} << 24 | uint32_t{static_cast<uint8_t>(s[1])} << 16 |
         uint32_t{static_cast<uint8_t>(s[2])} << 8 | uint32_t{static_cast<uint8_t>(s[3])};
}

// Big-endian fields read one after another; reading past the end is a FormatError.
class Reader {
 public:
  Reader(std::string_view bytes, const std::string& name) : rest_(bytes), name_(name) {}
  bool empty() const { return rest_.empty(); }
  std::string_view rest() const { return rest_; }
  uint64_t Get(int bytes) {
    Need(static_cast<size_t>(bytes));
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | static_cast<uint8_t>(rest_[i]);
    rest_.remove_prefix(static_cast<size_t>(bytes));
    return v;
  }
  uint32_t U8() { return static_cast<uint32_t>(Get(1)); }
  uint32_t U16() { return static_cast<uint32_t>(Get(2)); }
  uint32_t U32() { return static_cast<uint32_t>(Get(4)); }
  // An item number: 16 bits in the first versions of a box, 32 after.
  uint32_t Id(bool wide) { return wide ? U32() : U16(); }
  std::string_view Take(size_t n) {
    Need(n);
    std::string_view taken = rest_.substr(0, n);
    rest_.remove_prefix(n);
    return taken;
  }

  // The next box: its type and body (after the size and type fields).
  struct Box {
    uint32_t type;
    std::string_view body;
  };
  Box NextBox() {
    const size_t start = rest_.size();
    uint64_t size = U32();
    const uint32_t type = U32();
    if (size == 1) {
      size = Get(8);
    } else if (size == 0) {
      size = start;  // to the end
    }
    const size_t header = start - rest_.size();
    if (size < header || size > start) throw FormatError(name_, "HEIF: a box runs past its end");
    return {type, Take(static_cast<size_t>(size) - header)};
  }

 private:
  void Need(size_t n) const {
    if (rest_.size() < n) throw FormatError(name_, "HEIF: a box ends early");
  }
  std::string_view rest_;
  const std::string& name_;
};

// Item types that are pictures, each of which must declare its size.
bool IsPictureItem(uint32_t type) {
  for (uint32_t t :
       {FourCc("hvc1"), FourCc("av01"), FourCc("grid"), FourCc("iden"), FourCc("iovl"),
        FourCc("jpeg"), FourCc("avc1"), FourCc("vvc1"), FourCc("j2k1"), FourCc("unci")}) {
    if (type == t) return true;
  }
  return false;
}

struct HeifItems {
  uint32_t primary = 0;
  bool has_primary = false;
  std::map<uint32_t, uint32_t> types;                          // item -> type
  std::vector<std::pair<int64_t, int64_t>> properties;         // ipco order; ispe or (-1, -1)
  std::map<uint32_t, std::vector<uint32_t>> property_indices;  // item -> 1-based indices
  std::map<uint32_t, std::vector<uint32_t>> derived_from;      // item -> items it is made of
};

void ReadIinf(std::string_view body, const std::string& name, HeifItems& items) {
  Reader r(body, name);
  const uint32_t version = r.U8();
  r.Get(3);
  r.Get(version == 0 ? 2 : 4);  // entry count: the boxes that follow say it again
  while (!r.empty()) {
    const Reader::Box box = r.NextBox();
    if (box.type != FourCc("infe")) continue;
    Reader e(box.body, name);
    const uint32_t v = e.U8();
    e.Get(3);
    if (v < 2) continue;  // the oldest entries name no item type: no pictures among them
    const uint32_t id = e.Id(v >= 3);
    e.U16();  // protection index
    items.types[id] = e.U32();
  }
}

void ReadIprp(std::string_view body, const std::string& name, HeifItems& items) {
  Reader r(body, name);
  while (!r.empty()) {
    const Reader::Box box = r.NextBox();
    if (box.type == FourCc("ipco")) {
      Reader p(box.body, name);
      while (!p.empty()) {
        const Reader::Box property = p.NextBox();
        std::pair<int64_t, int64_t> size{-1, -1};
        if (property.type == FourCc("ispe")) {
          Reader s(property.body, name);
          s.U32();  // version and flags
          size.first = s.U32();
          size.second = s.U32();
        }
        items.properties.push_back(size);
      }
    } else if (box.type == FourCc("ipma")) {
      Reader a(box.body, name);
      const uint32_t version = a.U8();
      const uint32_t flags = static_cast<uint32_t>(a.Get(3));
      const uint32_t entries = a.U32();
      for (uint32_t i = 0; i < entries; ++i) {
        const uint32_t id = a.Id(version >= 1);
        const uint32_t count = a.U8();
        auto& indices = items.property_indices[id];
        for (uint32_t k = 0; k < count; ++k) {
          indices.push_back((flags & 1) ? (a.U16() & 0x7FFF) : (a.U8() & 0x7F));
        }
      }
    }
  }
}

void ReadIref(std::string_view body, const std::string& name, HeifItems& items) {
  Reader r(body, name);
  const bool wide = r.U8() >= 1;
  r.Get(3);
  while (!r.empty()) {
    const Reader::Box box = r.NextBox();
    Reader e(box.body, name);
    const uint32_t from = e.Id(wide);
    const uint32_t count = e.U16();
    std::vector<uint32_t> to;
    for (uint32_t i = 0; i < count; ++i) to.push_back(e.Id(wide));
    if (box.type == FourCc("dimg")) {
      auto& parts = items.derived_from[from];
      parts.insert(parts.end(), to.begin(), to.end());
    }
  }
}

HeifItems ReadItems(std::string_view bytes, const std::string& name) {
  HeifItems items;
  Reader top(bytes, name);
  while (!top.empty()) {
    const Reader::Box box = top.NextBox();
    if (box.type != FourCc("meta")) continue;
    Reader meta(box.body, name);
    meta.U32();  // version and flags
    while (!meta.empty()) {
      const Reader::Box child = meta.NextBox();
      if (child.type == FourCc("pitm")) {
        Reader p(child.body, name);
        const uint32_t version = p.U8();
        p.Get(3);
        items.primary = p.Id(version >= 1);
        items.has_primary = true;
      } else if (child.type == FourCc("iinf")) {
        ReadIinf(child.body, name, items);
      } else if (child.type == FourCc("iprp")) {
        ReadIprp(child.body, name, items);
      } else if (child.type == FourCc("iref")) {
        ReadIref(child.body, name, items);
      }
    }
    break;  // one meta box at the top
  }
  return items;
}

// The declared size of an item, checked against the side limit; FormatError when it has none.
std::pair<int64_t, int64_t> ItemSize(const HeifItems& items, uint32_t id, const std::string& name) {
  const auto found = items.property_indices.find(id);
  if (found != items.property_indices.end()) {
    for (uint32_t index : found->second) {
      if (index >= 1 && index <= items.properties.size() &&
          items.properties[index - 1].first >= 0) {
        const auto size = items.properties[index - 1];
        if (size.first <= 0 || size.second <= 0 || size.first > kMaxPictureSide ||
            size.second > kMaxPictureSide) {
          throw FormatError(name, Format("HEIF: a part of the picture is %lld x %lld (at most %d "
                                         "on a side)",
                                         static_cast<long long>(size.first),
                                         static_cast<long long>(size.second), kMaxPictureSide));
        }
        return size;
      }
    }
  }
  throw FormatError(name, Format("HEIF: picture item %u declares no size", id));
}

}  // namespace

HeifCost CheckHeifHeader(std::string_view bytes, const std::string& name,
                         const DecodeLimits& limits) {
  const HeifItems items = ReadItems(bytes, name);
  if (!items.has_primary) throw FormatError(name, "HEIF: the file names no main picture");
  const auto type = items.types.find(items.primary);
  if (type != items.types.end() && !IsPictureItem(type->second)) {
    // libheif says which kinds it cannot decode.
    return {};
  }
  HeifCost cost;
  std::tie(cost.width, cost.height) = ItemSize(items, items.primary, name);
  if (cost.width * cost.height > limits.max_pixels) {
    imaging_detail::CheckPictureSize(cost.width, cost.height, name, limits);  // throws
  }
  const auto parts = items.derived_from.find(items.primary);
  if (parts != items.derived_from.end()) {
    for (uint32_t part : parts->second) {
      const auto [w, h] = ItemSize(items, part, name);
      ++cost.parts;
      cost.parts_pixels += w * h;
      // Counted before anything is decoded; a grid of 65535 tiles adds up within int64.
      if (cost.parts_pixels > limits.max_pixels ||
          cost.parts_pixels > 2 * cost.width * cost.height) {
        throw FormatError(
            name, Format("HEIF: the picture is %lld x %lld made of %zu parts of more than %lld "
                         "pixels in all, larger than the limit of %s",
                         static_cast<long long>(cost.width), static_cast<long long>(cost.height),
                         parts->second.size(), static_cast<long long>(cost.parts_pixels),
                         imaging_detail::PixelLimitText(
                             std::min(limits.max_pixels, 2 * cost.width * cost.height))
                             .c_str()));
      }
    }
  }
  imaging_detail::CheckPictureSize(cost.width, cost.height, name, limits);
  imaging_detail::NotePixelRequest(cost.parts_pixels);
  return cost;
}

}  // namespace lpc
