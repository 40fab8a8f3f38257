// "/C" with 100 holiday photographs (1920 x 1080 JPEG): from the call that opens the
// configuration window to its first painted frame (the default MainWindow built, its strip
// given the 100 files, the preview pane showing the first, everything painted and presented),
// against decoding the same 100 files in full once (BM_DecodeJpeg, the baseline). The package
// is taken as already unpacked; the settings file is not used.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/fileio.h"
#include "configwindow/form_builder.h"
#include "imaging/picture.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/freetype_text.h"

namespace {

namespace fs = std::filesystem;

// Smooth light with fine grain, so that every JPEG block carries detail as in a photograph.
lpc::Bitmap Photograph(int seed) {
  lpc::Bitmap b(1920, 1080);
  uint32_t noise = 88172645u + static_cast<uint32_t>(seed) * 104729u;
  auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      noise ^= noise << 13;
      noise ^= noise >> 17;
      noise ^= noise << 5;
      const int grain = static_cast<int>(noise & 31) - 16;
      b.At(x, y) = lpc::MakeColor(clamp((x + seed * 40) * 255 / 2400 + grain),
                                  clamp(y * 255 / 1080 + grain), clamp(160 - y / 8 + grain));
    }
  }
  return b;
}

// Written once per process into a folder removed at exit.
class Photographs {
 public:
  static const std::vector<std::string>& Get(int n) {
    static Photographs photos;
    std::vector<std::string>& list = photos.lists_[n];
    if (list.empty()) {
      fs::create_directories(photos.dir_);
      for (int i = 0; i < n; ++i) {
        const std::string path = (photos.dir_ / ("holiday" + std::to_string(i) + ".jpg")).string();
        if (!fs::exists(path)) lpc::WriteFileBytes(path, lpc::EncodeJpeg(Photograph(i), 85));
        list.push_back(path);
      }
    }
    return list;
  }

 private:
  Photographs()
      : dir_(fs::temp_directory_path() /
             ("lpcbench_holiday_" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()))) {}
  ~Photographs() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  fs::path dir_;
  std::map<int, std::vector<std::string>> lists_;
};

void BM_DecodeJpeg(benchmark::State& state) {
  const auto& files = Photographs::Get(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (const std::string& f : files) {
      benchmark::DoNotOptimize(lpc::DecodeJpeg(lpc::ReadFileBytes(f), f).data());
    }
  }
}
BENCHMARK(BM_DecodeJpeg)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_ConfigWindowFirstPaint(benchmark::State& state) {
  const auto& files = Photographs::Get(static_cast<int>(state.range(0)));
  lpc::platform::HeadlessPlatform platform;
  platform.SetTextRenderer(lpc::platform::CreateFreeTypeTextRenderer());
  lpc::platform::SetCurrent(&platform);
  lpc::TLPForms forms;
  forms.LoadFromFile(LPC_DEFAULT_UI);
  lpc::TLPCProject project;
  project.Setting.ProductName = "Holidays";
  project.FileList.Names = files;
  project.FileList.Flags.assign(files.size(), "TRUE");
  lpc::TConfigEnvironment env;
  env.ExeLongPath = (fs::temp_directory_path() / "Holidays.exe").string();  // no settings file
  // The window closes at its first present: that is the moment the user sees it.
  platform.SetPresentObserver([](lpc::platform::HeadlessWindow& w) { w.Close(); });
  for (auto _ : state) {
    lpc::RunConfiguration(forms, project, "MainWindow", env);
  }
  platform.SetPresentObserver(nullptr);
  lpc::platform::SetCurrent(nullptr);
}
BENCHMARK(BM_ConfigWindowFirstPaint)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
