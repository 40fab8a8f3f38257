// Thumbnails of the configuration window's strip for n photographs of 1920 x 1080 (JPEG),
// against decoding the same files in full once (BM_DecodeJpegFull, the baseline):
//   BM_ThumbnailBuild     every thumbnail made (scaled decoding, then the stretch to 80 x 60);
//   BM_ThumbnailFirstPaint the strip of the default MainWindow (one row, 564 x 92) laid out and
//                          painted once: only the cells on screen are decoded.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <string>
#include <chrono>
#include <vector>

#include "base/fileio.h"
#include "configwindow/thumbnail_strip.h"
#include "imaging/picture.h"
#include "photographs.h"
#include "platform/headless/headless_platform.h"
#include "widgets/form.h"

namespace {

namespace fs = std::filesystem;

using lpc::bench::Photographs;

void BM_DecodeJpegFull(benchmark::State& state) {
  const auto& files = Photographs::Get(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (const std::string& f : files) {
      benchmark::DoNotOptimize(lpc::DecodeJpeg(lpc::ReadFileBytes(f), f).data());
    }
  }
  int64_t bytes = 0;
  for (const std::string& f : files) bytes += lpc::FileSize(f);
  state.counters["KiB_per_photo"] = static_cast<double>(bytes) / 1024.0 / static_cast<double>(files.size());
}
BENCHMARK(BM_DecodeJpegFull)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_ThumbnailBuild(benchmark::State& state) {
  const auto& files = Photographs::Get(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    lpc::ThumbnailStrip strip;
    strip.SetFileList(&files);
    benchmark::DoNotOptimize(strip.Thumbnails().data());
  }
}
BENCHMARK(BM_ThumbnailBuild)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_ThumbnailFirstPaint(benchmark::State& state) {
  const auto& files = Photographs::Get(static_cast<int>(state.range(0)));
  lpc::platform::HeadlessPlatform platform;
  lpc::platform::SetCurrent(&platform);
  for (auto _ : state) {
    lpc::widgets::FormWindow form;
    form.SetClientSize(580, 440);
    auto& strip = form.Create<lpc::ThumbnailStrip>();
    strip.SetBounds(8, 316, 564, 92);
    strip.Ctl3D = false;
    strip.SetShowCheckBox(true);
    strip.SetMultiRows(false);
    strip.SetFileList(&files);
    benchmark::DoNotOptimize(form.Render().data());
    state.counters["decoded"] = strip.ThumbnailsBuilt();
  }
  lpc::platform::SetCurrent(nullptr);
}
BENCHMARK(BM_ThumbnailFirstPaint)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
