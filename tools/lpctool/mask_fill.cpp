#include "mask_fill.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "package/packed_image.h"

namespace lpctool {
namespace {

// A pixel's channels with their two lowest bits dropped, spread to three 10-bit lanes (red at
// bit 20, green at 10, blue at 0): a sum of nine such pixels, at most 567 per channel, adds in
// one integer without carrying into the next channel.
inline uint32_t Spread(lpc::Color c) {
  const uint32_t q = (c >> 2) & 0x3F3F3F;
  return ((q & 0x3F0000) << 4) | ((q & 0x3F00) << 2) | (q & 0x3F);
}

// Whether two box sums differ by at most `limit` in each lane; no branches, so that a row of
// comparisons vectorises.
inline bool Close(uint32_t a, uint32_t b, int limit) {
  const auto near = [&](int shift) {
    const int d = static_cast<int>((a >> shift) & 0x3FF) - static_cast<int>((b >> shift) & 0x3FF);
    return static_cast<unsigned>(d + limit) <= static_cast<unsigned>(2 * limit);
  };
  return near(20) & near(10) & near(0);
}

}  // namespace

WaterMask::WaterMask(const lpc::Bitmap& photo, int tolerance, int64_t largest_hole)
    : width_(photo.width()),
      height_(photo.height()),
      largest_hole_(largest_hole),
      cells_(static_cast<size_t>(width_) * height_) {
  const int w = width_, h = height_;
  if (w == 0 || h == 0) return;
  // A level of a channel is 9/4 units of the box sums.
  const int limit = (tolerance * 9 + 2) / 4;
  // The photograph's 3 x 3 box sums, with the edge pixels repeated, a row at a time: one
  // pixel's sparkle or JPEG noise spreads over its neighbours and no longer stands out as an
  // edge. Only the joins between neighbours are kept.
  std::vector<uint32_t> spread(static_cast<size_t>(w) + 2);
  std::vector<uint32_t> sums[3], box[2];
  auto horizontal = [&](int y, std::vector<uint32_t>& out) {
    out.resize(static_cast<size_t>(w));
    const lpc::Color* p = photo.Row(std::clamp(y, 0, h - 1));
    for (int x = 0; x < w; ++x) spread[static_cast<size_t>(x) + 1] = Spread(p[x]);
    spread[0] = spread[1];
    spread[static_cast<size_t>(w) + 1] = spread[static_cast<size_t>(w)];
    const uint32_t* t = spread.data();
    for (int x = 0; x < w; ++x) out[static_cast<size_t>(x)] = t[x] + t[x + 1] + t[x + 2];
  };
  auto boxed = [&](int y, std::vector<uint32_t>& out) {
    out.resize(static_cast<size_t>(w));
    const uint32_t* a = sums[(y + 2) % 3].data();  // row y - 1
    const uint32_t* b = sums[y % 3].data();
    const uint32_t* c = sums[(y + 1) % 3].data();  // row y + 1
    for (int x = 0; x < w; ++x) out[static_cast<size_t>(x)] = a[x] + b[x] + c[x];
  };
  horizontal(-1, sums[2]);
  horizontal(0, sums[0]);
  horizontal(1, sums[1]);
  boxed(0, box[0]);
  for (int y = 0; y < h; ++y) {
    const uint32_t* here = box[y % 2].data();
    uint8_t* cell = cells_.data() + static_cast<size_t>(y) * w;
    for (int x = 0; x + 1 < w; ++x) cell[x] = Close(here[x], here[x + 1], limit) ? kRight : 0;
    cell[w - 1] = 0;
    if (y + 1 < h) {
      horizontal(y + 2, sums[(y + 2) % 3]);
      boxed(y + 1, box[(y + 1) % 2]);
      const uint32_t* below = box[(y + 1) % 2].data();
      for (int x = 0; x < w; ++x) cell[x] |= Close(here[x], below[x], limit) ? kDown : 0;
    }
  }
}

int64_t WaterMask::Grow(uint32_t seed) {
  const uint32_t w = static_cast<uint32_t>(width_), h = static_cast<uint32_t>(height_);
  uint8_t* cell = cells_.data();
  int64_t count = 1;
  left_ = width_, right_ = -1, top_ = height_, bottom_ = -1;
  stack_.clear();
  stack_.push_back(seed);
  cell[seed] |= kReached;
  // A pixel of the row above or below joined to the run starts a run of its own; the pixels
  // beside it that join it sideways are left to that run, so most runs are pushed once.
  auto start_runs = [&](uint32_t left, uint32_t right, bool up) {
    bool covered = false;
    for (uint32_t q = left; q <= right; ++q) {
      const uint32_t a = up ? q - w : q + w;
      if (cell[a] & kReached) {
        covered = false;
        continue;
      }
      if (covered && (cell[a - 1] & kRight)) continue;
      covered = false;
      if (cell[up ? a : q] & kDown) {
        cell[a] |= kReached;
        ++count;
        stack_.push_back(a);
        covered = true;
      }
    }
  };
  while (!stack_.empty()) {
    const uint32_t p = stack_.back();
    stack_.pop_back();
    const uint32_t y = p / w, row = y * w;
    uint32_t left = p, right = p;
    while (left > row && (cell[left - 1] & (kReached | kRight)) == kRight) {
      cell[--left] |= kReached;
      ++count;
    }
    while (right + 1 < row + w && (cell[right] & kRight) && !(cell[right + 1] & kReached)) {
      cell[++right] |= kReached;
      ++count;
    }
    top_ = std::min(top_, static_cast<int>(y));
    bottom_ = std::max(bottom_, static_cast<int>(y));
    left_ = std::min(left_, static_cast<int>(left - row));
    right_ = std::max(right_, static_cast<int>(right - row));
    if (y > 0) start_runs(left, right, true);
    if (y + 1 < h) start_runs(left, right, false);
  }
  return count;
}

void WaterMask::CloseHoles() {
  if (largest_hole_ <= 0) return;
  const int w = width_;
  uint8_t* cell = cells_.data();
  constexpr uint8_t kMarked = kReached | kSeen;
  // Only unreached pixels inside the fill's bounding box can be enclosed by it.
  const int left = left_, right = right_, top = top_, bottom = bottom_;
  std::vector<uint32_t> patch;
  for (int y0 = top + 1; y0 < bottom; ++y0) {
    const uint8_t* row = cell + static_cast<size_t>(y0) * w;
    for (int x0 = left + 1; x0 < right; ++x0) {
      // Runs of reached water are skipped eight pixels at a time.
      uint64_t eight;
      while (x0 + 8 <= right && (std::memcpy(&eight, row + x0, 8),
                                 (eight & 0x8080808080808080ull) == 0x8080808080808080ull)) {
        x0 += 8;
      }
      if (x0 >= right || (row[x0] & kMarked) != 0) continue;
      const uint32_t start = static_cast<uint32_t>(y0) * w + x0;
      // One patch of unreached pixels: enclosed unless it touches the bounding box's edge.
      bool enclosed = true;
      patch.clear();
      stack_.clear();
      stack_.push_back(start);
      cell[start] |= kSeen;
      while (!stack_.empty()) {
        const uint32_t p = stack_.back();
        stack_.pop_back();
        if (static_cast<int64_t>(patch.size()) <= largest_hole_) patch.push_back(p);
        const int x = static_cast<int>(p % w), y = static_cast<int>(p / w);
        if (x <= left || x >= right || y <= top || y >= bottom) enclosed = false;
        auto visit = [&](bool inside, uint32_t q) {
          if (inside && (cell[q] & kMarked) == 0) {
            cell[q] |= kSeen;
            stack_.push_back(q);
          }
        };
        visit(x > left, p - 1);
        visit(x < right, p + 1);
        visit(y > top, p - w);
        visit(y < bottom, p + w);
      }
      if (enclosed && static_cast<int64_t>(patch.size()) <= largest_hole_) {
        for (uint32_t p : patch) cell[p] |= kReached;
      }
    }
  }
}

int64_t WaterMask::Fill(int x, int y, uint8_t region) {
  const int64_t count = Grow(static_cast<uint32_t>(y) * width_ + x);
  CloseHoles();
  uint8_t* cell = cells_.data();
  const size_t n = cells_.size();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = cell[i];
    static_assert(kReached == 0x80);
    const uint8_t reached = static_cast<uint8_t>(-(c >> 7));  // all ones where kReached
    cell[i] =
        static_cast<uint8_t>((c & (kRight | kDown)) | (region & reached) | (c & kCode & ~reached));
  }
  return count;
}

int64_t WaterMask::Cut(int x, int y) {
  Grow(static_cast<uint32_t>(y) * width_ + x);
  int64_t taken = 0;
  uint8_t* cell = cells_.data();
  const size_t n = cells_.size();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = cell[i];
    const uint8_t reached = static_cast<uint8_t>(-(c >> 7));
    taken += (c & kReached) && (c & kCode);
    cell[i] = static_cast<uint8_t>((c & (kRight | kDown)) | (c & kCode & ~reached));
  }
  return taken;
}

void WaterMask::Below(int row, uint8_t region) {
  const size_t first = static_cast<size_t>(std::clamp(row, 0, height_)) * width_;
  for (size_t i = first; i < cells_.size(); ++i) {
    cells_[i] = static_cast<uint8_t>((cells_[i] & ~kCode) | region);
  }
}

int64_t WaterMask::WaterPixels() const {
  return std::count_if(cells_.begin(), cells_.end(), [](uint8_t c) { return (c & kCode) != 0; });
}

lpc::Bitmap WaterMask::Picture() const {
  lpc::Bitmap out;
  out.SetSizeForOverwrite(width_, height_);
  for (size_t i = 0; i < cells_.size(); ++i) out.data()[i] = lpc::RegionToColor(cells_[i] & kCode);
  return out;
}

lpc::Bitmap WaterMask::Overlay(const lpc::Bitmap& photo) const {
  lpc::Bitmap out = photo;
  for (size_t i = 0; i < cells_.size(); ++i) {
    if ((cells_[i] & kCode) == 0) continue;
    const lpc::Color p = out.data()[i], c = lpc::RegionToColor(cells_[i] & kCode);
    out.data()[i] = lpc::MakeColor((lpc::RedOf(p) * 3 + lpc::RedOf(c) * 2) / 5,
                                   (lpc::GreenOf(p) * 3 + lpc::GreenOf(c) * 2) / 5,
                                   (lpc::BlueOf(p) * 3 + lpc::BlueOf(c) * 2) / 5);
  }
  return out;
}

}  // namespace lpctool
