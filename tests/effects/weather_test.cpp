#include "effects/weather.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/random.h"

namespace lpc {
namespace {

constexpr int kW = 40, kH = 30;

TEST(Weather, CountsAreCutToTheLimits) {
  const int32_t cases[][2] = {{5000, 1000}, {1500, 1000}, {1000, 1000},
                              {0, 0},       {-5, 0},      {37, 37}};
  for (const auto& c : cases) {
    Bitmap target(kW, kH);
    RainFall rain;
    rain.Target = &target;
    rain.SetCount(c[0]);
    rain.Scatter();
    EXPECT_EQ(rain.Count(), c[1]);
    EXPECT_EQ(static_cast<int>(rain.Drops.size()), c[1]);
    SnowFall snow;
    snow.Target = &target;
    snow.SetCount(c[0]);
    snow.Scatter();
    EXPECT_EQ(static_cast<int>(snow.Flakes.size()), c[1]);
  }
}

TEST(Weather, ScatterPlacesParticlesOnTheTarget) {
  Bitmap target(kW, kH);
  RandSeed(1);
  RainFall rain;
  rain.Target = &target;
  rain.SetCount(500);
  rain.Scatter();
  for (const RainDrop& d : rain.Drops) {
    EXPECT_TRUE(d.X >= 0 && d.X < kW && d.Y >= 0 && d.Y < kH);
    EXPECT_TRUE(d.Size >= 2 && d.Size <= 4);
    EXPECT_TRUE(d.Length >= 1 && d.Length <= 4);
  }
  SnowFall snow;
  snow.Target = &target;
  snow.SetCount(500);
  snow.Scatter();
  for (const SnowFlake& f : snow.Flakes) {
    EXPECT_TRUE(f.X >= 0 && f.X < kW && f.Y >= 0 && f.Y < kH);
    EXPECT_TRUE(f.Size >= 2 && f.Size <= 4);
    EXPECT_TRUE(f.Drift >= -1 && f.Drift <= 1);
  }
}

RainFall OneDrop(Bitmap& target, double x, double y, int size, int length, int angle) {
  RainFall rain;
  rain.Target = &target;
  rain.Drops = {RainDrop{x, y, size, length}};
  rain.SpeedIndex = 10;  // 100 %
  rain.SpeedPercent = 100;
  rain.LengthTenths = 10;
  rain.Angle = angle;
  return rain;
}

TEST(Rain, MotionAndWrapping) {
  struct Case {
    const char* name;
    double x, y;
    int size, angle, speed_percent;
    double ex, ey;
  };
  const Case cases[] = {
      {"straight down", 10, 5, 3, 90, 100, 10, 14},
      {"speed 0", 10, 5, 4, 90, 0, 10, 5},
      {"slanting right", 10, 5, 2, 0, 100, 16, 11},
      {"past the bottom", 7, kH + 19, 4, 90, 100, 7, -20},
      {"past the left", -15, 0, 4, 180, 100, kW, 12},
      {"past the right", kW + 15, 0, 4, 0, 100, -20, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bitmap target(kW, kH);
    RainFall rain = OneDrop(target, c.x, c.y, c.size, 1, c.angle);
    rain.SpeedPercent = c.speed_percent;
    rain.Step();
    EXPECT_NEAR(rain.Drops[0].X, c.ex, 1e-9);
    EXPECT_NEAR(rain.Drops[0].Y, c.ey, 1e-9);
  }
}

TEST(Rain, StraightDropsKeepTheirColumn) {
  Bitmap target(kW, kH);
  RainFall rain = OneDrop(target, 12, 0, 4, 2, 90);
  for (int f = 0; f < 50; ++f) {
    rain.Step();
    EXPECT_EQ(std::lround(rain.Drops[0].X), 12);
  }
}

TEST(Rain, StreakShapeAndShades) {
  // Size 4, length 4, factor 1: 16 pixels tall, the first two thirds darker.
  Bitmap target(kW, kH);
  RainFall rain = OneDrop(target, 10, 5, 4, 4, 90);
  rain.Draw();
  for (int y = 0; y < kH; ++y) {
    const Color want = y < 5 || y > 20 ? 0 : y < 16 ? MakeColor(195, 195, 195)
                                                    : MakeColor(255, 255, 255);
    EXPECT_EQ(target.At(10, y), want) << "row " << y;
    EXPECT_EQ(target.At(9, y), 0u);
    EXPECT_EQ(target.At(11, y), 0u);
  }
  const int shades[][2] = {{2, 218}, {3, 227}, {4, 255}};
  for (const auto& s : shades) {
    Bitmap t(kW, kH);
    RainFall r = OneDrop(t, 3, 3, s[0], 4, 90);
    r.Draw();
    EXPECT_EQ(t.At(3, 3), MakeColor(s[1] - 60, s[1] - 60, s[1] - 60)) << s[0];
    EXPECT_EQ(t.At(3, 3 + s[0] * 4 - 1), MakeColor(s[1], s[1], s[1])) << s[0];
    EXPECT_EQ(t.At(3, 3 + s[0] * 4), 0u) << s[0];
  }
}

TEST(Rain, LongStreaksAreDrawnWhole) {
  // A streak of size 2 x length 1 x LengthTenths/10 pixels straight down from y = 3; the
  // longest reach far past the picture, which bounds them.
  const struct {
    int32_t tenths;
    int last_lit;  // row of the streak's last pixel on the 700-row picture
  } cases[] = {{1000, 3 + 199}, {3000, 3 + 599}, {2000000000, 699}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tenths);
    Bitmap target(8, 700);
    RainFall rain = OneDrop(target, 3, 3, 2, 1, 90);
    rain.LengthTenths = c.tenths;
    rain.Draw();
    EXPECT_NE(target.At(3, c.last_lit), 0u);
    if (c.last_lit + 1 < 700) {
      EXPECT_EQ(target.At(3, c.last_lit + 1), 0u);
    }
  }
  // Slanted, absurdly long streaks on a large picture: the walk stays on the picture.
  Bitmap wide(1920, 1080);
  RainFall rain = OneDrop(wide, 5, 5, 4, 4, 60);
  rain.Drops.assign(1000, rain.Drops[0]);
  rain.LengthTenths = 2000000000;
  rain.Draw();
  EXPECT_NE(wide.At(5, 5), 0u);
}

TEST(Rain, BadRecordValuesAreHarmless) {
  Bitmap target(kW, 200);
  RainFall rain = OneDrop(target, 10, 5, 9, 4, 90);
  rain.SpeedIndex = 77;
  rain.LengthTenths = 2000000000;
  rain.Step();  // speed index clamped to 20 (500 %); the size is clamped after the move
  EXPECT_EQ(rain.Drops[0].Size, 4);
  EXPECT_NEAR(rain.Drops[0].Y, 5 + 9 * 5.0 * 3, 1e-9);
  rain.SpeedIndex = -4;  // index 0: 10 %
  rain.Step();
  EXPECT_NEAR(rain.Drops[0].Y, 140 + 4 * 0.1 * 3, 1e-9);
  RainFall empty;
  empty.Step();  // no target, no drops
}

TEST(Snow, MotionAndWrapping) {
  struct Case {
    const char* name;
    double x, y;
    int size, drift;
    double ex, ey;
  };
  const Case cases[] = {
      {"still column", 10, 5, 3, 0, 10, 8},
      {"drifting left", 10, 5, 2, -1, 9, 7},
      {"past the left edge", 0.5, 5, 2, -1, kW, 7},
      {"past the right edge", kW - 0.5, 5, 2, 1, 0, 7},
      {"past the bottom row", 6, kH - 2, 4, 0, 6, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bitmap target(kW, kH);
    SnowFall snow;
    snow.Target = &target;
    snow.SpeedIndex = 10;
    snow.SpeedPercent = 100;
    snow.Flakes = {SnowFlake{c.x, c.y, c.size, c.drift}};
    RandSeed(4);
    snow.Step();
    EXPECT_DOUBLE_EQ(snow.Flakes[0].X, c.ex);
    EXPECT_DOUBLE_EQ(snow.Flakes[0].Y, c.ey);
  }
}

TEST(Snow, LongRunsKeepSizesInRangeAndStillFlakesStill) {
  Bitmap target(kW, kH);
  SnowFall snow;
  snow.Target = &target;
  snow.SetCount(200);
  RandSeed(8);
  snow.Scatter();
  snow.SpeedIndex = 20;
  snow.SpeedPercent = 500;
  std::vector<double> still_x;
  for (const SnowFlake& f : snow.Flakes) still_x.push_back(f.X);
  for (int step = 0; step < 2000; ++step) {
    snow.Step();
    for (size_t i = 0; i < snow.Flakes.size(); ++i) {
      const SnowFlake& f = snow.Flakes[i];
      ASSERT_TRUE(f.Size >= 2 && f.Size <= 4);
      if (f.Drift == 0) { ASSERT_EQ(f.X, still_x[i]); }
      ASSERT_TRUE(f.X >= 0 && f.X <= kW);
      ASSERT_TRUE(f.Y >= 0 && f.Y <= kH - 1);
    }
  }
}

TEST(Snow, SpeedZeroFreezesPositionsButNotSizes) {
  Bitmap target(kW, kH);
  SnowFall snow;
  snow.Target = &target;
  snow.SetCount(100);
  RandSeed(9);
  snow.Scatter();
  snow.SpeedPercent = 0;
  const std::vector<SnowFlake> before = snow.Flakes;
  bool size_changed = false;
  for (int step = 0; step < 100; ++step) snow.Step();
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(snow.Flakes[i].X, before[i].X);
    EXPECT_EQ(snow.Flakes[i].Y, before[i].Y);
    size_changed |= snow.Flakes[i].Size != before[i].Size;
  }
  EXPECT_TRUE(size_changed);
}

TEST(Snow, FlakesAreOutlinedEllipses) {
  Bitmap target(8, 8);
  SnowFall snow;
  snow.Target = &target;
  snow.Flakes = {SnowFlake{1, 1, 3, 0}, SnowFlake{4.4, 3.6, 2, 0}};
  snow.Draw();
  const Color o = kSnowOutline, f = kSnowFill;
  EXPECT_EQ(target.At(2, 1), o);
  EXPECT_EQ(target.At(1, 2), o);
  EXPECT_EQ(target.At(2, 2), f);
  EXPECT_EQ(target.At(1, 1), 0u);  // corners of the box stay
  EXPECT_EQ(target.At(4, 4), o);   // size 2 at (4, 4): all outline
  EXPECT_EQ(target.At(5, 5), o);
  EXPECT_EQ(target.At(6, 4), 0u);
}

}  // namespace
}  // namespace lpc
