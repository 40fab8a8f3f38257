// A deliberately plain water frame generator: every pixel of every row, straight from the
// arithmetic, no tables, no spans. The tests compare the real generator against it frame by
// frame, and the benchmarks time it beside the real one.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "base/bitmap.h"
#include "base/random.h"
#include "package/packed_image.h"

namespace lpc::reference {

// Ties to even under the default rounding mode.
inline int64_t RoundEven(double x) { return static_cast<int64_t>(std::nearbyint(x)); }

inline double CosDegrees(int64_t a) { return std::cos(static_cast<double>(a) * std::numbers::pi / 180.0); }

inline int RegionOfMask(Color c) {
  switch (c) {
    case 0x000000FF: return 0;
    case 0x00FF00FF: return 1;
    case 0x00FF0000: return 2;
    case 0x00FFFF00: return 3;
    default: return -1;
  }
}

class PlainWave {
 public:
  // Like WaveGenerator's AttachProject + Prepare (without reseeding: the caller seeds).
  void Prepare(const PackedImage& project) {
    project_ = &project;
    w_ = project.Picture.width();
    h_ = project.Picture.height();
    phase_.fill(0);
    map_.assign(static_cast<size_t>(w_) * h_, -1);
    top_.fill(50000);
    bottom_.fill(0);
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        const int k = (y < project.Mask.height() && x < project.Mask.width())
                          ? RegionOfMask(project.Mask.At(x, y))
                          : -1;
        map_[static_cast<size_t>(y) * w_ + x] = k;
        if (k >= 0) {
          if (y < top_[k]) top_[k] = y;
          if (y > bottom_[k]) bottom_[k] = y;
        }
      }
    }
    for (int i = 0; i < 4; ++i) {
      jitter_[i].resize(static_cast<size_t>(w_));
      for (int x = 0; x < w_; ++x) jitter_[i][x] = Random(project.WaveParams[i].JitterRange);
    }
    output = project.Picture;
    Update();
    output = project.Picture;
  }

  void Update() {
    const PackedImage& p = *project_;
    double A[4] = {}, F[4] = {}, dA[4] = {}, dF[4] = {};
    for (int i = 0; i < 4; ++i) {
      const WaveSettings& w = p.WaveParams[i];
      if (w.Period == 0) continue;
      A[i] = w.Amplitude;
      F[i] = w.WaveCount / (360.0 / w.Period);
      if (w.Perspective) {
        A[i] = 0;
        const int n = bottom_[i] - top_[i];
        dA[i] = n != 0 ? static_cast<double>(w.Amplitude) / n : w.Amplitude;
        dF[i] = n != 0 ? F[i] / n : F[i];
      }
    }
    for (int r = 0; r < h_; ++r) {
      int64_t V[4] = {}, H[4] = {};
      for (int i = 0; i < 4; ++i) {
        const WaveSettings& w = p.WaveParams[i];
        if (w.Period == 0 || r < top_[i] || r > bottom_[i]) continue;
        if (w.Perspective) {
          A[i] = A[i] + dA[i];
          F[i] = F[i] - dF[i] / 10;
        }
        const int64_t t = RoundEven(static_cast<double>(h_ - r) * F[i] * 360 / h_ + phase_[i]);
        V[i] = RoundEven(CosDegrees(t % w.Period) * A[i]);
        H[i] = RoundEven(CosDegrees(t % 360) * A[i]);
      }
      for (int x = 0; x < w_; ++x) {
        const int k = map_[static_cast<size_t>(r) * w_ + x];
        if (k < 0) continue;
        const WaveSettings& w = p.WaveParams[k];
        if (w.Period == 0) continue;
        const int64_t j = jitter_[k][x];
        const int64_t yd = Clamp(r - j, h_ - 1);
        const int64_t ys = Clamp(w.Vertical ? r - j + V[k] : r - j, h_ - 1);
        const int64_t xs = w.Horizontal ? Clamp(x + H[k], w_ - 1) : x;
        if (map_[yd * w_ + xs] == k && map_[ys * w_ + xs] == k) {
          output.At(x, static_cast<int>(yd)) = p.Picture.At(static_cast<int>(xs), static_cast<int>(ys));
        }
      }
    }
    for (int i = 0; i < 4; ++i) {
      const WaveSettings& w = p.WaveParams[i];
      const int64_t s = RoundEven(static_cast<double>(int64_t{w.PhaseStep} * p.SpeedPercent) / 100);
      const int64_t next = w.Direction == 0 ? int64_t{phase_[i]} - s : int64_t{phase_[i]} + s;
      phase_[i] = static_cast<int32_t>(static_cast<uint32_t>(next));
    }
  }

  int32_t Phase(int i) const { return phase_[i]; }

  Bitmap output;

 private:
  static int64_t Clamp(int64_t v, int64_t hi) { return v < 0 ? 0 : (v > hi ? hi : v); }

  const PackedImage* project_ = nullptr;
  int w_ = 0, h_ = 0;
  std::array<int32_t, 4> phase_{};
  std::vector<int> map_;
  std::array<int, 4> top_{}, bottom_{};
  std::array<std::vector<int32_t>, 4> jitter_;
};

// A test picture: a smooth colour pattern with distinct pixels, and a mask whose lower part
// holds water. `regions` lists the mask colour for each horizontal band of the lower half.
inline PackedImage MakeWaterProject(int w, int h, bool two_regions) {
  PackedImage p;
  p.Picture.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      p.Picture.At(x, y) = MakeColor((x * 7 + y) & 0xFF, (y * 5) & 0xFF, (x * 3 + y * 11) & 0xFF);
    }
  }
  p.Mask.SetSize(w, h);
  for (int y = h / 2; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool second = two_regions && x >= w / 2;
      p.Mask.At(x, y) = second ? 0x00FF00FF : 0x000000FF;
    }
  }
  WaveSettings& a = p.WaveParams[0];
  a.Amplitude = 6; a.WaveCount = 9; a.PhaseStep = 12; a.Direction = 0;
  a.Horizontal = true; a.Vertical = true; a.Perspective = true; a.Period = 360; a.JitterRange = 0;
  WaveSettings& b = p.WaveParams[1];
  b.Amplitude = 4; b.WaveCount = 14; b.PhaseStep = 20; b.Direction = 1;
  b.Horizontal = true; b.Vertical = true; b.Perspective = false; b.Period = 180; b.JitterRange = 3;
  for (int i = 2; i < 4; ++i) p.WaveParams[i].Period = 360;
  return p;
}

}  // namespace lpc::reference
