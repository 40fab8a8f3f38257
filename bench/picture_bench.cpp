// Writing rendered frames: PNG compressed for size against PNG compressed for speed, on a
// 1280 x 800 frame with a photograph's mix of gradients and fine detail. Compare the two
// times of one run; the ratio is what matters.
#include <benchmark/benchmark.h>

#include "base/random.h"
#include "imaging/picture.h"

namespace {

lpc::Bitmap PhotoLikeFrame() {
  lpc::Bitmap b(1280, 800);
  lpc::RandSeed(5);
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      const int grain = lpc::Random(24);
      b.At(x, y) = lpc::MakeColor(30 + x / 8 + grain, 60 + y / 6 + grain, 150 + grain);
    }
  }
  return b;
}

void BM_EncodePng(benchmark::State& state) {
  const lpc::Bitmap frame = PhotoLikeFrame();
  size_t bytes = 0;
  for (auto _ : state) bytes = lpc::EncodePng(frame).size();
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond);

void BM_EncodePngFast(benchmark::State& state) {
  const lpc::Bitmap frame = PhotoLikeFrame();
  size_t bytes = 0;
  for (auto _ : state) bytes = lpc::EncodePngFast(frame).size();
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodePngFast)->Unit(benchmark::kMillisecond);

}  // namespace
