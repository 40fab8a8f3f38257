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
#include "platform/headless/headless_platform.h"
#include "widgets/form.h"

namespace {

namespace fs = std::filesystem;

// A photograph-like picture: smooth light with fine texture, so that the JPEG carries real
// detail in every block.
lpc::Bitmap Photo(int seed) {
  lpc::Bitmap b(1920, 1080);
  uint32_t noise = 2463534242u + static_cast<uint32_t>(seed) * 7919u;
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      noise ^= noise << 13;
      noise ^= noise >> 17;
      noise ^= noise << 5;
      const int grain = static_cast<int>(noise & 31) - 16;
      auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
      b.At(x, y) = lpc::MakeColor(clamp((x + seed * 40) * 255 / 2400 + grain),
                                  clamp(y * 255 / 1080 + grain), clamp(160 - y / 8 + grain));
    }
  }
  return b;
}

// The photographs, written once per process into a folder removed at exit.
class Photos {
 public:
  static const std::vector<std::string>& Get(int n) {
    static Photos photos;
    auto& list = photos.lists_[n];
    if (list.empty()) {
      fs::create_directories(photos.dir_);
      for (int i = 0; i < n; ++i) {
        const std::string path = (photos.dir_ / ("photo" + std::to_string(i) + ".jpg")).string();
        if (!fs::exists(path)) lpc::WriteFileBytes(path, lpc::EncodeJpeg(Photo(i), 85));
        list.push_back(path);
      }
    }
    return list;
  }

 private:
  Photos()
      : dir_(fs::temp_directory_path() /
             ("lpcbench_photos_" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()))) {}
  ~Photos() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  fs::path dir_;
  std::map<int, std::vector<std::string>> lists_;
};

void BM_DecodeJpegFull(benchmark::State& state) {
  const auto& files = Photos::Get(static_cast<int>(state.range(0)));
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
  const auto& files = Photos::Get(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    lpc::TLPThumbnail2 strip;
    strip.SetFileList(&files);
    benchmark::DoNotOptimize(strip.Thumbnails().data());
  }
}
BENCHMARK(BM_ThumbnailBuild)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_ThumbnailFirstPaint(benchmark::State& state) {
  const auto& files = Photos::Get(static_cast<int>(state.range(0)));
  lpc::platform::HeadlessPlatform platform;
  lpc::platform::SetCurrent(&platform);
  for (auto _ : state) {
    lpc::widgets::TForm form;
    form.SetClientSize(580, 440);
    auto& strip = form.Create<lpc::TLPThumbnail2>();
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
