// Frame costs of the water effect and the bitmap effects, against the cost of copying one
// frame. All cases run in the one binary so their ratios come from the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>

#include "../tests/effects/wave_reference.h"
#include "base/random.h"
#include "effects/bitmap_effects.h"
#include "effects/fast_surfaces.h"
#include "effects/wave_generator.h"
#include "effects/weather.h"

namespace {

using lpc::Bitmap;

void BM_FrameCopy(benchmark::State& state) {
  Bitmap a(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 0x123456);
  Bitmap b(a.width(), a.height());
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.pixel_count() * sizeof(lpc::Color));
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(a.pixel_count() * 4));
}
BENCHMARK(BM_FrameCopy)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

// A packed image with water in the lower half in two regions, the left one with perspective.
lpc::PackedImage WaterImage(int w, int h, int weather_kind) {
  lpc::PackedImage p = lpc::reference::MakeWaterProject(w, h, true);
  p.WeatherParam.Kind = weather_kind;
  p.WeatherParam.Count = 1000;
  p.WeatherParam.SpeedIndex = 10;
  p.WeatherParam.Angle = 80;
  p.WeatherParam.Length = 10;
  return p;
}

void RunWave(benchmark::State& state, int weather_kind) {
  lpc::PackedImage p =
      WaterImage(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), weather_kind);
  lpc::RandSeed(1);
  lpc::SetFixedSeed(true);
  lpc::WaveGenerator gen;
  gen.AttachProject(&p);
  gen.SetWeather(false);
  gen.Prepare();
  gen.SetWeather(weather_kind > 0);
  lpc::SetFixedSeed(false);
  for (auto _ : state) {
    gen.Update();
    // What the window draws: Overlay while weather is on.
    benchmark::DoNotOptimize(gen.WeatherOn() ? gen.Overlay()->data() : gen.Output().data());
  }
}

void BM_WaveUpdate(benchmark::State& state) { RunWave(state, 0); }

// One region covering the lower `share` per cent of the rows, with the wave settings the
// README shows authors (amplitude 4, 3 waves, phase step 12, period 360, both directions,
// jitter 3). Arguments: share, width, height.
void BM_WaveUpdateWater(benchmark::State& state) {
  const int share = static_cast<int>(state.range(0));
  const int w = static_cast<int>(state.range(1));
  const int h = static_cast<int>(state.range(2));
  lpc::PackedImage p = lpc::reference::MakeWaterProject(w, h, false);
  p.Mask.Fill(0);
  for (int y = h - h * share / 100; y < h; ++y) {
    std::fill(p.Mask.Row(y), p.Mask.Row(y) + w, 0x0000FF);
  }
  lpc::WaveSettings& a = p.WaveParams[0];
  a.Amplitude = 4; a.WaveCount = 3; a.PhaseStep = 12; a.Direction = 0; a.Horizontal = true;
  a.Vertical = true; a.Perspective = false; a.Period = 360; a.JitterRange = 3;
  lpc::RandSeed(1);
  lpc::SetFixedSeed(true);
  lpc::WaveGenerator gen;
  gen.AttachProject(&p);
  gen.Prepare();
  lpc::SetFixedSeed(false);
  for (auto _ : state) {
    gen.Update();
    benchmark::DoNotOptimize(gen.Output().data());
  }
}
BENCHMARK(BM_WaveUpdateWater)
    ->Args({10, 1920, 1080})->Args({50, 1920, 1080})->Args({100, 1920, 1080})
    ->Args({50, 3840, 2160})->Args({100, 3840, 2160})
    ->Unit(benchmark::kMicrosecond);
void BM_WaveUpdateSnow(benchmark::State& state) { RunWave(state, 1); }
void BM_WaveUpdateRain(benchmark::State& state) { RunWave(state, 2); }
BENCHMARK(BM_WaveUpdate)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WaveUpdateSnow)->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WaveUpdateRain)->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

// The straightforward per-pixel loop, for comparison.
void BM_WaveUpdateReference(benchmark::State& state) {
  lpc::PackedImage p =
      WaterImage(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 0);
  lpc::RandSeed(1);
  lpc::reference::PlainWave ref;
  ref.Prepare(p);
  for (auto _ : state) {
    ref.Update();
    benchmark::DoNotOptimize(ref.output.data());
  }
}
BENCHMARK(BM_WaveUpdateReference)->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

void FillNoise(lpc::FastSurface& s, uint32_t seed) {
  lpc::RandSeed(seed);
  for (int32_t i = 0; i < s.ByteSize; ++i) s.Bits[i] = static_cast<uint8_t>(lpc::Random(256));
}

void BM_Blend(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  lpc::FastRgbSurface a(w, h), b(w, h), d(w, h);
  FillNoise(a, 1);
  FillNoise(b, 2);
  int amount = 10;
  for (auto _ : state) {
    lpc::Blend(d, a, b, amount);
    amount = amount == 255 ? 10 : amount + 1;
    benchmark::DoNotOptimize(d.Bits);
  }
}
BENCHMARK(BM_Blend)->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

void BM_ResampleBilinear(benchmark::State& state) {
  lpc::FastRgbSurface from(1024, 768), to(1920, 1080);
  FillNoise(from, 3);
  for (auto _ : state) {
    from.ResampleBilinear(to);
    benchmark::DoNotOptimize(to.Bits);
  }
}
BENCHMARK(BM_ResampleBilinear)->Unit(benchmark::kMicrosecond);

void BM_FitProjectToSize(benchmark::State& state) {
  const lpc::PackedImage original = lpc::reference::MakeWaterProject(1024, 768, true);
  for (auto _ : state) {
    state.PauseTiming();
    lpc::PackedImage p = original;
    state.ResumeTiming();
    lpc::FitProjectToSize(false, p, 1920, 1080);
    benchmark::DoNotOptimize(p.Picture.data());
  }
}
BENCHMARK(BM_FitProjectToSize)->Unit(benchmark::kMicrosecond);

// The fit's resample alone, into a picture that already exists: its share without the new
// memory's first touch.
void BM_SmoothResizeBitmap(benchmark::State& state) {
  const lpc::PackedImage original = lpc::reference::MakeWaterProject(1024, 768, true);
  Bitmap to(1920, 1080);
  for (auto _ : state) {
    lpc::SmoothResizeBitmap(original.Picture, to);
    benchmark::DoNotOptimize(to.data());
  }
}
BENCHMARK(BM_SmoothResizeBitmap)->Unit(benchmark::kMicrosecond);

void BM_AdjustSaturation(benchmark::State& state) {
  lpc::FastRgbSurface s(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  FillNoise(s, 4);
  for (auto _ : state) {
    lpc::AdjustSaturation(s, 256);  // keeps colours, so every pass does the same work
    benchmark::DoNotOptimize(s.Bits);
  }
}
BENCHMARK(BM_AdjustSaturation)->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

}  // namespace
