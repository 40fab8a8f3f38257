#include "base/random.h"

#include <chrono>
#include <random>

namespace lpc {

namespace {

struct Generator {
  std::mt19937 engine{5489u};
  bool fixed = false;
};

Generator& TheGenerator() {
  static Generator g;
  return g;
}

}  // namespace

void Randomize() {
  Generator& g = TheGenerator();
  if (g.fixed) return;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count() ^
                   std::chrono::system_clock::now().time_since_epoch().count();
  g.engine.seed(static_cast<uint32_t>(now ^ (now >> 32)));
}

void RandSeed(uint32_t seed) { TheGenerator().engine.seed(seed); }

void SetFixedSeed(bool fixed) { TheGenerator().fixed = fixed; }

int32_t Random(int32_t n) {
  if (n <= 0) return 0;
  // Multiply-shift keeps the draw uniform enough and costs one multiplication.
  const uint64_t r = TheGenerator().engine();
  return static_cast<int32_t>((r * static_cast<uint64_t>(n)) >> 32);
}

double RandomDouble() {
  return static_cast<double>(TheGenerator().engine()) / 4294967296.0;
}

}  // namespace lpc
