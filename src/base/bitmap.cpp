#include "base/bitmap.h"

#include <algorithm>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace lpc {

namespace detail {

#if defined(__linux__)
namespace {
constexpr size_t kHugePage = size_t{2} << 20;
// Below this a buffer would mostly be rounding; a 1080p frame is about 8 MiB.
constexpr size_t kHugeFrom = size_t{4} << 20;

}  // namespace

void* AllocatePixelStorage(size_t bytes) {
  void* p = ::operator new(bytes);
  if (bytes >= kHugeFrom) {
    // Only the whole 2 MiB pieces inside the buffer can be huge pages; the buffer takes no
    // more memory than it would anyway, and memory the allocator hands out again stays as
    // it is. Only a hint: where huge pages are off, nothing changes.
    const uintptr_t start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t first = (start + kHugePage - 1) & ~uintptr_t{kHugePage - 1};
    const uintptr_t end = (start + bytes) & ~uintptr_t{kHugePage - 1};
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
  }
  return p;
}

void FreePixelStorage(void* p, size_t) noexcept { ::operator delete(p); }
#else
void* AllocatePixelStorage(size_t bytes) { return ::operator new(bytes); }
void FreePixelStorage(void* p, size_t) noexcept { ::operator delete(p); }
#endif

}  // namespace detail

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
