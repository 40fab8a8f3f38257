// Fast bitmap surfaces: device-independent pixel memory that effects read and write directly
// through a table of row addresses, and that can be drawn into any Canvas (a Bitmap or a
// window's back buffer).
//
// FastRgbSurface holds 3 bytes per pixel (blue, green, red), FastPalettedSurface 1 byte per pixel
// (an index into its colour table). Rows are padded to a multiple of 4 bytes and stored bottom-up:
// Rows[0] is the bottom line of the picture as drawn, Rows[Height - 1] the top line. Copies and
// resamples between surfaces work on storage rows, so pictures stay upright.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/bitmap.h"
#include "base/canvas.h"

namespace lpc {

class FastSurface {
 public:
  virtual ~FastSurface() = default;
  FastSurface(const FastSurface&) = delete;
  FastSurface& operator=(const FastSurface&) = delete;

  // Layout. RowStride is the row size rounded up to a multiple of 4 bytes.
  int32_t RowPadding = 0;  // FastRgbSurface: Width mod 4; FastPalettedSurface: RowStride - Width
  int32_t RowStride = 0;
  int32_t ByteSize = 0;  // RowStride * Height
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t*> Rows;  // Rows[i] = Bits + i * RowStride
  uint8_t* Bits = nullptr;

  virtual int BytesPerPixel() const = 0;

  // Sizes the surface (negative sizes count as 0; sides above kMaxPictureSide are refused
  // with an Error). Nothing happens when the size is unchanged; otherwise the contents are
  // not kept (new memory is zero).
  virtual void Allocate(int32_t width, int32_t height) = 0;
  // Draws the whole surface with its top-left corner at (x, y).
  void DrawAt(Canvas& dc, int32_t x, int32_t y) const;
  // Draws the whole surface stretched into (x, y, w, h), whole pixels repeated or dropped.
  void DrawStretched(Canvas& dc, int32_t x, int32_t y, int32_t w, int32_t h) const;
  // Draws the w x h block at (sx, sy) unscaled at (x, y). The source position counts from the
  // bottom-left corner, as device-independent bitmaps do: sy is a storage row.
  void DrawPart(Canvas& dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                int32_t sy) const;
  // Draws the source block (sx, sy, sw, sh) stretched into (x, y, w, h).
  void DrawPartStretched(Canvas& dc, int32_t x, int32_t y, int32_t w, int32_t h,
                         int32_t sx, int32_t sy, int32_t sw, int32_t sh) const;
  // Fills (x, y, w, h) of dc with copies of the surface.
  void DrawTiled(Canvas& dc, int32_t x, int32_t y, int32_t w, int32_t h) const;
  // Resizes this surface into dest (which keeps its size). dest must be of the same kind;
  // otherwise an Error is raised.
  void ResampleNearest(FastSurface& dest) const;
  void ResampleBilinear(FastSurface& dest) const;
  // Copies the w x h block at (sx, sy) to (x, y) of dest, clipped to both surfaces.
  void CopyBlock(FastSurface& dest, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                 int32_t sy) const;
  // Fills dest with copies of this surface, starting at (0, 0).
  void TileInto(FastSurface& dest) const;

  // The colour of storage pixel (x, row) as 0x00RRGGBB (for an 8-bit surface through its
  // colour table).
  virtual Color PixelColor(int32_t x, int32_t row) const = 0;

 protected:
  FastSurface() = default;
  // Shared by both kinds: new memory and row table for width x height at bits_per_pixel.
  void AllocateStorage(int32_t width, int32_t height, int bits_per_pixel);
  // The picture row (top-down) shown by storage row i.
  int32_t PictureRow(int32_t storage_row) const { return Height - 1 - storage_row; }

  std::vector<uint8_t> storage_;
};

// 24 bits per pixel: blue, green, red.
class FastRgbSurface : public FastSurface {
 public:
  FastRgbSurface() = default;
  FastRgbSurface(int32_t width, int32_t height) { Allocate(width, height); }

  int BytesPerPixel() const override { return 3; }

  // A 24-bit copy of bitmap, at its size.
  void LoadFromBitmapHandle(const Bitmap& bitmap);

  void Allocate(int32_t width, int32_t height) override;
  Color PixelColor(int32_t x, int32_t row) const override;
};

// 8 bits per pixel with a 256-entry colour table (a grey ramp until set).
class FastPalettedSurface : public FastSurface {
 public:
  FastPalettedSurface();
  FastPalettedSurface(int32_t width, int32_t height) : FastPalettedSurface() {
    Allocate(width, height);
  }

  int BytesPerPixel() const override { return 1; }

  std::array<Color, 256> Colors;  // 0x00RRGGBB per index

  void Allocate(int32_t width, int32_t height) override;
  Color PixelColor(int32_t x, int32_t row) const override;
};

// The surface as a top-down 32-bit bitmap (what DrawAt at (0, 0) into a bitmap of the
// surface's size produces).
Bitmap SurfaceToBitmap(const FastSurface& surface);

}  // namespace lpc
