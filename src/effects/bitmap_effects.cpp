#include "effects/bitmap_effects.h"

#include <algorithm>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/canvas.h"
#include "base/errors.h"
#include "base/numbers.h"

namespace lpc {

namespace {

inline uint8_t ClampByte(int32_t v) {
  return static_cast<uint8_t>(v > 255 ? 255 : (v < 0 ? 0 : v));
}

int32_t ClampInt32(int64_t v) { return static_cast<int32_t>(ClampTo<int64_t>(v, INT32_MIN, INT32_MAX)); }

// One row of the bilinear resample on 32-bit pixels, with the 17.15 arithmetic of the 24-bit
// surfaces: the same weights, the same truncations, channel by channel, so the result equals
// a round trip through a 24-bit surface without making one.
//
// The four weights add up to 0x8000, so p0*w1 + p1*w2 + q0*w3 + q1*w4 equals
// (p0 << 15) + (p1 - p0)*w2 + (q0 - p0)*w3 + (q1 - p0)*w4 exactly. w2, w3 and w4 stay below
// 0x8000 and the differences within +-255, so with SSE2 each pair of products is one signed
// 16-bit multiply-add and all channels of a pixel go through at once.
void BilinearRow32(const Color* __restrict r0, const Color* __restrict r1, uint32_t fy,
                   const uint32_t* __restrict offs, const uint32_t* __restrict fxs,
                   Color* __restrict out, int32_t width) {
  const uint32_t gy = 0x8000 - fy;
  int32_t j = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i rgb = _mm_set1_epi32(0xFFFFFF);
  // Two output pixels per step: every vector holds the four channels of pixel j in its low
  // half and of pixel j + 1 in its high half.
  for (; j + 1 < width; j += 2) {
    const __m128i p = _mm_unpacklo_epi8(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0 + offs[j])), zero);
    const __m128i q = _mm_unpacklo_epi8(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r1 + offs[j])), zero);
    const __m128i p_ = _mm_unpacklo_epi8(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0 + offs[j + 1])), zero);
    const __m128i q_ = _mm_unpacklo_epi8(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r1 + offs[j + 1])), zero);
    // Lanes 0-3: p0 of pixel j, lanes 4-7: p0 of pixel j + 1; likewise p1, q0, q1.
    const __m128i a = _mm_unpacklo_epi64(p, p_);
    const __m128i b = _mm_unpackhi_epi64(p, p_);
    const __m128i c = _mm_unpacklo_epi64(q, q_);
    const __m128i d = _mm_unpackhi_epi64(q, q_);
    const __m128i d1 = _mm_sub_epi16(b, a), d2 = _mm_sub_epi16(c, a), d3 = _mm_sub_epi16(d, a);
    uint32_t w[2][3];
    for (int k = 0; k < 2; ++k) {
      const uint32_t fx = fxs[j + k];
      const uint32_t w2 = (fx * gy) >> 15;
      const uint32_t w4 = (fx * fy) >> 15;
      w[k][0] = w2;
      w[k][1] = fy - w4;  // w3
      w[k][2] = w4;
    }
    // Pairs (w2, w3) for the multiply-add, then (w4, 0).
    const __m128i w23_lo = _mm_set1_epi32(static_cast<int>(w[0][0] | (w[0][1] << 16)));
    const __m128i w23_hi = _mm_set1_epi32(static_cast<int>(w[1][0] | (w[1][1] << 16)));
    const __m128i w4_lo = _mm_set1_epi32(static_cast<int>(w[0][2]));
    const __m128i w4_hi = _mm_set1_epi32(static_cast<int>(w[1][2]));
    const __m128i s_lo = _mm_add_epi32(
        _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(d1, d2), w23_lo),
                      _mm_madd_epi16(_mm_unpacklo_epi16(d3, zero), w4_lo)),
        _mm_slli_epi32(_mm_unpacklo_epi16(a, zero), 15));
    const __m128i s_hi = _mm_add_epi32(
        _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(d1, d2), w23_hi),
                      _mm_madd_epi16(_mm_unpackhi_epi16(d3, zero), w4_hi)),
        _mm_slli_epi32(_mm_unpackhi_epi16(a, zero), 15));
    const __m128i v16 = _mm_packs_epi32(_mm_srli_epi32(s_lo, 15), _mm_srli_epi32(s_hi, 15));
    const __m128i v8 = _mm_and_si128(_mm_packus_epi16(v16, zero), rgb);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), v8);
  }
#endif
  for (; j < width; ++j) {
    const Color p0 = r0[offs[j]], p1 = r0[offs[j] + 1];
    const Color q0 = r1[offs[j]], q1 = r1[offs[j] + 1];
    const uint32_t fx = fxs[j];
    const uint32_t w2 = (fx * gy) >> 15;
    const uint32_t w1 = gy - w2;
    const uint32_t w4 = (fx * fy) >> 15;
    const uint32_t w3 = fy - w4;
    uint32_t v = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t c = (((p0 >> shift) & 0xFF) * w1 + ((p1 >> shift) & 0xFF) * w2 +
                          ((q0 >> shift) & 0xFF) * w3 + ((q1 >> shift) & 0xFF) * w4) >> 15;
      v |= c << shift;
    }
    out[j] = v;
  }
}

// Bilinear resample of a whole 32-bit picture; false when the 24-bit surface path must be
// taken instead (a source one pixel wide samples its single column by nearest neighbour).
bool ResampleBilinear32(const Bitmap& s, Bitmap& d) {
  if (d.empty() || s.empty()) return true;
  if (s.width() == 1) return false;
  if (d.width() == s.width() && d.height() == s.height()) {
    for (int y = 0; y < s.height(); ++y) {
      const Color* in = s.Row(y);
      Color* o = d.Row(y);
      for (int x = 0; x < s.width(); ++x) o[x] = in[x] & 0xFFFFFF;
    }
    return true;
  }
  const uint32_t xstep = static_cast<uint32_t>((int32_t{s.width() - 1} << 15) / d.width());
  const uint32_t ystep = static_cast<uint32_t>((int32_t{s.height() - 1} << 15) / d.height());
  std::vector<uint32_t> offs(static_cast<size_t>(d.width()));
  std::vector<uint32_t> fxs(static_cast<size_t>(d.width()));
  uint32_t xacc = 0;
  for (int32_t j = 0; j < d.width(); ++j, xacc += xstep) {
    offs[j] = xacc >> 15;
    fxs[j] = xacc & 0x7FFF;
  }
  // The surfaces keep their rows bottom-up, so rows are counted from the bottom here too: row
  // i from the bottom of the result mixes source rows n and n + 1 from the bottom.
  const int sh = s.height(), dh = d.height();
  uint32_t yacc = 0;
  for (int32_t i = 0; i < dh; ++i, yacc += ystep) {
    const int n = static_cast<int>(yacc >> 15);
    const Color* r0 = s.Row(sh - 1 - n);
    const Color* r1 = sh >= 2 ? s.Row(sh - 2 - n) : r0;
    BilinearRow32(r0, r1, yacc & 0x7FFF, offs.data(), fxs.data(), d.Row(dh - 1 - i), d.width());
  }
  return true;
}

// Whole-pixel stretch of a whole bitmap (colour on colour: destination pixel i takes source
// pixel i * sn / dn); a row repeated from the source is copied from the row above.
void StretchNearest(const Bitmap& s, Bitmap& d) {
  if (s.empty() || d.empty()) return;
  std::vector<int> xmap(static_cast<size_t>(d.width()));
  for (int x = 0; x < d.width(); ++x) {
    xmap[x] = static_cast<int>(static_cast<long long>(x) * s.width() / d.width());
  }
  int last = -1;
  for (int y = 0; y < d.height(); ++y) {
    const int sy = static_cast<int>(static_cast<long long>(y) * s.height() / d.height());
    Color* out = d.Row(y);
    if (sy == last) {
      std::copy(d.Row(y - 1), d.Row(y - 1) + d.width(), out);
      continue;
    }
    const Color* in = s.Row(sy);
    for (int x = 0; x < d.width(); ++x) out[x] = in[xmap[x]];
    last = sy;
  }
}

void ResampleThroughSurface(const Bitmap& source, Bitmap& destination) {
  TFastBMP from, to;
  from.LoadFromBitmapHandle(source);
  to.Allocate(destination.width(), destination.height());
  from.ResampleBilinear(to);
  Canvas canvas(destination);
  to.DrawAt(canvas, 0, 0);
}

}  // namespace

void AdjustSaturation(TFastRGB& surface, int32_t amount) {
  // T[i] = (i * amount) >> 8, the share of a channel's distance from grey that is kept.
  int32_t T[256];
  for (int i = 0; i < 256; ++i) T[i] = static_cast<int32_t>((int64_t{i} * amount) >> 8);
  if (surface.BytesPerPixel() == 1) {
    for (int32_t y = 0; y < surface.Height; ++y) {
      uint8_t* p = surface.Rows[y];
      for (int32_t x = 0; x < surface.Width; ++x) p[x] = ClampByte(p[x] + T[p[x]]);
    }
    return;
  }
  // G[b + g + r] = m - T[m] with m the truncated mean of the three channels.
  int32_t G[768];
  for (int k = 0; k < 256; ++k) G[3 * k] = G[3 * k + 1] = G[3 * k + 2] = k - T[k];
  for (int32_t y = 0; y < surface.Height; ++y) {
    uint8_t* p = surface.Rows[y];
    for (int32_t x = 0; x < surface.Width; ++x, p += 3) {
      const int32_t d = G[p[0] + p[1] + p[2]];
      p[0] = ClampByte(d + T[p[0]]);
      p[1] = ClampByte(d + T[p[1]]);
      p[2] = ClampByte(d + T[p[2]]);
    }
  }
}

void Blend(TFastRGB& dest, const TFastRGB& a, const TFastRGB& b, int32_t amount) {
  if (dest.BytesPerPixel() != a.BytesPerPixel() || dest.BytesPerPixel() != b.BytesPerPixel()) {
    throw Error("Blend: surfaces of different kinds");
  }
  if (a.Width != dest.Width || b.Width != dest.Width || a.Height != dest.Height ||
      b.Height != dest.Height) {
    throw Error(Format("Blend: surfaces of different sizes (%dx%d, %dx%d, %dx%d)", dest.Width,
                       dest.Height, a.Width, a.Height, b.Width, b.Height));
  }
  // b + floor((a - b) * amount / 256) equals floor((a * amount + b * (256 - amount)) / 256)
  // for 0 <= amount <= 256, and the latter stays within 16 bits, so the loop runs on wide
  // vector lanes. Equal sizes mean equal row strides: the whole pixel memory is one run (the
  // row padding is blended along, harmlessly).
  const uint16_t am = static_cast<uint16_t>(ClampTo<int32_t>(amount, 0, 256));
  const uint16_t bm = static_cast<uint16_t>(256 - am);
  const uint8_t* pa = a.Bits;
  const uint8_t* pb = b.Bits;
  uint8_t* pd = dest.Bits;
  const size_t n = static_cast<size_t>(dest.ByteSize);
  for (size_t i = 0; i < n; ++i) {
    pd[i] = static_cast<uint8_t>(static_cast<uint16_t>(pa[i] * am + pb[i] * bm) >> 8);
  }
}

void BlendPixels(Color* dest, const Color* a, const Color* b, size_t n, int32_t amount) {
  const uint16_t am = static_cast<uint16_t>(ClampTo<int32_t>(amount, 0, 256));
  const uint16_t bm = static_cast<uint16_t>(256 - am);
  // Byte by byte, as on the surfaces; the top bytes are blended along and cleared afterwards.
  uint8_t* __restrict pd = reinterpret_cast<uint8_t*>(dest);
  const uint8_t* __restrict pb = reinterpret_cast<const uint8_t*>(b);
  const size_t bytes = n * sizeof(Color);
  if (a != nullptr) {
    const uint8_t* __restrict pa = reinterpret_cast<const uint8_t*>(a);
    for (size_t i = 0; i < bytes; ++i) {
      pd[i] = static_cast<uint8_t>(static_cast<uint16_t>(pa[i] * am + pb[i] * bm) >> 8);
    }
  } else {
    for (size_t i = 0; i < bytes; ++i) {
      pd[i] = static_cast<uint8_t>(static_cast<uint16_t>(pb[i] * bm) >> 8);
    }
  }
  for (size_t i = 0; i < n; ++i) dest[i] &= 0xFFFFFF;
}

Size FittedSize(bool proportional, int32_t picture_width, int32_t picture_height, int32_t width,
                int32_t height) {
  if (proportional && picture_width > 0 && picture_height > 0 && width > 0 && height > 0) {
    const double ratio = static_cast<double>(picture_width) / picture_height;
    if (picture_width > int64_t{picture_height} * width / height) {
      height = ClampInt32(std::max<int64_t>(1, Round(width / ratio)));
    } else {
      width = ClampInt32(std::max<int64_t>(1, Round(height * ratio)));
    }
  }
  return Size{width, height};
}

void FitProjectToSize(bool proportional, TProject& project, int32_t width, int32_t height) {
  FitProjectPicture(proportional, project, width, height);
  width = project.Picture.width();
  height = project.Picture.height();
  // The mask is stretched by whole pixels, so every pixel keeps an exact region colour.
  if (project.Mask.width() != width || project.Mask.height() != height) {
    Bitmap scaled;
    if (project.Mask.empty()) {
      scaled.SetSize(width, height, 0);  // no mask: all of it dry
    } else {
      scaled.SetSizeForOverwrite(width, height);  // every pixel is written
      StretchNearest(project.Mask, scaled);
    }
    project.Mask = std::move(scaled);
  }
}

void FitProjectPicture(bool proportional, TProject& project, int32_t width, int32_t height) {
  Bitmap& picture = project.Picture;
  const int32_t pw = picture.width(), ph = picture.height();
  if (pw <= 0 || ph <= 0) {
    throw Error(Format("%s: FitProjectToSize: the packed image has no picture",
                       project.FileName.c_str()));
  }
  if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) {
    throw Error(Format("%s: FitProjectToSize: invalid target size %dx%d",
                       project.FileName.c_str(), width, height));
  }
  const Size size = FittedSize(proportional, pw, ph, width, height);
  width = size.width;
  height = size.height;

  for (TWaveParam& p : project.WaveParams) {
    p.Amplitude = ClampInt32(Round(static_cast<double>(int64_t{p.Amplitude} * width) / pw));
    p.JitterRange = ClampInt32(Round(static_cast<double>(int64_t{p.JitterRange} * height) / ph));
  }

  // A picture already at the size keeps its pixels and is not touched.
  if (pw != width || ph != height) {
    Bitmap resized;
    resized.SetSizeForOverwrite(width, height);
    if (!ResampleBilinear32(picture, resized)) ResampleThroughSurface(picture, resized);
    picture = std::move(resized);
  }
}

void SmoothResizeBitmap(const Bitmap& source, Bitmap& destination) {
  if (source.empty() || destination.empty()) return;
  if (!ResampleBilinear32(source, destination)) ResampleThroughSurface(source, destination);
}

void GreyscaleBitmap(Bitmap& bitmap) {
  if (bitmap.empty()) return;
  TFastBMP surface;
  surface.LoadFromBitmapHandle(bitmap);
  AdjustSaturation(surface, 1);
  Canvas canvas(bitmap);
  surface.DrawAt(canvas, 0, 0);
}

}  // namespace lpc
