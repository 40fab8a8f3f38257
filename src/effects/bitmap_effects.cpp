#include "effects/bitmap_effects.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define LPC_HAVE_AVX2_PATH 1
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

#if defined(LPC_HAVE_AVX2_PATH)
// The same arithmetic sixteen pixels at a time, one channel per vector. With the weights adding
// up to 0x8000 the sum is (p0 << 15) + (q0 - p0)*fy + (p1 - p0)*w2 + (q1 - q0)*w4 exactly:
// two 16-bit multiply-adds per channel, (p1 - p0, q1 - q0) by (w2, w4) and (q0 - p0, -p0) by
// (fy, -0x8000). Each source row is sampled once into 16-bit planes of -p0 and p1 - p0 per
// channel; w2 and w4 come from one unsigned high multiply of 2*fx.
class Bilinear32Avx2 {
 public:
  Bilinear32Avx2(const Bitmap& s, int32_t dw, uint32_t xstep)
      : s_(s), dw_(dw), padded_(static_cast<size_t>((dw + 15) & ~15)),
        offs_(padded_), rel_(padded_), window_(padded_ / 8), fx2_(padded_),
        rows_(2 * kPlanes * padded_) {
    uint32_t xacc = 0;
    for (size_t j = 0; j < padded_; ++j) {
      // Columns past the end repeat the last sample with no weight, to fill the last vector.
      const bool inside = j < static_cast<size_t>(dw);
      const uint32_t fx = inside ? (xacc & 0x7FFF) : 0;
      offs_[j] = static_cast<int32_t>(inside ? xacc >> 15 : static_cast<uint32_t>(offs_[j - 1]));
      // The multiply-adds interleave the two 128-bit halves of a block of sixteen: the first
      // eight weights are those of columns 0-3 and 8-11, the next eight of 4-7 and 12-15.
      const size_t block = j & ~size_t{15}, i = j & 15;
      const size_t at = block + (i & 3) + (i & 4 ? 8 : 0) + (i & 8 ? 4 : 0);
      fx2_[at] = (2 * fx) | (2 * fx) << 16;
      if (inside) xacc += xstep;
    }
    for (size_t b = 0; b < padded_ / 8; ++b) {
      const int32_t first = offs_[8 * b], last = offs_[8 * b + 7];
      window_[b] = last + 1 - first < 8 && first + 8 <= s.width() ? first : -1;
      for (size_t i = 0; i < 8; ++i) rel_[8 * b + i] = offs_[8 * b + i] - first;
    }
  }

  // Output row `out` mixes source rows n and n + 1, counted from the bottom, by fy.
  __attribute__((target("avx2"))) void Row(int n, uint32_t fy, Color* out) {
    const int16_t* __restrict a0 = Sampled(n);
    const int16_t* __restrict a1 = Sampled(s_.height() >= 2 ? n + 1 : n);
    const uint32_t* __restrict fx2 = fx2_.data();
    const size_t padded = padded_, dw = static_cast<size_t>(dw_);
    const __m256i gyfy = _mm256_set1_epi32(static_cast<int>((0x8000 - fy) | fy << 16));
    // (q0 - p0, -p0) by (fy, -0x8000) gives (q0 - p0)*fy + (p0 << 15).
    const __m256i k = _mm256_set1_epi32(static_cast<int>(fy | 0x8000u << 16));
    for (size_t j = 0; j < padded; j += 16) {
      const __m256i w_lo = _mm256_mulhi_epu16(Load(fx2 + j), gyfy);
      const __m256i w_hi = _mm256_mulhi_epu16(Load(fx2 + j + 8), gyfy);
      // Each channel's results for columns 0-3 and 8-11 (lo) and 4-7 and 12-15 (hi).
      __m256i lo[3], hi[3];
      for (size_t c = 0; c < 3; ++c) {
        const int16_t* p = a0 + 2 * c * padded + j;
        const int16_t* q = a1 + 2 * c * padded + j;
        const __m256i np = Load(p), nq = Load(q);  // -p0, -q0
        const __m256i dp = Load(p + padded), dq = Load(q + padded);
        const __m256i dv = _mm256_sub_epi16(np, nq);
        lo[c] = _mm256_srli_epi32(
            _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(dp, dq), w_lo),
                             _mm256_madd_epi16(_mm256_unpacklo_epi16(dv, np), k)), 15);
        hi[c] = _mm256_srli_epi32(
            _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(dp, dq), w_hi),
                             _mm256_madd_epi16(_mm256_unpackhi_epi16(dv, np), k)), 15);
      }
      const __m256i px_lo = _mm256_or_si256(
          lo[0], _mm256_or_si256(_mm256_slli_epi32(lo[1], 8), _mm256_slli_epi32(lo[2], 16)));
      const __m256i px_hi = _mm256_or_si256(
          hi[0], _mm256_or_si256(_mm256_slli_epi32(hi[1], 8), _mm256_slli_epi32(hi[2], 16)));
      const __m256i first = _mm256_permute2x128_si256(px_lo, px_hi, 0x20);
      const __m256i second = _mm256_permute2x128_si256(px_lo, px_hi, 0x31);
      if (j + 16 <= dw) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), first);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j + 8), second);
      } else {
        alignas(32) Color last[16];
        _mm256_store_si256(reinterpret_cast<__m256i*>(last), first);
        _mm256_store_si256(reinterpret_cast<__m256i*>(last + 8), second);
        std::copy(last, last + (dw - j), out + j);
      }
    }
  }

 private:
  // Per channel: -p0, then p1 - p0.
  static constexpr size_t kPlanes = 6;

  template <typename T>
  __attribute__((target("avx2"))) static __m256i Load(const T* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }

  // Source row n from the bottom, sampled at every column; the two rows last sampled are kept,
  // as consecutive output rows mostly share them.
  __attribute__((target("avx2"))) const int16_t* Sampled(int n) {
    for (int b = 0; b < 2; ++b) {
      if (tags_[b] == n) return rows_.data() + b * kPlanes * padded_;
    }
    const int b = tags_[0] == n - 1 ? 1 : 0;  // keep the row below, which the next rows mix
    tags_[b] = n;
    int16_t* __restrict dst = rows_.data() + b * kPlanes * padded_;
    const Color* __restrict src = s_.Row(s_.height() - 1 - n);
    const size_t padded = padded_;
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i to_bg = _mm256_setr_epi8(0, -1, 4, -1, 8, -1, 12, -1, 1, -1, 5, -1, 9, -1, 13,
                                           -1, 0, -1, 4, -1, 8, -1, 12, -1, 1, -1, 5, -1, 9, -1,
                                           13, -1);
    const __m256i to_r = _mm256_setr_epi8(2, -1, 6, -1, 10, -1, 14, -1, -1, -1, -1, -1, -1, -1,
                                          -1, -1, 2, -1, 6, -1, 10, -1, 14, -1, -1, -1, -1, -1,
                                          -1, -1, -1, -1);
    for (size_t j = 0; j < padded; j += 16) {
      __m256i g0[2], g1[2];
      for (size_t h = 0; h < 2; ++h) {
        const size_t at = j + 8 * h;
        const int32_t base = window_[at / 8];
        if (base >= 0) {
          // All eight samples and their right neighbours lie in eight source pixels from base.
          const __m256i window = Load(src + base);
          const __m256i rel = Load(&rel_[at]);
          g0[h] = _mm256_permutevar8x32_epi32(window, rel);
          g1[h] = _mm256_permutevar8x32_epi32(window, _mm256_add_epi32(rel, one));
        } else {
          // Shrinking or hardly growing, or near the row's end: one load a sample.
          alignas(32) uint32_t p0[8], p1[8];
          for (size_t i = 0; i < 8; ++i) {
            const int32_t o = offs_[at + i];
            p0[i] = src[o];
            p1[i] = src[o + 1];
          }
          g0[h] = Load(p0);
          g1[h] = Load(p1);
        }
      }
      // Per 128-bit half (four pixels): blue and green as 16-bit values, then red and zeros.
      __m256i bg0[2], r0[2], bg_step[2], r_step[2];
      for (size_t h = 0; h < 2; ++h) {
        bg0[h] = _mm256_shuffle_epi8(g0[h], to_bg);
        r0[h] = _mm256_shuffle_epi8(g0[h], to_r);
        bg_step[h] = _mm256_sub_epi16(_mm256_shuffle_epi8(g1[h], to_bg), bg0[h]);
        r_step[h] = _mm256_sub_epi16(_mm256_shuffle_epi8(g1[h], to_r), r0[h]);
      }
      // Gathering the 64-bit quarters of one channel gives columns 0-3, 8-11, 4-7, 12-15; the
      // permute restores the order.
      const __m256i zero = _mm256_setzero_si256();
      const __m256i planes[kPlanes] = {
          _mm256_sub_epi16(zero, _mm256_unpacklo_epi64(bg0[0], bg0[1])),
          _mm256_unpacklo_epi64(bg_step[0], bg_step[1]),
          _mm256_sub_epi16(zero, _mm256_unpackhi_epi64(bg0[0], bg0[1])),
          _mm256_unpackhi_epi64(bg_step[0], bg_step[1]),
          _mm256_sub_epi16(zero, _mm256_unpacklo_epi64(r0[0], r0[1])),
          _mm256_unpacklo_epi64(r_step[0], r_step[1])};
      for (size_t k = 0; k < kPlanes; ++k) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + k * padded + j),
                            _mm256_permute4x64_epi64(planes[k], 0xD8));
      }
    }
    return dst;
  }

  const Bitmap& s_;
  int32_t dw_;
  size_t padded_;
  std::vector<int32_t> offs_;
  std::vector<int32_t> rel_;     // offs_ less the first of its block of eight
  std::vector<int32_t> window_;  // per block of eight: its first offset, or -1 if they spread
  std::vector<uint32_t> fx2_;
  std::vector<int16_t> rows_;
  int tags_[2] = {-1, -1};
};

bool avx2_allowed = true;

bool HaveAvx2() {
  static const bool have = __builtin_cpu_supports("avx2");
  return have && avx2_allowed;
}
#endif

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
  // The surfaces keep their rows bottom-up, so rows are counted from the bottom here too: row
  // i from the bottom of the result mixes source rows n and n + 1 from the bottom.
  const int sh = s.height(), dh = d.height();
#if defined(LPC_HAVE_AVX2_PATH)
  if (HaveAvx2()) {
    Bilinear32Avx2 rows(s, d.width(), xstep);
    uint32_t yacc = 0;
    for (int32_t i = 0; i < dh; ++i, yacc += ystep) {
      rows.Row(static_cast<int>(yacc >> 15), yacc & 0x7FFF, d.Row(dh - 1 - i));
    }
    return true;
  }
#endif
  std::vector<uint32_t> offs(static_cast<size_t>(d.width()));
  std::vector<uint32_t> fxs(static_cast<size_t>(d.width()));
  uint32_t xacc = 0;
  for (int32_t j = 0; j < d.width(); ++j, xacc += xstep) {
    offs[j] = xacc >> 15;
    fxs[j] = xacc & 0x7FFF;
  }
  uint32_t yacc = 0;
  for (int32_t i = 0; i < dh; ++i, yacc += ystep) {
    const int n = static_cast<int>(yacc >> 15);
    const Color* r0 = s.Row(sh - 1 - n);
    const Color* r1 = sh >= 2 ? s.Row(sh - 2 - n) : r0;
    BilinearRow32(r0, r1, yacc & 0x7FFF, offs.data(), fxs.data(), d.Row(dh - 1 - i), d.width());
  }
  return true;
}

// The end of the run of pixels equal to row[a], at most n.
int RunEnd(const Color* row, int a, int n) {
  const Color v = row[a];
  int e = a + 1;
#if defined(__SSE2__)
  const __m128i vv = _mm_set1_epi32(static_cast<int>(v));
  for (; e + 4 <= n; e += 4) {
    const __m128i same =
        _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + e)), vv);
    const unsigned differ = ~static_cast<unsigned>(_mm_movemask_epi8(same)) & 0xFFFF;
    if (differ != 0) return e + std::countr_zero(differ) / 4;
  }
#endif
  while (e < n && row[e] == v) ++e;
  return e;
}

// Whole-pixel stretch of a whole bitmap (colour on colour: destination pixel i takes source
// pixel i * sn / dn). Masks are mostly long runs of one colour, so each run of equal source
// pixels fills its whole span of the destination row at once; a row repeated from the source is
// copied from the row above.
void StretchNearest(const Bitmap& s, Bitmap& d) {
  if (s.empty() || d.empty()) return;
  const int sw = s.width(), dw = d.width();
  // first[k]: the first destination column that samples source column k or one after it.
  std::vector<int> first(static_cast<size_t>(sw) + 1, dw);
  for (int x = dw - 1; x >= 0; --x) {
    first[static_cast<size_t>(static_cast<long long>(x) * sw / dw)] = x;
  }
  for (int k = sw - 1; k >= 0; --k) first[k] = std::min(first[k], first[k + 1]);
  int last = -1;
  for (int y = 0; y < d.height(); ++y) {
    const int sy = static_cast<int>(static_cast<long long>(y) * s.height() / d.height());
    Color* out = d.Row(y);
    if (sy == last) {
      std::copy(d.Row(y - 1), d.Row(y - 1) + dw, out);
      continue;
    }
    const Color* in = s.Row(sy);
    for (int a = 0; a < sw;) {
      const int e = RunEnd(in, a, sw);
      std::fill(out + first[a], out + first[e], in[a]);
      a = e;
    }
    last = sy;
  }
}

void ResampleThroughSurface(const Bitmap& source, Bitmap& destination) {
  FastRgbSurface from, to;
  from.LoadFromBitmapHandle(source);
  to.Allocate(destination.width(), destination.height());
  from.ResampleBilinear(to);
  Canvas canvas(destination);
  to.DrawAt(canvas, 0, 0);
}

}  // namespace

void AllowResampleAvx2(bool allowed) {
#if defined(LPC_HAVE_AVX2_PATH)
  avx2_allowed = allowed;
#else
  (void)allowed;
#endif
}

void AdjustSaturation(FastSurface& surface, int32_t amount) {
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

void Blend(FastSurface& dest, const FastSurface& a, const FastSurface& b, int32_t amount) {
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

void FitProjectToSize(bool proportional, PackedImage& project, int32_t width, int32_t height) {
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

void FitProjectPicture(bool proportional, PackedImage& project, int32_t width, int32_t height) {
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

  for (WaveSettings& p : project.WaveParams) {
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
  FastRgbSurface surface;
  surface.LoadFromBitmapHandle(bitmap);
  AdjustSaturation(surface, 1);
  Canvas canvas(bitmap);
  surface.DrawAt(canvas, 0, 0);
}

}  // namespace lpc
