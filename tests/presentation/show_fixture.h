// Content for show tests: plain pictures, packed pictures with a sea in the lower half, a
// temporary folder per test and a headless platform made current.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "base/bitmap.h"
#include "imaging/picture.h"
#include "package/packed_image.h"
#include "platform/headless/headless_platform.h"
#include "platform/platform.h"

namespace lpc::testing {

// A picture: sky above, sea (a blue gradient, so displaced rows differ) below.
inline Bitmap SeaPicture(int width, int height, Color sky = MakeColor(200, 120, 40)) {
  Bitmap b(width, height, sky);
  for (int y = height / 2; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      b.At(x, y) = MakeColor((x * 7 + y * 3) & 0xFF, (y * 5) & 0xFF, 160 + (x & 63));
    }
  }
  return b;
}

// A packed picture whose lower half is water region 1.
inline void WritePackedPicture(const std::string& path, int width, int height,
                               const std::string& sound = {}, int weather_kind = 0,
                               Color sky = MakeColor(200, 120, 40), bool perspective = false) {
  PackedImageData data;
  data.Title = "Sea";
  data.Artist = "Test";
  data.ThumbnailJpeg = EncodeJpeg(SeaPicture(16, 12, sky), 80);
  data.PictureJpeg = EncodeJpeg(SeaPicture(width, height, sky), 95);
  Bitmap mask(width, height, 0);
  for (int y = height / 2; y < height; ++y) {
    for (int x = 0; x < width; ++x) mask.At(x, y) = RegionToColor(1);
  }
  data.MaskRuns = EncodeMask(mask);
  WaveSettings& w = data.WaveParams[0];
  w.Amplitude = 6;
  w.WaveCount = 12;
  w.PhaseStep = 9;
  w.Direction = 1;
  w.Horizontal = true;
  w.Vertical = true;
  w.Period = 360;
  w.JitterRange = 3;
  w.Perspective = perspective;
  for (int i = 1; i < 4; ++i) data.WaveParams[i].Period = 360;
  data.SoundFile = sound;
  data.WeatherParam.Kind = weather_kind;
  data.WeatherParam.Count = 200;
  data.WeatherParam.SpeedIndex = 10;
  data.WeatherParam.Angle = 80;
  data.WeatherParam.Length = 100;
  SavePackedImage(path, data);
}

inline void WritePlainPicture(const std::string& path, int width, int height, Color color) {
  SavePicture(path, Bitmap(width, height, color));
}

// A private folder for one test, removed afterwards.
class TempFolder {
 public:
  explicit TempFolder(const std::string& tag) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("lpc-" + tag + "-" + std::to_string(::getpid()) + "-" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string Path() const { return path_.string() + "/"; }

 private:
  std::filesystem::path path_;
};

// A headless platform set as the current one for the test's lifetime.
class CurrentHeadless {
 public:
  CurrentHeadless() { platform::SetCurrent(&platform_); }
  ~CurrentHeadless() { platform::SetCurrent(nullptr); }
  platform::HeadlessPlatform& operator*() { return platform_; }
  platform::HeadlessPlatform* operator->() { return &platform_; }

 private:
  platform::HeadlessPlatform platform_;
};

}  // namespace lpc::testing
