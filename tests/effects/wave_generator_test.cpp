#include "effects/wave_generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/errors.h"
#include "base/random.h"
#include "effects/bitmap_effects.h"
#include "effects/wave_reference.h"
#include "effects/weather.h"

namespace lpc {
namespace {

using reference::MakeWaterProject;
using reference::PlainWave;

// Seeds the process-wide generator and keeps Prepare's clock seeding from changing it.
struct FixedSeed {
  explicit FixedSeed(uint32_t seed) {
    RandSeed(seed);
    SetFixedSeed(true);
  }
  ~FixedSeed() { SetFixedSeed(false); }
};

// Runs the generator and the plain reference side by side for `frames` updates and reports the
// first frame that differs. The same frames must come out when the engine keeps them in rows of
// someone else's, as wide as the picture or wider (a window's pixels, the picture placed in it).
void ExpectSameFrames(PackedImage& project, int frames, uint32_t seed = 7) {
  const int w = project.Picture.width(), h = project.Picture.height();
  WaveGenerator gen, in_rows[2];
  const ptrdiff_t strides[2] = {w, w + 5};
  std::vector<Color> rows[2];
  for (int t = 0; t < 3; ++t) {
    FixedSeed fixed(seed);
    WaveGenerator& g = t == 0 ? gen : in_rows[t - 1];
    if (t > 0) {
      rows[t - 1].assign(static_cast<size_t>(strides[t - 1]) * (h + 2), 0x00ABCDEF);
      g.DrawInto(rows[t - 1].data() + strides[t - 1] + (strides[t - 1] - w) / 2, strides[t - 1]);
    }
    g.AttachProject(&project);
    g.SetWeather(false);
    g.Prepare();
  }
  PlainWave ref;
  {
    FixedSeed fixed(seed);
    ref.Prepare(project);
  }
  const auto same_rows = [&](int t, int f) {
    const ptrdiff_t stride = strides[t], left = (stride - w) / 2;
    for (int y = -1; y <= h; ++y) {
      for (ptrdiff_t x = -left; x < stride - left; ++x) {
        const Color got = rows[t][static_cast<size_t>((y + 1) * stride + x + left)];
        const bool inside = y >= 0 && y < h && x >= 0 && x < w;
        ASSERT_EQ(got, inside ? ref.output.At(x, y) : 0x00ABCDEF)
            << "stride " << stride << ", frame " << f << " at " << x << "," << y;
      }
    }
  };
  ASSERT_EQ(gen.Output(), ref.output) << "after Prepare";
  for (int f = 1; f <= frames; ++f) {
    gen.Update();
    for (WaveGenerator& g : in_rows) g.Update();
    ref.Update();
    ASSERT_EQ(gen.Output(), ref.output) << "frame " << f;
    for (int t = 0; t < 2; ++t) same_rows(t, f);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(gen.Phase(i), ref.Phase(i)) << "frame " << f;
  }
}

struct WaveCase {
  const char* name;
  int w, h;
  bool two_regions;
  WaveSettings a;  // region 1 (blue)
  WaveSettings b;  // region 2 (magenta)
  int speed;
};

WaveSettings P(int amp, int count, int step, int dir, bool hor, bool ver, bool persp, int period,
               int jitter) {
  WaveSettings p;
  p.Amplitude = amp; p.WaveCount = count; p.PhaseStep = step; p.Direction = dir;
  p.Horizontal = hor; p.Vertical = ver; p.Perspective = persp; p.Period = period;
  p.JitterRange = jitter;
  return p;
}

TEST(WaveGenerator, FrameSequencesMatchThePlainArithmetic) {
  const WaveCase cases[] = {
      {"both directions", 40, 30, true, P(5, 7, 12, 0, true, true, false, 360, 0),
       P(3, 11, 9, 1, true, true, false, 360, 0), 100},
      {"jitter", 40, 30, true, P(4, 5, 10, 0, true, true, false, 360, 5),
       P(6, 8, 7, 1, false, true, false, 360, 9), 100},
      {"perspective", 33, 41, true, P(9, 6, 15, 0, true, true, true, 360, 2),
       P(5, 3, 25, 1, true, false, true, 90, 0), 120},
      {"other periods", 37, 23, true, P(7, 10, 14, 0, false, true, false, 200, 0),
       P(5, 4, 33, 1, true, true, false, 720, 4), 100},
      {"negative period and amplitude", 25, 25, true, P(-6, 5, 11, 1, true, true, false, -270, 3),
       P(8, -4, 17, 0, true, true, true, -360, 0), 75},
      {"displacement far beyond the picture", 20, 16, true,
       P(500, 3, 40, 0, true, true, false, 360, 0), P(300, 2, 55, 1, true, true, true, 180, 40),
       100},
      {"jitter beyond the picture", 20, 16, false, P(3, 3, 40, 0, true, true, false, 360, 1000),
       WaveSettings{}, 100},
      {"speed 0", 30, 20, true, P(5, 7, 12, 0, true, true, false, 360, 2),
       P(3, 11, 9, 1, true, true, false, 360, 0), 0},
      {"fast", 30, 20, true, P(5, 7, 12, 0, true, true, false, 360, 2),
       P(3, 11, 9, 1, true, true, false, 360, 0), 500},
      {"one column", 1, 30, false, P(5, 7, 12, 0, true, true, true, 360, 3), WaveSettings{}, 100},
      {"one row", 30, 1, false, P(5, 7, 12, 0, true, true, true, 360, 3), WaveSettings{}, 100},
  };
  for (const WaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    PackedImage p = MakeWaterProject(c.w, c.h, c.two_regions);
    p.WaveParams[0] = c.a;
    p.WaveParams[1] = c.b;
    if (p.WaveParams[1].Period == 0) p.WaveParams[1].Period = 360;
    p.SpeedPercent = c.speed;
    ExpectSameFrames(p, 24);
  }
}

TEST(WaveGenerator, AllFourRegionsAndScatteredMask) {
  PackedImage p = MakeWaterProject(48, 36, false);
  const Color colours[] = {0, 0x000000FF, 0x00FF00FF, 0x00FF0000, 0x00FFFF00, 0x00123456};
  RandSeed(99);
  for (int y = 0; y < 36; ++y) {
    for (int x = 0; x < 48; ++x) p.Mask.At(x, y) = colours[(x / 5 + y / 4 + Random(2)) % 6];
  }
  for (int i = 0; i < 4; ++i) {
    p.WaveParams[i] = P(3 + i, 4 + 2 * i, 10 + 7 * i, i % 2, i != 1, i != 2, i == 3,
                        i == 2 ? 120 : 360, i);
  }
  ExpectSameFrames(p, 30);
}

TEST(WaveGenerator, PrepareLeavesThePlainPictureAndAdvancesPhasesOnce) {
  PackedImage p = MakeWaterProject(20, 20, true);
  p.WaveParams[0].PhaseStep = 12;
  p.WaveParams[0].Direction = 0;
  p.WaveParams[1].PhaseStep = 7;
  p.WaveParams[1].Direction = 1;
  p.SpeedPercent = 150;
  WaveGenerator gen;
  gen.AttachProject(&p);
  gen.Prepare();
  EXPECT_EQ(gen.Output(), p.Picture);
  EXPECT_EQ(gen.Phase(0), -18);
  EXPECT_EQ(gen.Phase(1), 10);  // Round(10.5) is 10: ties go to the even neighbour
  EXPECT_EQ(gen.Width(), 20);
  EXPECT_EQ(gen.Height(), 20);
}

TEST(WaveGenerator, RegionBoundsAndEmptyRegions) {
  PackedImage p = MakeWaterProject(10, 10, true);
  WaveGenerator gen;
  gen.AttachProject(&p);
  gen.Prepare();
  EXPECT_EQ(gen.RegionTop(0), 5);
  EXPECT_EQ(gen.RegionBottom(0), 9);
  EXPECT_EQ(gen.RegionTop(2), 50000);
  EXPECT_EQ(gen.RegionBottom(2), 0);
  EXPECT_EQ(gen.RegionAt(0, 0), -1);
  EXPECT_EQ(gen.RegionAt(9, 9), 1);
  std::vector<WaveRowOffsets> off;
  std::array<bool, 4> still{};
  gen.ComputeRowOffsets(off, still);
  for (int r = 0; r < 10; ++r) {
    EXPECT_EQ(off[r * 4 + 2].V, 0);
    EXPECT_EQ(off[r * 4 + 2].H, 0);
  }
}

TEST(WaveGenerator, SpeedZeroFreezesPhasesAndFrames) {
  PackedImage p = MakeWaterProject(30, 20, true);
  p.SpeedPercent = 0;
  WaveGenerator gen;
  gen.AttachProject(&p);
  gen.Prepare();
  gen.Update();
  const Bitmap first = gen.Output();
  for (int f = 0; f < 5; ++f) {
    gen.Update();
    EXPECT_EQ(gen.Output(), first);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(gen.Phase(i), 0);
  }
}

TEST(WaveGenerator, Period360GivesEqualOffsetsOtherPeriodsOnlyChangeVertical) {
  PackedImage p = MakeWaterProject(16, 40, true);
  p.WaveParams[0] = P(9, 5, 13, 0, true, true, false, 360, 0);
  p.WaveParams[1] = P(9, 5, 13, 0, true, true, false, 100, 0);
  WaveGenerator gen;
  gen.AttachProject(&p);
  gen.Prepare();
  for (int f = 0; f < 10; ++f) {
    std::vector<WaveRowOffsets> off;
    std::array<bool, 4> still{};
    gen.ComputeRowOffsets(off, still);
    bool vertical_differs = false;
    for (int r = gen.RegionTop(0); r <= gen.RegionBottom(0); ++r) {
      EXPECT_EQ(off[r * 4].V, off[r * 4].H) << "row " << r;
      vertical_differs |= off[r * 4 + 1].V != off[r * 4 + 1].H;
    }
    EXPECT_TRUE(vertical_differs);
    gen.Update();
  }
}

TEST(WaveGenerator, OneRowPerspectiveRegionGetsFullAmplitudeAndNineTenthsFrequency) {
  PackedImage p = MakeWaterProject(10, 10, false);
  p.Mask.Fill(0);
  for (int x = 0; x < 10; ++x) p.Mask.At(x, 6) = 0x000000FF;
  p.WaveParams[0] = P(8, 4, 0, 0, true, true, true, 360, 0);
  WaveGenerator gen;
  gen.AttachProject(&p);
  gen.Prepare();
  std::vector<WaveRowOffsets> off;
  std::array<bool, 4> still{};
  gen.ComputeRowOffsets(off, still);
  const double f = 4 / (360.0 / 360) * 0.9;
  const int64_t t = std::llround(std::nearbyint((10 - 6) * f * 360 / 10));
  EXPECT_EQ(off[6 * 4].V, std::nearbyint(std::cos((t % 360) * std::numbers::pi / 180) * 8));
  // Full amplitude: the offset reaches 8 at phase where the cosine is 1; check its size bound.
  EXPECT_LE(std::abs(off[6 * 4].V), 8);
}

TEST(WaveGenerator, PerspectiveAmplitudeGrowsRowByRow) {
  // Wave count 0 makes the angle the phase (0), so the cosine is 1 and each row's offset is
  // its amplitude (r - top + 1) * Amplitude / n, rounded.
  PackedImage p = MakeWaterProject(8, 21, false);
  p.Mask.Fill(0);
  for (int y = 5; y <= 15; ++y) for (int x = 0; x < 8; ++x) p.Mask.At(x, y) = 0x000000FF;
  p.WaveParams[0] = P(20, 0, 0, 0, true, true, true, 360, 0);
  WaveGenerator gen;
  gen.AttachProject(&p);
  gen.Prepare();
  std::vector<WaveRowOffsets> off;
  std::array<bool, 4> still{};
  gen.ComputeRowOffsets(off, still);
  const int64_t expected[] = {2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22};
  for (int r = 5; r <= 15; ++r) EXPECT_EQ(off[r * 4].V, expected[r - 5]) << "row " << r;
}

TEST(WaveGenerator, NoDisplacementSwitchesMeansAStillPicture) {
  PackedImage p = MakeWaterProject(30, 30, true);
  p.WaveParams[0] = P(7, 5, 10, 0, false, false, true, 360, 6);
  p.WaveParams[1] = P(9, 3, 21, 1, false, false, false, 270, 11);
  WaveGenerator gen;
  gen.AttachProject(&p);
  gen.Prepare();
  for (int f = 0; f < 8; ++f) {
    gen.Update();
    EXPECT_EQ(gen.Output(), p.Picture) << "frame " << f;
  }
}

TEST(WaveGenerator, PeriodZeroHoldsThatRegionStill) {
  PackedImage p = MakeWaterProject(30, 30, true);
  p.WaveParams[0] = P(7, 5, 10, 0, true, true, false, 0, 0);
  p.WaveParams[3].Period = 0;  // an unused region with a bad record changes nothing
  WaveGenerator gen;
  gen.AttachProject(&p);
  ASSERT_NO_THROW(gen.Prepare());
  bool moved = false;
  for (int f = 0; f < 6; ++f) {
    ASSERT_NO_THROW(gen.Update());
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 30; ++x) {
        if (gen.RegionAt(x, y) == 0) { ASSERT_EQ(gen.Output().At(x, y), p.Picture.At(x, y)); }
        if (gen.RegionAt(x, y) == 1) moved |= gen.Output().At(x, y) != p.Picture.At(x, y);
      }
    }
  }
  EXPECT_TRUE(moved);
  ExpectSameFrames(p, 6);
}

TEST(WaveGenerator, JitterOffsetsStayInRangeAndFixed) {
  PackedImage p = MakeWaterProject(64, 20, true);
  p.WaveParams[1].JitterRange = 5;
  p.WaveParams[2].JitterRange = 0;
  p.WaveParams[3].JitterRange = -4;
  WaveGenerator gen;
  gen.AttachProject(&p);
  gen.Prepare();
  const std::vector<int32_t> before = gen.Jitter(1);
  bool varied = false;
  for (int32_t j : before) {
    EXPECT_GE(j, 0);
    EXPECT_LT(j, 5);
    varied |= j != before[0];
  }
  EXPECT_TRUE(varied);
  for (int32_t j : gen.Jitter(2)) EXPECT_EQ(j, 0);
  for (int32_t j : gen.Jitter(3)) EXPECT_EQ(j, 0);
  gen.Update();
  EXPECT_EQ(gen.Jitter(1), before);
}

TEST(WaveGenerator, NegativePhasesKeepGoingWithoutWrapping) {
  PackedImage p = MakeWaterProject(12, 12, false);
  p.WaveParams[0] = P(3, 2, 170, 0, true, true, false, 360, 0);
  WaveGenerator gen;
  gen.AttachProject(&p);
  gen.Prepare();
  for (int f = 0; f < 20; ++f) gen.Update();
  EXPECT_EQ(gen.Phase(0), -170 * 21);
  ExpectSameFrames(p, 30);
}

TEST(WaveGenerator, BadMasksAndPicturesDoNotCrash) {
  struct Case {
    const char* name;
    int pw, ph, mw, mh;
  };
  const Case cases[] = {
      {"mask smaller", 20, 20, 10, 7}, {"mask larger", 10, 10, 30, 30},
      {"no mask", 10, 10, 0, 0},       {"no picture", 0, 0, 10, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PackedImage p;
    p.Picture.SetSize(c.pw, c.ph, 0x102030);
    p.Mask.SetSize(c.mw, c.mh, 0x000000FF);
    p.WaveParams[0] = P(50, 5, 10, 0, true, true, true, 360, 30);
    for (int i = 1; i < 4; ++i) p.WaveParams[i].Period = 360;
    WaveGenerator gen;
    gen.AttachProject(&p);
    gen.Prepare();
    gen.SetWeather(true);
    gen.Update();
    EXPECT_EQ(gen.Output().width(), c.pw);
  }
}

TEST(WaveGenerator, UpdateBeforePrepareIsAnError) {
  WaveGenerator gen;
  EXPECT_THROW(gen.Update(), Error);
  EXPECT_THROW(gen.Prepare(), Error);
}

TEST(WaveGenerator, WeatherObjectsFollowTheKind) {
  struct Case {
    int32_t kind, count;
    bool snow, rain;
    int32_t particles;
  };
  const Case cases[] = {
      {0, 10, false, false, 0}, {1, 25, true, false, 25},    {2, 40, false, true, 40},
      {1, 5000, true, false, 1000}, {2, -7, false, true, 0}, {3, 10, false, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " count " << c.count);
    PackedImage p = MakeWaterProject(40, 30, true);
    p.WeatherParam.Kind = c.kind;
    p.WeatherParam.Count = c.count;
    p.WeatherParam.SpeedIndex = 99;  // out of the table: clamped, never read outside it
    p.WeatherParam.Angle = 60;
    p.WeatherParam.Length = 15;
    WaveGenerator gen;
    gen.AttachProject(&p);
    gen.SetWeather(false);
    gen.Prepare();
    gen.SetWeather(c.kind > 0);
    EXPECT_EQ(gen.WeatherOn(), c.kind > 0);
    EXPECT_EQ(gen.Snow() != nullptr, c.snow);
    EXPECT_EQ(gen.Rain() != nullptr, c.rain);
    if (gen.Snow()) { EXPECT_EQ(static_cast<int>(gen.Snow()->Flakes.size()), c.particles); }
    if (gen.Rain()) { EXPECT_EQ(static_cast<int>(gen.Rain()->Drops.size()), c.particles); }
    gen.Update();
    if (c.kind == 3) { EXPECT_EQ(*gen.Overlay(), gen.Output()); }
    if (gen.Rain()) {
      EXPECT_EQ(gen.Rain()->Angle, 120);
      EXPECT_EQ(gen.Rain()->LengthTenths, 15);
    }
    gen.SetWeather(false);
    EXPECT_EQ(gen.Overlay(), nullptr);
    EXPECT_EQ(gen.Snow(), nullptr);
  }
}

// The overlay is kept up to date incrementally; every frame it must equal the water frame with
// that frame's weather drawn over it, as a fresh copy would give.
TEST(WaveGenerator, OverlayIsTheWaterFrameWithTheWeatherDrawnOverIt) {
  for (int kind : {1, 2}) {
    SCOPED_TRACE(kind == 1 ? "snow" : "rain");
    PackedImage p = MakeWaterProject(60, 40, true);
    p.WeatherParam.Kind = kind;
    p.WeatherParam.Count = 60;
    p.WeatherParam.SpeedIndex = 12;
    p.WeatherParam.Angle = 70;
    p.WeatherParam.Length = 25;
    WaveGenerator gen;
    FixedSeed fixed(3);
    gen.AttachProject(&p);
    gen.SetWeather(false);
    gen.Prepare();
    gen.SetWeather(true);
    SnowFall snow = kind == 1 ? *gen.Snow() : SnowFall{};
    RainFall rain = kind == 2 ? *gen.Rain() : RainFall{};
    snow.UndoLog = nullptr;
    rain.UndoLog = nullptr;
    PlainWave ref;
    {
      FixedSeed again(3);
      ref.Prepare(p);
    }
    Bitmap expected;
    snow.Target = rain.Target = &expected;
    for (int f = 0; f < 25; ++f) {
      const uint32_t seed = 100 + f;
      RandSeed(seed);
      gen.Update();
      ref.Update();
      ASSERT_EQ(gen.Output(), ref.output) << "frame " << f;
      expected = ref.output;
      RandSeed(seed);
      if (kind == 1) {
        snow.SpeedPercent = 100;
        snow.SpeedIndex = 12;
        snow.Step();
        EXPECT_EQ(snow.Flakes, gen.Snow()->Flakes);
      } else {
        rain.SpeedPercent = 100;
        rain.SpeedIndex = 12;
        rain.LengthTenths = 25;
        rain.Angle = 110;
        rain.Step();
        EXPECT_EQ(rain.Drops, gen.Rain()->Drops);
      }
      ASSERT_EQ(*gen.Overlay(), expected) << "frame " << f;
    }
  }
}

}  // namespace
}  // namespace lpc

namespace lpc {
namespace {

// A layout that reads the mask stretched equals the layout of the stretched mask FitProjectToSize
// keeps: region of every pixel and every region's rows, growing, shrinking, one way each, and
// with no mask at all.
TEST(WaveGenerator, StretchedLayoutEqualsTheLayoutOfTheStretchedMask) {
  const struct {
    int sw, sh, dw, dh;
    bool mask;
  } cases[] = {{40, 30, 97, 61, true},  {97, 61, 40, 30, true}, {40, 30, 40, 73, true},
               {40, 30, 13, 30, true},  {1, 1, 20, 10, true},   {40, 30, 80, 60, false}};
  for (const auto& c : cases) {
    PackedImage p;
    p.Picture.SetSize(c.sw, c.sh, 0x102030);
    if (c.mask) {
      p.Mask.SetSize(c.sw, c.sh);
      RandSeed(5);
      for (int y = 0; y < c.sh; ++y) {
        for (int x = 0; x < c.sw; ++x) p.Mask.At(x, y) = RegionToColor(Random(6) - 1);
      }
    }
    PackedImage stretched = p;
    FitProjectToSize(false, stretched, c.dw, c.dh);
    // The same mask kept as runs, read without a bitmap of it; the last runs dropped where
    // there are some, as a mask whose runs stop short leaves the rest dry.
    PackedImage as_runs = p;
    as_runs.Mask = Bitmap();
    as_runs.MaskRuns = EncodeMask(p.Mask);
    if (as_runs.MaskRuns.size() > 12) as_runs.MaskRuns.resize(as_runs.MaskRuns.size() - 5);
    as_runs.MaskWidth = c.sw;
    as_runs.MaskHeight = c.sh;
    PackedImage from_runs = p;
    from_runs.Mask.SetSize(c.sw, c.sh, 0);
    if (!as_runs.MaskRuns.empty()) PaintMask(as_runs.MaskRuns, from_runs.Mask);
    FitProjectToSize(false, from_runs, c.dw, c.dh);
    FitProjectPicture(false, p, c.dw, c.dh);
    FitProjectPicture(false, as_runs, c.dw, c.dh);
    const std::string at = std::to_string(c.sw) + "x" + std::to_string(c.sh) + " -> " +
                           std::to_string(c.dw) + "x" + std::to_string(c.dh);
    const auto same_layout = [&](PackedImage& want_project, PackedImage& got_project, bool stretch,
                                 const char* what) {
      WaveGenerator want, got;
      want.AttachProject(&want_project);
      want.PrepareLayout();
      got.AttachProject(&got_project);
      got.PrepareLayout(stretch);
      for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(got.RegionTop(k), want.RegionTop(k)) << at << what << " region " << k;
        EXPECT_EQ(got.RegionBottom(k), want.RegionBottom(k)) << at << what << " region " << k;
      }
      for (int y = 0; y < c.dh; ++y) {
        for (int x = 0; x < c.dw; ++x) {
          ASSERT_EQ(got.RegionAt(x, y), want.RegionAt(x, y)) << at << what << " at " << x << "," << y;
        }
      }
    };
    same_layout(stretched, p, true, "");
    if (c.mask) same_layout(from_runs, as_runs, true, " (runs)");
  }
}

}  // namespace
}  // namespace lpc
