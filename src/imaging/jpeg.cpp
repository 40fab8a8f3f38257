// JPEG decoding and encoding through libjpeg-turbo, from and to memory.
//
// libjpeg reports fatal errors through error_exit, which must not return. We leave it with
// longjmp back into a small function whose frame holds nothing with a destructor, and turn the
// stored message into a FormatError there. Nothing C++ lives across the setjmp.
// jpeglib.h needs size_t and FILE declared before it.
#include <bit>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <jpeglib.h>
#include <jerror.h>

#include "base/errors.h"
#include "imaging/decode_common.h"
#include "imaging/picture.h"

namespace lpc {
namespace {

static_assert(std::endian::native == std::endian::little,
              "bitmap rows are handed to libjpeg as BGRX bytes");

// A progressive stream may carry any number of scans, each of which makes libjpeg walk the
// whole coefficient buffer; a hostile file with hundreds of tiny scans takes minutes. Real
// encoders write about ten; MaxJpegScans says how many a picture of its size may have. Before
// the header is read the largest bound holds.
constexpr int kMaxScansBeforeHeader = 100;
// libjpeg's own buffers (the whole coefficient image of a progressive stream) stay below this.
constexpr long kMaxLibjpegMemory = 1536L << 20;

struct ErrorManager {
  jpeg_error_mgr pub;  // first, so that a j_common_ptr's err can be cast back
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  int max_scans = kMaxScansBeforeHeader;
  bool refuse_damaged = false;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
  auto* mgr = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, mgr->message);
  std::longjmp(mgr->jump, 1);
}

// libjpeg's warnings about damaged data: it goes on, filling what it could not read with grey
// or leaving blocks smeared.
bool IsDamageWarning(int code) {
  switch (code) {
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
      return true;
    default:
      return false;
  }
}

// Running out of data is always an error: libjpeg would fill the rest of the picture with
// grey, and a file that ends early is a broken file. The other damage warnings are errors when
// the caller asks for it; the rest of libjpeg's warnings (an unknown JFIF version, a bad ICC
// profile) do not touch the pixels.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  const int code = cinfo->err->msg_code;
  const auto* mgr = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (code == JWRN_JPEG_EOF || (mgr->refuse_damaged && IsDamageWarning(code))) OnError(cinfo);
}

void OnProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto* mgr = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (d->input_scan_number > mgr->max_scans) {
      std::snprintf(mgr->message, sizeof mgr->message,
                    "too many scans (more than %d for a picture of this size)", mgr->max_scans);
      std::longjmp(mgr->jump, 1);
    }
  }
}

void InstallErrorManager(ErrorManager* mgr) {
  jpeg_std_error(&mgr->pub);
  mgr->pub.error_exit = OnError;
  mgr->pub.emit_message = OnMessage;
  mgr->message[0] = '\0';
}

// Turns libjpeg's CMYK (Adobe writes it inverted) into RGB.
void CmykRowToRgb(const JSAMPLE* in, Color* out, int width, bool inverted) {
  for (int x = 0; x < width; ++x, in += 4) {
    int c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    // Now every value is "amount of light": 255 means none of that ink.
    out[x] = MakeColor((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
  }
}

// BGRX in memory is 0xXXRRGGBB as a little-endian 32-bit value; the picture wants 0x00RRGGBB.
// Sixteen bytes a step, written past the cache where the row allows it, as libjpeg itself
// writes big outputs: the picture is not read again soon.
void CopyClearingUnusedByte(const JSAMPLE* in, Color* out, int width) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
  const bool aligned = (reinterpret_cast<uintptr_t>(out) & 15) == 0;
  for (; x + 4 <= width; x += 4) {
    const __m128i v =
        _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * x)), rgb);
    if (aligned) {
      _mm_stream_si128(reinterpret_cast<__m128i*>(out + x), v);
    } else {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), v);
    }
  }
#endif
  for (; x < width; ++x) {
    Color c;
    std::memcpy(&c, in + 4 * x, 4);
    out[x] = c & 0x00FFFFFFu;
  }
}

void StoreRow(const JSAMPLE* in, Color* out, int width, bool cmyk, bool adobe) {
  if (cmyk) {
    CmykRowToRgb(in, out, width, adobe);
  } else {
    CopyClearingUnusedByte(in, out, width);
  }
}

// The part of the decoder that runs under setjmp. `out` must be an empty bitmap; its size is
// set once the header passed the checks. Returns false with mgr->message set on a libjpeg error
// and true otherwise; *size_fault is set when the size checks refused the picture (the caller
// then rethrows with the same check, outside this frame).
// min_width/min_height above 0 ask for the smallest of libjpeg's 1/8, 1/4 and 1/2 scales whose
// output still covers that size.
// Scatters one decoded row (row y of a w x h picture) to where an EXIF orientation of 2 to 8
// puts it in the upright picture.
void PlaceTurnedRow(const Color* in, int y, int w, int h, int orientation, Bitmap* out) {
  for (int x = 0; x < w; ++x) {
    int tx = x, ty = y;
    switch (orientation) {
      case 2:
        tx = w - 1 - x;
        break;
      case 3:
        tx = w - 1 - x, ty = h - 1 - y;
        break;
      case 4:
        ty = h - 1 - y;
        break;
      case 5:
        tx = y, ty = x;
        break;
      case 6:
        tx = h - 1 - y, ty = x;
        break;
      case 7:
        tx = h - 1 - y, ty = w - 1 - x;
        break;
      case 8:
        tx = y, ty = w - 1 - x;
        break;
      default:
        break;
    }
    out->At(tx, ty) = in[x];
  }
}

// orientation 2 to 8 turns the picture upright on the way out (full size only).
bool RunDecode(jpeg_decompress_struct* cinfo, ErrorManager* mgr, const unsigned char* data,
               unsigned long size, const DecodeLimits* limits, int min_width, int min_height,
               int orientation, Bitmap* out, bool* size_fault) {
  if (setjmp(mgr->jump)) return false;
  jpeg_mem_src(cinfo, data, size);
  jpeg_read_header(cinfo, TRUE);

  const int64_t width = cinfo->image_width;
  const int64_t height = cinfo->image_height;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      width * height > limits->max_pixels) {
    *size_fault = true;
    return true;
  }
  imaging_detail::NotePixelRequest(width * height);
  mgr->max_scans = MaxJpegScans(width * height);

  if (min_width > 0 && min_height > 0) {
    for (int denom : {8, 4, 2}) {
      if ((width + denom - 1) / denom >= min_width && (height + denom - 1) / denom >= min_height) {
        cinfo->scale_num = 1;
        cinfo->scale_denom = static_cast<unsigned>(denom);
        break;
      }
    }
  }
  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
  jpeg_start_decompress(cinfo);
  const int out_width = static_cast<int>(cinfo->output_width);
  const int out_height = static_cast<int>(cinfo->output_height);

  // libjpeg's colour conversion writes aligned rows with non-temporal stores, which leave
  // them out of the cache, so a pass over the picture afterwards would read it back from
  // memory. Rows go instead to a small scratch batch four bytes off alignment, which libjpeg
  // writes with plain stores, and from there into the picture, clearing the unused byte on the
  // way. The first row also arrives before the bitmap exists, so that a header with a big
  // size and no data behind it fails on the missing data before the big allocation.
  constexpr int kBatch = 4;
  JSAMPARRAY scratch =
      (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                  static_cast<JDIMENSION>(out_width) * 4 + 16, kBatch);
  JSAMPROW rows[kBatch];
  for (int i = 0; i < kBatch; ++i) rows[i] = scratch[i] + 4;
  jpeg_read_scanlines(cinfo, rows, 1);
  const bool adobe = cinfo->saw_Adobe_marker;
  if (orientation >= 2 && orientation <= 8) {
    // One row at a time through a row of pixels, each placed where it belongs upright: the
    // picture exists once, already turned.
    auto* row = static_cast<Color*>(
        (*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                   static_cast<size_t>(out_width) * sizeof(Color)));
    const bool swap = orientation >= 5;
    out->SetSizeForOverwrite(swap ? out_height : out_width, swap ? out_width : out_height);
    StoreRow(rows[0], row, out_width, cmyk, adobe);
    PlaceTurnedRow(row, 0, out_width, out_height, orientation, out);
    while (cinfo->output_scanline < cinfo->output_height) {
      const int y = static_cast<int>(cinfo->output_scanline);
      if (jpeg_read_scanlines(cinfo, rows, 1) != 1) {
        for (int i = 0; i < out_width; ++i) row[i] = 0;
        for (int i = y; i < out_height; ++i) {
          PlaceTurnedRow(row, i, out_width, out_height, orientation, out);
        }
        break;
      }
      StoreRow(rows[0], row, out_width, cmyk, adobe);
      PlaceTurnedRow(row, y, out_width, out_height, orientation, out);
    }
    jpeg_finish_decompress(cinfo);
    return true;
  }
  // Every row is written below, so the pixels need no clearing first.
  out->SetSizeForOverwrite(out_width, out_height);
  StoreRow(rows[0], out->Row(0), out_width, cmyk, adobe);
  while (cinfo->output_scanline < cinfo->output_height) {
    const int y = static_cast<int>(cinfo->output_scanline);
    const int n = std::min<int>(kBatch, static_cast<int>(cinfo->output_height) - y);
    const int got = static_cast<int>(jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(n)));
    for (int i = 0; i < got; ++i) StoreRow(rows[i], out->Row(y + i), out_width, cmyk, adobe);
    if (got == 0) {
      // Not expected from a memory source; whatever is left stays black, never unset.
      for (int i = y; i < out->height(); ++i) std::fill(out->Row(i), out->Row(i) + out_width, 0);
      break;
    }
  }
#if defined(__SSE2__)
  _mm_sfence();  // the streamed rows are complete before anyone reads the picture
#endif
  jpeg_finish_decompress(cinfo);
  return true;
}

bool RunEncode(jpeg_compress_struct* cinfo, ErrorManager* mgr, const Bitmap* bitmap, int quality,
               unsigned char** buffer, unsigned long* size) {
  if (setjmp(mgr->jump)) return false;
  jpeg_mem_dest(cinfo, buffer, size);
  cinfo->image_width = static_cast<JDIMENSION>(bitmap->width());
  cinfo->image_height = static_cast<JDIMENSION>(bitmap->height());
  cinfo->input_components = 4;
  cinfo->in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    // libjpeg does not write through the row pointer; its API simply is not const-correct.
    JSAMPROW row = reinterpret_cast<JSAMPROW>(
        const_cast<Color*>(bitmap->Row(static_cast<int>(cinfo->next_scanline))));
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

}  // namespace

Bitmap DecodeJpeg(std::string_view bytes, const std::string& name) {
  return DecodeJpeg(bytes, name, DecodeLimits{});
}

Bitmap DecodeJpeg(std::string_view bytes, const std::string& name, const DecodeLimits& limits) {
  return DecodeJpegScaled(bytes, name, 0, 0, limits);
}

namespace {

Bitmap Decode(std::string_view bytes, const std::string& name, int min_width, int min_height,
              int orientation, const DecodeLimits& limits) {
  if (bytes.empty()) throw FormatError(name, "empty JPEG file");
  auto mgr = std::make_unique<ErrorManager>();
  auto cinfo = std::make_unique<jpeg_decompress_struct>();
  jpeg_progress_mgr progress{};
  progress.progress_monitor = OnProgress;
  InstallErrorManager(mgr.get());
  mgr->refuse_damaged = limits.refuse_damaged;
  cinfo->err = &mgr->pub;
  jpeg_create_decompress(cinfo.get());
  cinfo->progress = &progress;
  cinfo->mem->max_memory_to_use = kMaxLibjpegMemory;

  Bitmap out;
  bool size_fault = false;
  const bool ok =
      RunDecode(cinfo.get(), mgr.get(), reinterpret_cast<const unsigned char*>(bytes.data()),
                static_cast<unsigned long>(bytes.size()), &limits, min_width, min_height,
                orientation, &out, &size_fault);
  const int64_t width = cinfo->image_width;
  const int64_t height = cinfo->image_height;
  jpeg_destroy_decompress(cinfo.get());
  if (!ok) throw FormatError(name, mgr->message);
  if (size_fault) imaging_detail::CheckPictureSize(width, height, name, limits);
  return out;
}

}  // namespace

Bitmap DecodeJpegScaled(std::string_view bytes, const std::string& name, int min_width,
                        int min_height, const DecodeLimits& limits) {
  return Decode(bytes, name, min_width, min_height, 1, limits);
}

Bitmap DecodeJpegUpright(std::string_view bytes, const std::string& name, int orientation,
                         const DecodeLimits& limits) {
  return Decode(bytes, name, 0, 0, orientation, limits);
}

std::string EncodeJpeg(const Bitmap& bitmap, int quality) {
  if (bitmap.empty()) throw Error("cannot encode an empty picture as JPEG");
  if (bitmap.width() > 65500 || bitmap.height() > 65500) {
    throw Error("picture too large for JPEG");
  }
  if (quality < 1) quality = 1;
  if (quality > 100) quality = 100;
  auto mgr = std::make_unique<ErrorManager>();
  auto cinfo = std::make_unique<jpeg_compress_struct>();
  InstallErrorManager(mgr.get());
  cinfo->err = &mgr->pub;
  jpeg_create_compress(cinfo.get());
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool ok = RunEncode(cinfo.get(), mgr.get(), &bitmap, quality, &buffer, &size);
  jpeg_destroy_compress(cinfo.get());
  // After a failure the pointer may be stale (the memory destination reallocates and only
  // reports the final buffer at the end), so it is freed only after success.
  if (!ok) throw Error(std::string("JPEG encoding failed: ") + mgr->message);
  std::string result(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return result;
}

}  // namespace lpc
