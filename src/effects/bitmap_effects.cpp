#include "effects/bitmap_effects.h"

#include <algorithm>

#include "base/canvas.h"
#include "base/errors.h"
#include "base/numbers.h"

namespace lpc {

namespace {

inline uint8_t ClampByte(int32_t v) {
  return static_cast<uint8_t>(v > 255 ? 255 : (v < 0 ? 0 : v));
}

int32_t ClampInt32(int64_t v) { return static_cast<int32_t>(ClampTo<int64_t>(v, INT32_MIN, INT32_MAX)); }

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

  {
    TFastBMP from, to;
    from.LoadFromBitmapHandle(picture);
    to.Allocate(width, height);
    from.ResampleBilinear(to);
    picture.SetSize(width, height);
    Canvas canvas(picture);
    to.DrawAt(canvas, 0, 0);
  }

  // The mask is stretched by whole pixels, so every pixel keeps an exact region colour.
  Bitmap scaled(width, height);
  Canvas canvas(scaled);
  canvas.Stretch = StretchMode::ColorOnColor;
  canvas.StretchDraw(Rect{0, 0, width, height}, project.Mask);
  project.Mask = std::move(scaled);
}

void SmoothResizeBitmap(const Bitmap& source, Bitmap& destination) {
  if (source.empty() || destination.empty()) return;
  TFastBMP from, to;
  from.LoadFromBitmapHandle(source);
  to.Allocate(destination.width(), destination.height());
  from.ResampleBilinear(to);
  Canvas canvas(destination);
  to.DrawAt(canvas, 0, 0);
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
