#include "effects/fast_surfaces.h"

#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "base/numbers.h"

namespace lpc {

namespace {

void CheckSameKind(const FastSurface& a, const FastSurface& b, const char* what) {
  if (a.BytesPerPixel() != b.BytesPerPixel()) {
    throw Error(Format("%s: surfaces of different kinds (%d and %d bytes per pixel)", what,
                       a.BytesPerPixel() * 8, b.BytesPerPixel() * 8));
  }
}

// Draws the source block (sx, sy, sw, sh) of a surface into (x, y, w, h) of dc. The block is
// given in device-independent coordinates: sy is the storage row of its bottom line. Whole
// pixels are repeated or dropped when the sizes differ; source pixels outside the surface are
// left undrawn.
void DrawBlock(const FastSurface& s, Canvas& dc, int32_t x, int32_t y, int32_t w, int32_t h,
               int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || s.Width <= 0 || s.Height <= 0) return;
  const Rect b = dc.ClipBounds();
  const int64_t x0 = std::max<int64_t>(x, b.left), x1 = std::min<int64_t>(int64_t{x} + w, b.right);
  const int64_t y0 = std::max<int64_t>(y, b.top), y1 = std::min<int64_t>(int64_t{y} + h, b.bottom);
  if (x0 >= x1 || y0 >= y1) return;
  const bool same = w == sw && h == sh;
  Bitmap& out = dc.bitmap();
  const int bpp = s.BytesPerPixel();
  const auto* palette = bpp == 1 ? &static_cast<const FastPalettedSurface&>(s).Colors : nullptr;
  for (int64_t dy = y0; dy < y1; ++dy) {
    const int64_t j = dy - y;
    const int64_t from_top = same ? j : j * sh / h;
    const int64_t row = int64_t{sy} + sh - 1 - from_top;
    if (row < 0 || row >= s.Height) continue;
    const uint8_t* in = s.Rows[static_cast<size_t>(row)];
    Color* o = out.Row(static_cast<int>(dy));
    for (int64_t dx = x0; dx < x1; ++dx) {
      const int64_t i = dx - x;
      const int64_t col = int64_t{sx} + (same ? i : i * sw / w);
      if (col < 0 || col >= s.Width) continue;
      if (bpp == 3) {
        const uint8_t* p = in + col * 3;
        o[dx] = MakeColor(p[2], p[1], p[0]);
      } else {
        o[dx] = (*palette)[in[col]];
      }
    }
  }
}

// Fills (x, y, w, h) of dc with copies of the surface, the first copy's top-left corner at
// (x, y). Drawing each pixel from its position modulo the surface size gives what copying
// blocks of doubling size gives, without a w x h temporary.
void DrawTiledImpl(const FastSurface& s, Canvas& dc, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (s.Width <= 0 || s.Height <= 0 || w <= 0 || h <= 0) return;
  const Rect b = dc.ClipBounds();
  const int64_t x0 = std::max<int64_t>(x, b.left), x1 = std::min<int64_t>(int64_t{x} + w, b.right);
  const int64_t y0 = std::max<int64_t>(y, b.top), y1 = std::min<int64_t>(int64_t{y} + h, b.bottom);
  for (int64_t dy = y0; dy < y1; ++dy) {
    const int32_t pic_row = static_cast<int32_t>((dy - y) % s.Height);
    const int32_t row = s.Height - 1 - pic_row;
    Color* o = dc.bitmap().Row(static_cast<int>(dy));
    for (int64_t dx = x0; dx < x1; ++dx) {
      o[dx] = s.PixelColor(static_cast<int32_t>((dx - x) % s.Width), row);
    }
  }
}

template <int N>
void ResampleNearestImpl(const FastSurface& s, FastSurface& d) {
  if (d.Width <= 0 || d.Height <= 0 || s.Width <= 0 || s.Height <= 0) return;
  if (d.Width == s.Width && d.Height == s.Height) {
    std::memcpy(d.Bits, s.Bits, static_cast<size_t>(s.ByteSize));
    return;
  }
  const float xs = static_cast<float>(d.Width) / static_cast<float>(s.Width);
  const float ys = static_cast<float>(d.Height) / static_cast<float>(s.Height);
  if (xs >= 1.0f && ys >= 1.0f) {
    // Enlarging: build each dest row once and copy it into every row it covers.
    const int64_t xr = Round(static_cast<double>(xs) + 0.5);
    const int64_t yr = Round(static_cast<double>(ys) + 0.5);
    std::vector<uint8_t> line(static_cast<size_t>(d.Width) * N, 0);
    for (int32_t y = 0; y < s.Height; ++y) {
      const int64_t dy = Trunc(static_cast<double>(y) * static_cast<double>(ys));
      const uint8_t* in = s.Rows[static_cast<size_t>(y)];
      for (int32_t x = 0; x < s.Width; ++x) {
        const int64_t dx = Trunc(static_cast<double>(x) * static_cast<double>(xs));
        const int64_t end = std::min<int64_t>(dx + xr, d.Width);
        for (int64_t k = dx; k < end; ++k) std::memcpy(&line[static_cast<size_t>(k) * N], in + x * N, N);
      }
      const int64_t rend = std::min<int64_t>(dy + yr, d.Height);
      for (int64_t k = dy; k < rend; ++k) {
        std::memcpy(d.Rows[static_cast<size_t>(k)], line.data(), line.size());
      }
    }
    return;
  }
  // Point sampling in 16.16 fixed point.
  const int32_t xstep = static_cast<int32_t>((int64_t{s.Width} << 16) / d.Width);
  const int32_t ystep = static_cast<int32_t>((int64_t{s.Height} << 16) / d.Height);
  std::vector<int32_t> cols(static_cast<size_t>(d.Width));
  for (int32_t j = 0; j < d.Width; ++j) cols[j] = static_cast<int32_t>((int64_t{j} * xstep) >> 16) * N;
  for (int32_t i = 0; i < d.Height; ++i) {
    const uint8_t* in = s.Rows[static_cast<size_t>((int64_t{i} * ystep) >> 16)];
    uint8_t* out = d.Rows[static_cast<size_t>(i)];
    for (int32_t j = 0; j < d.Width; ++j) std::memcpy(out + j * N, in + cols[j], N);
  }
}

// One dest row of the bilinear resample. Restrict pointers: without them every byte stored
// would make the compiler reload the tables.
template <int N>
void BilinearRow(const uint8_t* __restrict r0, const uint8_t* __restrict r1, uint32_t fy,
                 const uint32_t* __restrict offs, const uint32_t* __restrict fxs,
                 uint8_t* __restrict out, int32_t width) {
  for (int32_t j = 0; j < width; ++j) {
    const uint8_t* p = r0 + offs[j];
    const uint8_t* q = r1 + offs[j];
    const uint32_t fx = fxs[j];
    const uint32_t w2 = (fx * (0x8000 - fy)) >> 15;
    const uint32_t w1 = (0x8000 - fy) - w2;
    const uint32_t w4 = (fx * fy) >> 15;
    const uint32_t w3 = fy - w4;
    uint8_t v[N];
    for (int c = 0; c < N; ++c) {
      v[c] = static_cast<uint8_t>((p[c] * w1 + p[c + N] * w2 + q[c] * w3 + q[c + N] * w4) >> 15);
    }
    for (int c = 0; c < N; ++c) out[j * N + c] = v[c];
  }
}

template <int N>
void ResampleBilinearImpl(const FastSurface& s, FastSurface& d) {
  if (d.Width < 1 || d.Height < 1 || s.Width <= 0 || s.Height <= 0) return;
  if (s.Width == 1) {
    ResampleNearestImpl<N>(s, d);
    return;
  }
  if (d.Width == s.Width && d.Height == s.Height) {
    std::memcpy(d.Bits, s.Bits, static_cast<size_t>(s.ByteSize));
    return;
  }
  // 17.15 fixed point; the steps come from Width - 1 and Height - 1, so a sample never
  // reaches the last column or row and its right and lower neighbours exist.
  const uint32_t xstep = static_cast<uint32_t>((int32_t{s.Width - 1} << 15) / d.Width);
  const uint32_t ystep = static_cast<uint32_t>((int32_t{s.Height - 1} << 15) / d.Height);
  std::vector<uint32_t> offs(static_cast<size_t>(d.Width));
  std::vector<uint32_t> fxs(static_cast<size_t>(d.Width));
  uint32_t xacc = 0;
  for (int32_t j = 0; j < d.Width; ++j, xacc += xstep) {
    offs[j] = (xacc >> 15) * N;
    fxs[j] = xacc & 0x7FFF;
  }
  uint32_t yacc = 0;
  for (int32_t i = 0; i < d.Height; ++i, yacc += ystep) {
    const uint8_t* r0 = s.Rows[yacc >> 15];
    const uint8_t* r1 = s.Height >= 2 ? s.Rows[(yacc >> 15) + 1] : r0;
    const uint32_t fy = yacc & 0x7FFF;
    BilinearRow<N>(r0, r1, fy, offs.data(), fxs.data(), d.Rows[static_cast<size_t>(i)], d.Width);
  }
}

void CopyBlockImpl(const FastSurface& s, FastSurface& d, int32_t x, int32_t y, int32_t w, int32_t h,
                   int32_t sx, int32_t sy) {
  // Wide arithmetic so that extreme arguments cannot overflow while clipping.
  int64_t X = x, Y = y, W = w, H = h, SX = sx, SY = sy;
  if (X < 0) { SX -= X; W += X; X = 0; }
  if (Y < 0) { SY -= Y; H += Y; Y = 0; }
  if (SX < 0) { X -= SX; W += SX; SX = 0; }
  if (SY < 0) { Y -= SY; H += SY; SY = 0; }
  if (SX > s.Width - 1 || SY > s.Height - 1) return;
  if (SX + W > s.Width) W = s.Width - SX;
  if (SY + H > s.Height) H = s.Height - SY;
  if (X + W > d.Width) W = d.Width - X;
  if (Y + H > d.Height) H = d.Height - Y;
  if (W <= 0 || H <= 0) return;
  const int n = s.BytesPerPixel();
  for (int64_t k = 0; k < H; ++k) {
    // memmove: a copy within one surface behaves as if the row went through a buffer.
    std::memmove(d.Rows[static_cast<size_t>(Y + k)] + X * n,
                 s.Rows[static_cast<size_t>(SY + k)] + SX * n, static_cast<size_t>(W * n));
  }
}

void TileIntoImpl(const FastSurface& s, FastSurface& d) {
  if (d.Width <= 0 || d.Height <= 0 || s.Width <= 0 || s.Height <= 0) return;
  s.CopyBlock(d, 0, 0, s.Width, s.Height, 0, 0);
  int64_t c = s.Width;
  while (c < d.Width) {
    d.CopyBlock(d, static_cast<int32_t>(c), 0, static_cast<int32_t>(std::min<int64_t>(2 * c, INT32_MAX)),
                s.Height, 0, 0);
    c *= 2;
  }
  int64_t r = s.Height;
  while (r < d.Height) {
    d.CopyBlock(d, 0, static_cast<int32_t>(r), static_cast<int32_t>(std::min<int64_t>(c, INT32_MAX)),
                static_cast<int32_t>(std::min<int64_t>(2 * r, INT32_MAX)), 0, 0);
    r *= 2;
  }
}

}  // namespace

void FastSurface::AllocateStorage(int32_t width, int32_t height, int bits_per_pixel) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width > kMaxPictureSide || height > kMaxPictureSide) {
    throw Error(Format("Surface size %dx%d exceeds the largest picture side %d", width, height,
                       kMaxPictureSide));
  }
  Width = width;
  Height = height;
  RowStride = static_cast<int32_t>(((static_cast<uint32_t>(width) * bits_per_pixel + 31) >> 5) << 2);
  RowPadding = bits_per_pixel == 24 ? width % 4 : RowStride - width;
  ByteSize = RowStride * height;
  storage_.assign(static_cast<size_t>(ByteSize), 0);
  Bits = storage_.empty() ? nullptr : storage_.data();
  Rows.assign(static_cast<size_t>(height), nullptr);
  for (int32_t i = 0; i < height; ++i) Rows[i] = Bits + static_cast<size_t>(i) * RowStride;
}

// ----- Both kinds ----------------------------------------------------------------------------

void FastSurface::DrawAt(Canvas& dc, int32_t x, int32_t y) const {
  DrawBlock(*this, dc, x, y, Width, Height, 0, 0, Width, Height);
}
void FastSurface::DrawStretched(Canvas& dc, int32_t x, int32_t y, int32_t w, int32_t h) const {
  dc.Stretch = StretchMode::ColorOnColor;
  DrawBlock(*this, dc, x, y, w, h, 0, 0, Width, Height);
}
void FastSurface::DrawPart(Canvas& dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                           int32_t sy) const {
  DrawBlock(*this, dc, x, y, w, h, sx, sy, w, h);
}
void FastSurface::DrawPartStretched(Canvas& dc, int32_t x, int32_t y, int32_t w, int32_t h,
                                    int32_t sx, int32_t sy, int32_t sw, int32_t sh) const {
  dc.Stretch = StretchMode::ColorOnColor;
  DrawBlock(*this, dc, x, y, w, h, sx, sy, sw, sh);
}
void FastSurface::DrawTiled(Canvas& dc, int32_t x, int32_t y, int32_t w, int32_t h) const {
  DrawTiledImpl(*this, dc, x, y, w, h);
}
void FastSurface::ResampleNearest(FastSurface& dest) const {
  CheckSameKind(*this, dest, "ResampleNearest");
  if (BytesPerPixel() == 3) {
    ResampleNearestImpl<3>(*this, dest);
  } else {
    ResampleNearestImpl<1>(*this, dest);
  }
}
void FastSurface::ResampleBilinear(FastSurface& dest) const {
  CheckSameKind(*this, dest, "ResampleBilinear");
  if (BytesPerPixel() == 3) {
    ResampleBilinearImpl<3>(*this, dest);
  } else {
    ResampleBilinearImpl<1>(*this, dest);
  }
}
void FastSurface::CopyBlock(FastSurface& dest, int32_t x, int32_t y, int32_t w, int32_t h,
                            int32_t sx, int32_t sy) const {
  CheckSameKind(*this, dest, "CopyBlock");
  CopyBlockImpl(*this, dest, x, y, w, h, sx, sy);
}
void FastSurface::TileInto(FastSurface& dest) const {
  CheckSameKind(*this, dest, "TileInto");
  TileIntoImpl(*this, dest);
}

// ----- FastRgbSurface
// -------------------------------------------------------------------------------

void FastRgbSurface::Allocate(int32_t width, int32_t height) {
  if (width == Width && height == Height) return;
  AllocateStorage(width, height, 24);
}

void FastRgbSurface::LoadFromBitmapHandle(const Bitmap& bitmap) {
  Allocate(bitmap.width(), bitmap.height());
  for (int32_t i = 0; i < Height; ++i) {
    const Color* in = bitmap.Row(PictureRow(i));
    uint8_t* out = Rows[i];
    for (int32_t x = 0; x < Width; ++x) {
      const Color c = in[x];
      out[x * 3] = static_cast<uint8_t>(c);
      out[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
      out[x * 3 + 2] = static_cast<uint8_t>(c >> 16);
    }
  }
}

Color FastRgbSurface::PixelColor(int32_t x, int32_t row) const {
  const uint8_t* p = Rows[row] + x * 3;
  return MakeColor(p[2], p[1], p[0]);
}

// ----- FastPalettedSurface
// -------------------------------------------------------------------------------

FastPalettedSurface::FastPalettedSurface() {
  for (int i = 0; i < 256; ++i) Colors[i] = MakeColor(i, i, i);
}

void FastPalettedSurface::Allocate(int32_t width, int32_t height) {
  if (width == Width && height == Height) return;
  AllocateStorage(width, height, 8);
}

Color FastPalettedSurface::PixelColor(int32_t x, int32_t row) const { return Colors[Rows[row][x]]; }

Bitmap SurfaceToBitmap(const FastSurface& surface) {
  Bitmap out(surface.Width, surface.Height);
  Canvas c(out);
  surface.DrawAt(c, 0, 0);
  return out;
}

}  // namespace lpc
