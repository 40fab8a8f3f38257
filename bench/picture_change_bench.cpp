// The longest frame interval around a picture change, on a clock that runs in real time, so
// the worker loading the next picture competes with the frames as it does in a real show.
// Baseline of the same run: a frame that loads its picture on the frame thread, as every
// change did before the loading moved to a worker.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <time.h>

#include "base/bitmap.h"
#include "base/fileio.h"
#include "imaging/picture.h"
#include "package/packed_image.h"
#include "package/project.h"
#include "platform/headless/headless_platform.h"
#include "presentation/picture_loader.h"
#include "presentation/show_window.h"
#include "presentation/slideshow_rules.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class RealTimePlatform : public lpc::platform::HeadlessPlatform {
 public:
  uint32_t Ticks() override {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count());
  }
  void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

 private:
  Clock::time_point start_ = Clock::now();
};

// A packed picture three quarters of the screen in each direction (so every change decodes
// and fits), its lower half water.
std::string WriteSea(const std::string& path, int w, int h, int shade) {
  lpc::Bitmap picture(w, h, lpc::MakeColor(200, 140, shade));
  lpc::Bitmap mask(w, h, 0);
  for (int y = h / 2; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      picture.At(x, y) = lpc::MakeColor((x * 3 + y) & 0xFF, (y * 5) & 0xFF, shade);
      mask.At(x, y) = lpc::RegionToColor(1);
    }
  }
  lpc::PackedImageData d;
  d.ThumbnailJpeg = lpc::EncodeJpeg(lpc::Bitmap(80, 60, 0x336699), 80);
  d.PictureJpeg = lpc::EncodeJpeg(picture, 90);
  d.MaskRuns = lpc::EncodeMask(mask);
  d.WaveParams[0] = {6, 30, 12, 1, true, true, false, 360, 3};
  for (int i = 1; i < 4; ++i) d.WaveParams[i].Period = 360;
  lpc::WriteFileBytes(path, lpc::EncodePackedImage(d));
  return path;
}

struct Show {
  RealTimePlatform platform;
  lpc::ScreensaverProject project;
  std::unique_ptr<lpc::ShowWindow> form;
  lpc::platform::Window* window = nullptr;

  Show(int w, int h, int mode) {
    const fs::path dir = fs::temp_directory_path() / "lpc-change-bench";
    fs::create_directories(dir);
    platform.SetScreenSize({w, h});
    lpc::platform::SetCurrent(&platform);
    for (int i = 0; i < 3; ++i) {
      const std::string file = (dir / ("sea" + std::to_string(i) + ".lpp")).string();
      WriteSea(file, w * 3 / 4, h * 3 / 4, 60 + i * 60);
      project.FileList.Names.push_back(file);
      project.FileList.Flags.push_back(lpc::kFlagTrue);
    }
    project.Setting.Random = true;  // pictures change by themselves
    project.Setting.Duration = 1;
    project.Setting.Transition = false;
    project.Setting.Music = false;
    project.Setting.ShowImageMode = mode;
    form = std::make_unique<lpc::ShowWindow>(platform, project, lpc::ShowEnvironment{});
    window = &form->Open();
    form->FormShow(*window);
  }
  ~Show() {
    form->FormClose(*window);
    form.reset();
    lpc::platform::SetCurrent(nullptr);
  }
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// CPU time of the calling thread: what a frame costs whatever else the machine is doing.
double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// range(2): 1 sequential order (the next picture is loaded ahead), 0 random order (it is
// known only at the change, and loads while the old picture goes on).
void BM_PictureChange(benchmark::State& state) {
  Show show(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
            static_cast<int>(state.range(2)));
  double worst = 0, worst_cpu = 0;
  for (auto _ : state) {
    const std::string before = show.form->LoadedImage();
    double longest = 0;
    int after_change = -1;
    Clock::time_point last = Clock::now();
    // Frames until ten past the change (a change is due every second).
    for (int frame = 0; frame < 200 && after_change < 10; ++frame) {
      const double cpu0 = ThreadCpuSeconds();
      show.form->IdleFrame();
      worst_cpu = std::max(worst_cpu, ThreadCpuSeconds() - cpu0);
      const Clock::time_point now = Clock::now();
      longest = std::max(longest, Seconds(now - last));
      last = now;
      if (after_change >= 0 || show.form->LoadedImage() != before) ++after_change;
    }
    if (after_change < 0) state.SkipWithError("no picture change");
    worst = std::max(worst, longest);
    state.SetIterationTime(longest);
  }
  state.counters["worst_ms"] = worst * 1000;
  state.counters["worst_cpu_ms"] = worst_cpu * 1000;
  state.counters["x_frame_period"] = worst * 1000 / lpc::kFrameMs;
}
BENCHMARK(BM_PictureChange)
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 1})
    ->Args({3840, 2160, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);

// The baseline: one frame plus a load of its picture on the frame thread (the worker's load
// that LoadCurrentImage also starts runs beside it and is not counted).
void BM_PictureChangeOnFrameThread(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  Show show(w, h, 1);
  const lpc::FitOptions fit{w, h, true, true, 100};
  double cpu = 0;
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    const double cpu0 = ThreadCpuSeconds();
    // The decode and fit as the frame thread did them, then the change as it stands.
    const lpc::LoadedPicture picture = lpc::LoadShowPicture(show.project.FileList.Names[0], fit);
    benchmark::DoNotOptimize(picture.Packed.get());
    show.form->LoadCurrentImage();
    show.form->IdleFrame();
    cpu = std::max(cpu, ThreadCpuSeconds() - cpu0);
    state.SetIterationTime(Seconds(Clock::now() - t0));
  }
  state.counters["worst_cpu_ms"] = cpu * 1000;
}
BENCHMARK(BM_PictureChangeOnFrameThread)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);

}  // namespace
