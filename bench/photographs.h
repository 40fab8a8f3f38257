// Photograph-like JPEG files (1920 x 1080) for the configuration window's benchmarks.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/fileio.h"
#include "imaging/picture.h"

namespace lpc::bench {

namespace fs = std::filesystem;

// Smooth light with fine grain, so that every JPEG block carries detail as in a photograph.
inline lpc::Bitmap Photograph(int seed) {
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

}  // namespace lpc::bench
