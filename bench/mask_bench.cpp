// `lpctool mask`'s flood fill over a 4000 x 3000 photograph against decoding that photograph
// from JPEG, in one run: the fill should cost at most twice the decoding.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "imaging/picture.h"
#include "mask_fill.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// A sea with light ripples and grain under a sky, a sand shore on the left and a boat in the
// water, at JPEG quality 90: the fill follows the ripples and stops at shore and boat.
const std::string& SeaJpeg() {
  static const std::string jpeg = [] {
    lpc::Bitmap b(kWidth, kHeight);
    uint32_t noise = 2463534242u;
    for (int y = 0; y < kHeight; ++y) {
      lpc::Color* row = b.Row(y);
      for (int x = 0; x < kWidth; ++x) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        const int grain = static_cast<int>(noise % 7) - 3;
        lpc::Color c;
        if (y < kHeight * 3 / 10) {
          c = lpc::MakeColor(190 + y / 100, 210 + y / 150, 240);
        } else if (x < 600 + y / 10) {
          c = lpc::MakeColor(190 + grain, 170 + grain, 120);
        } else {
          const int ripple =
              static_cast<int>(9 * std::sin(x * 0.11 + y * 0.05) * std::sin(y * 0.023));
          c = lpc::MakeColor(30 + ripple + grain, 80 - y / 100 + ripple + grain,
                             140 - y / 60 + ripple + grain);
        }
        if (x >= 2000 && x < 2600 && y >= 1800 && y < 2050) c = lpc::MakeColor(120, 60, 30);
        row[x] = c;
      }
    }
    return lpc::EncodeJpeg(b, 90);
  }();
  return jpeg;
}

void BM_MaskFillBaselineDecode(benchmark::State& state) {
  const std::string& jpeg = SeaJpeg();
  for (auto _ : state) {
    lpc::Bitmap b = lpc::DecodeJpeg(jpeg, "sea.jpg");
    benchmark::DoNotOptimize(b.data());
  }
}
BENCHMARK(BM_MaskFillBaselineDecode)->Unit(benchmark::kMillisecond);

// Smoothing, the fill from a point in the sea and the closing of its small holes, as one
// `lpctool mask sea.jpg --fill 3000,2800` does after decoding.
void BM_MaskFill(benchmark::State& state) {
  const lpc::Bitmap photo = lpc::DecodeJpeg(SeaJpeg(), "sea.jpg");
  int64_t reached = 0;
  for (auto _ : state) {
    lpctool::WaterMask mask(photo, lpctool::kDefaultTolerance, int64_t{kWidth} * kHeight / 20000);
    reached = mask.Fill(3000, 2800, 1);
    benchmark::DoNotOptimize(mask.RegionAt(kWidth / 2, kHeight - 1));
  }
  state.counters["water_share"] = static_cast<double>(reached) / (int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_MaskFill)->Unit(benchmark::kMillisecond);

}  // namespace
