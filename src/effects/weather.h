// Snow and rain drawn over a finished water frame. Both move their particles once per frame
// and draw them on their Target bitmap (the wave generator's Overlay) through a Canvas, so the
// pixels follow the platform's line and ellipse rules.
#pragma once

#include <cstdint>
#include <vector>

#include "base/bitmap.h"
#include "base/canvas.h"

namespace lpc {

// Most particles either effect keeps; larger counts are cut to it.
inline constexpr int32_t kMaxWeatherParticles = 1000;

// Index into kSpeedTable, clamped to 0..20 (values come from files unchecked).
int32_t ClampSpeedIndex(int32_t index);

// What rain and snow share: where they draw, how many particles they keep, how fast they move.
class WeatherEffect {
 public:
  // Count = n, cut to 0..1000 (a negative count from a file gives no particles).
  void SetCount(int32_t n);
  int32_t Count() const { return count_; }

  Bitmap* Target = nullptr;  // not owned
  // When set, every pixel Draw changes is logged here first (see Canvas::UndoLog), so a caller
  // can take the particles off the frame again.
  std::vector<std::pair<size_t, Color>>* UndoLog = nullptr;
  int32_t SpeedIndex = 2;    // into kSpeedTable; clamped when used
  int32_t SpeedPercent = 0;  // the generator's speed

 protected:
  WeatherEffect() = default;

 private:
  int32_t count_ = 0;
};

struct RainDrop {
  double X = 0;        // position in Target pixels; may lie up to 20 pixels outside it
  double Y = 0;
  int32_t Size = 2;    // 2..4: speed and brightness class
  int32_t Length = 1;  // 1..4: streak length class
  bool operator==(const RainDrop&) const = default;
};

class RainFall : public WeatherEffect {
 public:
  RainFall() = default;

  // Allocates Count drops and places them at random on Target. Target must be set.
  void Scatter();
  // Moves every drop by one frame and draws all drops on Target.
  void Step();
  // Draws all drops where they are (the drawing half of Step).
  void Draw();

  std::vector<RainDrop> Drops;
  int32_t Angle = 0;         // direction of fall in degrees; 90 is straight down
  int32_t LengthTenths = 0;  // streak length factor in tenths (10 = 1)
};

struct SnowFlake {
  double X = 0;       // position in Target pixels
  double Y = 0;
  int32_t Size = 2;   // 2..4: diameter in pixels and fall speed
  int32_t Drift = 0;  // -1, 0 or 1: sideways motion per unit of speed
  bool operator==(const SnowFlake&) const = default;
};

class SnowFall : public WeatherEffect {
 public:
  SnowFall() = default;

  // Allocates Count flakes and places them at random on Target. Target must be set.
  void Scatter();
  // Moves every flake by one frame and draws all flakes on Target.
  void Step();
  // Draws all flakes where they are (the drawing half of Step).
  void Draw();

  std::vector<SnowFlake> Flakes;
};

// Colours of the streaks and flakes.
inline constexpr Color kSnowOutline = MakeColor(225, 225, 225);
inline constexpr Color kSnowFill = MakeColor(255, 255, 255);
// Brightness of a drop of size s (2..4): 218, 227, 255.
constexpr int RainBrightness(int s) { return 55 / (5 - s) + 200; }

}  // namespace lpc
