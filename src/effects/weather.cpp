#include "effects/weather.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/canvas.h"
#include "base/numbers.h"
#include "base/random.h"

namespace lpc {

namespace {

double CosDeg(double a) { return std::cos(a * std::numbers::pi / 180.0); }

// Speed of one frame: the weather's own table speed scaled by the generator's speed.
double FrameSpeed(int32_t speed_index, int32_t speed_percent) {
  return kSpeedTable[ClampSpeedIndex(speed_index)] / 100.0 * speed_percent / 100.0;
}

int32_t ClampCount(int32_t n) { return ClampTo<int32_t>(n, 0, kMaxWeatherParticles); }

// Screen coordinates stay far inside int range even for absurd speeds or lengths.
int ToCoord(double v) { return static_cast<int>(ClampTo<int64_t>(Round(v), -(1 << 24), 1 << 24)); }

}  // namespace

int32_t ClampSpeedIndex(int32_t index) { return ClampTo<int32_t>(index, 0, kSpeedTableSize - 1); }

void WeatherEffect::SetCount(int32_t n) { count_ = ClampCount(n); }

// ----- RainFall ----------------------------------------------------------------------------------

void RainFall::Scatter() {
  const int32_t w = Target ? Target->width() : 0;
  const int32_t h = Target ? Target->height() : 0;
  Drops.assign(static_cast<size_t>(Count()), RainDrop{});
  for (RainDrop& d : Drops) {
    d.X = Random(w);
    d.Y = Random(h);
    d.Size = Random(3) + 2;
    d.Length = Random(4) + 1;
  }
}

void RainFall::Step() {
  if (Target == nullptr) return;
  const double w = Target->width(), h = Target->height();
  const double v = FrameSpeed(SpeedIndex, SpeedPercent);
  const double slant = CosDeg(Angle);
  for (RainDrop& d : Drops) {
    const double y0 = d.Y;
    d.Y = d.Y + d.Size * v * 3;
    d.X = d.X + slant * (d.Y - y0);
    if (d.X < -20) d.X = w;
    if (d.X > w + 20) d.X = -20;
    d.Size = ClampTo<int32_t>(d.Size, 2, 4);
    if (d.Y > h + 20) d.Y = -20;
  }
  Draw();
}

void RainFall::Draw() {
  if (Target == nullptr) return;
  Canvas canvas(*Target);
  canvas.UndoLog = UndoLog;
  const double slant = CosDeg(Angle);
  // Any length is drawn: ToCoord bounds the end point and the canvas walks only the part of a
  // line that lies on the picture, so a huge setting costs no more than a screen-long streak.
  const double factor = LengthTenths / 10.0;
  for (const RainDrop& d : Drops) {
    const int x = ToCoord(d.X), y = ToCoord(d.Y);
    const int s = ClampTo<int32_t>(d.Size, 2, 4);
    const int bright = RainBrightness(s);
    const int length = ClampTo<int32_t>(d.Length, 1, 4);
    const int ye = ToCoord(s * length * factor + y);
    const int xe = ToCoord(slant * (ye - y) + x);
    canvas.MoveTo(x, y);
    canvas.PenColor = MakeColor(bright - 60, bright - 60, bright - 60);
    canvas.LineTo(ToCoord(x + 2.0 * (xe - x) / 3), ToCoord(y + 2.0 * (ye - y) / 3));
    canvas.PenColor = MakeColor(bright, bright, bright);
    canvas.LineTo(xe, ye);
  }
}

// ----- SnowFall ----------------------------------------------------------------------------------

void SnowFall::Scatter() {
  const int32_t w = Target ? Target->width() : 0;
  const int32_t h = Target ? Target->height() : 0;
  Flakes.assign(static_cast<size_t>(Count()), SnowFlake{});
  for (SnowFlake& f : Flakes) {
    f.X = Random(w);
    f.Y = Random(h);
    f.Drift = 1 - Random(3);
    f.Size = Random(3) + 2;
  }
}

void SnowFall::Step() {
  if (Target == nullptr) return;
  const double w = Target->width(), h = Target->height();
  const double v = FrameSpeed(SpeedIndex, SpeedPercent);
  for (SnowFlake& f : Flakes) {
    f.Y = f.Y + f.Size * v;
    f.X = f.X + f.Drift * v;
    if (Random(20) == 0) f.Size = f.Size + Random(3) - 1;
    if (f.X < 0) f.X = w;
    if (f.X > w) f.X = 0;
    f.Size = ClampTo<int32_t>(f.Size, 2, 4);
    if (f.Y > h - 1) f.Y = 0;
  }
  Draw();
}

void SnowFall::Draw() {
  if (Target == nullptr) return;
  Canvas canvas(*Target);
  canvas.UndoLog = UndoLog;
  canvas.PenColor = kSnowOutline;
  canvas.BrushColor = kSnowFill;
  for (const SnowFlake& f : Flakes) {
    const int x = ToCoord(f.X), y = ToCoord(f.Y);
    const int s = ClampTo<int32_t>(f.Size, 2, 4);
    canvas.Ellipse(x, y, x + s, y + s);
  }
}

}  // namespace lpc
