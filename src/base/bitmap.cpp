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

size_t HugeRound(size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }
}  // namespace

void* AllocatePixelStorage(size_t bytes) {
  if (bytes < kHugeFrom) return ::operator new(bytes);
  // Map one huge page more than needed, keep the 2 MiB-aligned part and give back the rest.
  // The buffer is rounded up to whole huge pages: a partial last one in small pages was
  // measured to make the kernel fall back to small pages for much of the buffer.
  const size_t size = HugeRound(bytes);
  if (size < bytes) throw std::bad_alloc();
  void* raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t{kHugePage - 1};
  if (aligned > start) munmap(raw, aligned - start);
  const uintptr_t tail = start + kHugePage - aligned;
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
  // Only a hint: where huge pages are off the buffer simply stays in small pages.
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void FreePixelStorage(void* p, size_t bytes) noexcept {
  if (p == nullptr) return;
  if (bytes < kHugeFrom) {
    ::operator delete(p);
    return;
  }
  munmap(p, HugeRound(bytes));
}
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
