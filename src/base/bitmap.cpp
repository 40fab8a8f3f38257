#include "base/bitmap.h"

#include <algorithm>

namespace lpc {

Bitmap::Bitmap(int width, int height, Color fill) { SetSize(width, height, fill); }

void Bitmap::SetSize(int width, int height, Color fill) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  if (width_ == 0 || height_ == 0) width_ = height_ = 0;
  pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill);
}

void Bitmap::SetSizeForOverwrite(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  if (width_ == 0 || height_ == 0) width_ = height_ = 0;
  pixels_.clear();
  pixels_.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
}

void Bitmap::Fill(Color c) { std::fill(pixels_.begin(), pixels_.end(), c); }

}  // namespace lpc
