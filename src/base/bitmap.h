// Bitmap: 32 bits per pixel, 0x00RRGGBB, rows top-down, no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace lpc {

using Color = uint32_t;  // 0x00RRGGBB

constexpr Color MakeColor(int r, int g, int b) {
  return (static_cast<uint32_t>(r & 0xFF) << 16) | (static_cast<uint32_t>(g & 0xFF) << 8) |
         static_cast<uint32_t>(b & 0xFF);
}
constexpr int RedOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>(c & 0xFF); }

// Largest side any picture may have; readers refuse bigger ones before allocating.
inline constexpr int kMaxPictureSide = 16384;

namespace detail {
// Storage of several MiB comes from whole 2 MiB pages where the system offers them: a fresh
// picture then costs a handful of page faults instead of thousands. Smaller storage comes from
// operator new. Both take the byte count the storage was asked for.
void* AllocatePixelStorage(size_t bytes);
void FreePixelStorage(void* p, size_t bytes) noexcept;
}  // namespace detail

// Leaves new elements uninitialised when no value is given, so a picture that a decoder fills
// completely is not cleared first.
template <typename T>
struct NoInitAllocator : std::allocator<T> {
  using value_type = T;
  template <typename U>
  struct rebind {
    using other = NoInitAllocator<U>;
  };
  NoInitAllocator() = default;
  template <typename U>
  NoInitAllocator(const NoInitAllocator<U>&) noexcept {}
  T* allocate(size_t n) {
    if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(detail::AllocatePixelStorage(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) noexcept { detail::FreePixelStorage(p, n * sizeof(T)); }
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, Color fill = 0);

  // Resizes to width x height (negative sizes count as 0), every pixel set to fill.
  void SetSize(int width, int height, Color fill = 0);
  // The same with the pixels left unset, for callers that write every pixel at once.
  void SetSizeForOverwrite(int width, int height);
  void Fill(Color c);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ <= 0 || height_ <= 0; }

  Color* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const Color* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  Color& At(int x, int y) { return Row(y)[x]; }
  Color At(int x, int y) const { return Row(y)[x]; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  Color* data() { return pixels_.data(); }
  const Color* data() const { return pixels_.data(); }
  size_t pixel_count() const { return pixels_.size(); }

  bool operator==(const Bitmap& o) const {
    return width_ == o.width_ && height_ == o.height_ && pixels_ == o.pixels_;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Color, NoInitAllocator<Color>> pixels_;
};

}  // namespace lpc
