// Region masks grown from a photograph: the water connected to a point, everything below a row,
// and cuts of what stands in the water. Used by `lpctool mask`; kept apart from the command so
// the benchmark measures the same code.
#pragma once

#include <cstdint>
#include <vector>

#include "base/bitmap.h"

namespace lpctool {

// Colours of neighbouring pixels may differ by this much in each of red, green and blue (after
// the 3 x 3 smoothing) and still be the same water: JPEG noise and soft ripples stay below it,
// the edge of a boat, a post or a shore stands above it.
inline constexpr int kDefaultTolerance = 8;

class WaterMask {
 public:
  // tolerance: as kDefaultTolerance. largest_hole: enclosed patches of at most this many pixels
  // inside a fill (glints of light, foam) become water with it; larger ones (boats, buoys) stay.
  WaterMask(const lpc::Bitmap& photo, int tolerance, int64_t largest_hole);

  int width() const { return width_; }
  int height() const { return height_; }

  // The pixels connected to (x, y) through neighbours of similar colour, holes up to
  // largest_hole included, become `region`. Returns how many pixels the fill reached.
  int64_t Fill(int x, int y, uint8_t region);
  // What is connected to (x, y) through neighbours of similar colour stops being water.
  // Returns how many water pixels it took away.
  int64_t Cut(int x, int y);
  // Rows from `row` down become `region`.
  void Below(int row, uint8_t region);

  // Region code 0..4 of a pixel.
  int RegionAt(int x, int y) const { return cells_[static_cast<size_t>(y) * width_ + x] & kCode; }
  int64_t WaterPixels() const;
  // The mask as `lpp --mask` reads it: region colours, black where there is no water.
  lpc::Bitmap Picture() const;
  // The photograph with each region's colour laid over it at 40 %, the photograph still seen.
  lpc::Bitmap Overlay(const lpc::Bitmap& photo) const;

 private:
  // A pixel's cell: its region code, whether it joins its right and lower neighbours (their
  // colours are alike), and two marks used during one operation.
  static constexpr uint8_t kCode = 0x07;
  static constexpr uint8_t kRight = 0x08;
  static constexpr uint8_t kDown = 0x10;
  static constexpr uint8_t kReached = 0x80;  // connected to the seed, or a hole closed with it
  static constexpr uint8_t kSeen = 0x40;     // an unreached pixel a hole search has visited

  // Marks kReached on what connects to the seed; returns the count.
  int64_t Grow(uint32_t seed);
  // Marks kReached on the enclosed holes of at most largest_hole_ pixels.
  void CloseHoles();

  int width_ = 0;
  int height_ = 0;
  int64_t largest_hole_ = 0;
  std::vector<uint8_t, lpc::NoInitAllocator<uint8_t>> cells_;
  std::vector<uint32_t> stack_;
  int left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;  // the last Grow's bounding box
};

}  // namespace lpctool
