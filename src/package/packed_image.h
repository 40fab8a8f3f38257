// Packed images (".lpp"): a picture with up to four water regions, their wave parameters, a
// weather setting and the name of a sound to loop while it shows.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/bitmap.h"

namespace lpc {

inline constexpr char kPackedImageSignature[] = "LP060697";

// The wave parameters of one water region (a 32-byte record in the file).
struct TWaveParam {
  int32_t Amplitude = 0;
  int32_t WaveCount = 0;
  int32_t PhaseStep = 0;
  int32_t Direction = 0;
  bool Horizontal = false;
  bool Vertical = false;
  bool Perspective = false;
  int32_t Period = 0;  // degrees
  int32_t JitterRange = 0;
  bool operator==(const TWaveParam&) const = default;
};

enum TWeatherKind : int32_t { kWeatherNone = 0, kWeatherSnow = 1, kWeatherRain = 2 };

// The weather of a packed image (a 24-byte record in the file).
struct TWeatherParam {
  int32_t Kind = kWeatherNone;
  int32_t Count = 0;
  int32_t SpeedIndex = 0;  // into kSpeedTable
  int32_t Angle = 0;       // rain angle, degrees
  int32_t Length = 0;      // rain streak length, tenths
  bool operator==(const TWeatherParam&) const = default;
};

// Region codes 0..4 as mask pixels: 1 blue, 2 magenta, 3 red, 4 yellow; 0 (and anything else)
// is no water.
Color RegionToColor(int code);
int ColorToRegion(Color pixel);

// One loaded packed image.
class TProject {
 public:
  bool Loaded = false;
  std::string FileName;
  Bitmap Picture;
  Bitmap Thumbnail;
  Bitmap Mask;
  std::array<TWaveParam, 4> WaveParams{};
  TWeatherParam WeatherParam{};
  std::string Title;
  std::string Artist;
  std::string SoundFile;
  int32_t SpeedPercent = 100;

  // Full load. On any error the parts are left fresh and empty, Loaded false, and the error
  // passes on (FormatError / ReadError / FileNotFoundError / ProjectFileError).
  void LoadFromFile(const std::string& path);
  // Title, artist and thumbnail only.
  void LoadHeaderFromFile(const std::string& path);
  void SetSpeed(int32_t value) { SpeedPercent = value; }
  TWaveParam& GetWaveParam(int index) { return WaveParams.at(static_cast<size_t>(index)); }
  const TWaveParam& GetWaveParam(int index) const {
    return WaveParams.at(static_cast<size_t>(index));
  }
};

}  // namespace lpc
