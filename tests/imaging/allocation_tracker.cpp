// Replaces the global operator new so that tests can see how much a decoder asked for at once.
#include <atomic>
#include <cstdlib>
#include <new>

#include "imaging/test_support.h"

namespace {
std::atomic<size_t> g_largest{0};

void* Allocate(size_t size) {
  size_t seen = g_largest.load(std::memory_order_relaxed);
  while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace lpc::testing {
void ResetLargestAllocation() { g_largest = 0; }
size_t LargestAllocation() { return g_largest; }
}  // namespace lpc::testing
