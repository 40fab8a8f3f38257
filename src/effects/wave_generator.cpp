#include "effects/wave_generator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>

#include "base/canvas.h"
#include "base/errors.h"
#include "base/numbers.h"
#include "base/random.h"
#include "effects/weather.h"

namespace lpc {

namespace {

constexpr int32_t kEmptyTop = 50000;
constexpr int32_t kEmptyBottom = 0;

double CosDegExact(int64_t a) {
  return std::cos(static_cast<double>(a) * std::numbers::pi / 180.0);
}

// Cosines of whole degrees -359..359, computed by the very same expression as CosDegExact, so a
// lookup returns the identical double. Every t mod 360, and t mod Period for periods up to 360,
// falls in this range.
struct CosTable {
  double v[719];
  CosTable() {
    for (int a = -359; a <= 359; ++a) v[a + 359] = CosDegExact(a);
  }
};

double CosDeg(int64_t a) {
  static const CosTable table;
  if (a > -360 && a < 360) return table.v[a + 359];
  return CosDegExact(a);
}

// Truncating mod, safe for every divisor (t % -1 may trap for the smallest int64).
int64_t Mod(int64_t t, int64_t p) { return (p == 1 || p == -1) ? 0 : t % p; }

int64_t Clamp64(int64_t v, int64_t hi) { return v < 0 ? 0 : (v > hi ? hi : v); }

// Adds to a phase with 32-bit wrap-around; phases are never reduced, only wrapped when they
// pass the int32 range after days of running.
int32_t WrapAdd(int32_t phase, int64_t delta) {
  return static_cast<int32_t>(static_cast<uint32_t>(phase) + static_cast<uint32_t>(delta));
}

// The inner loops of DisplaceRow for the part of a span that needs no clamping.
//
// Flat jitter: one destination row and one source row for the whole span, a shifted, masked
// copy written so that the compiler turns it into vector code.
void CopyFlat(const int8_t* __restrict md, const int8_t* __restrict ms,
              const Color* __restrict src, Color* __restrict dst, int k, int64_t lo, int64_t hi) {
  const int8_t kk = static_cast<int8_t>(k);
  for (int64_t x = lo; x < hi; ++x) {
    const uint32_t keep = static_cast<uint32_t>(-static_cast<int32_t>((md[x] == kk) & (ms[x] == kk)));
    dst[x] = (src[x] & keep) | (dst[x] & ~keep);
  }
}

// Where a jittered copy writes: the frame's row r and the jitter as a step in pixels of the
// frame's rows (the same as the picture's, unless the frame lies in wider rows of its own).
struct JitterTarget {
  Color* row;
  const int32_t* steps;
};

// Jittered columns: each column has its own destination row, given as a step in pixels.
// Kept out of line: inlined into DisplaceRow it runs short of registers.
template <bool kOwnStride>
__attribute__((noinline)) void CopyJittered(const int8_t* __restrict map,
                                            const Color* __restrict pic, JitterTarget out,
                                            const int32_t* __restrict steps, ptrdiff_t dbase,
                                            ptrdiff_t sbase, int64_t h, int k, int64_t lo,
                                            int64_t hi) {
  const int8_t kk = static_cast<int8_t>(k);
  const int8_t* md = map + dbase + h;
  const int8_t* ms = map + sbase + h;
  const Color* src = pic + sbase + h;
  Color* __restrict dst = out.row;
  const int32_t* __restrict dsteps = out.steps;
  for (int64_t x = lo; x < hi; ++x) {
    const ptrdiff_t i = x - steps[x];
    if (md[i] == kk && ms[i] == kk) {
      dst[kOwnStride ? x - dsteps[x] : i] = src[i];
    }
  }
}

// The same where every destination and source pixel is known to lie in the region: no checks,
// no branches.
template <bool kOwnStride>
__attribute__((noinline)) void CopyJitteredInside(const Color* __restrict pic, JitterTarget out,
                                                  const int32_t* __restrict steps,
                                                  ptrdiff_t sbase, int64_t h, int64_t lo,
                                                  int64_t hi) {
  const Color* src = pic + sbase + h;
  Color* __restrict dst = out.row;
  const int32_t* __restrict dsteps = out.steps;
  for (int64_t x = lo; x < hi; ++x) {
    const ptrdiff_t i = x - steps[x];
    dst[kOwnStride ? x - dsteps[x] : i] = src[i];
  }
}

// The jittered copy of the columns lo..hi of one span, split where the band of rows it reaches
// lies inside the region (in_lo..in_hi, picture columns, empty when in_lo >= in_hi).
template <bool kOwnStride>
void CopyJitteredSpan(const int8_t* map, const Color* pic, JitterTarget out,
                      const int32_t* steps, ptrdiff_t dbase, ptrdiff_t sbase, int64_t h, int k,
                      int64_t lo, int64_t hi, int64_t in_lo, int64_t in_hi) {
  if (in_lo < in_hi) {
    CopyJittered<kOwnStride>(map, pic, out, steps, dbase, sbase, h, k, lo, in_lo - h);
    CopyJitteredInside<kOwnStride>(pic, out, steps, sbase, h, in_lo - h, in_hi - h);
    CopyJittered<kOwnStride>(map, pic, out, steps, dbase, sbase, h, k, in_hi - h, hi);
  } else {
    CopyJittered<kOwnStride>(map, pic, out, steps, dbase, sbase, h, k, lo, hi);
  }
}

}  // namespace

WaveGenerator::WaveGenerator() {
  region_top_.fill(kEmptyTop);
  region_bottom_.fill(kEmptyBottom);
}

WaveGenerator::~WaveGenerator() = default;

void WaveGenerator::AttachProject(PackedImage* project) {
  project_ = project;
  layout_ready_ = false;
  prepared_ = false;
  if (project == nullptr) {
    picture_ = mask_ = nullptr;
    params_.fill(nullptr);
    return;
  }
  picture_ = &project->Picture;
  mask_ = &project->Mask;
  for (int i = 0; i < 4; ++i) params_[i] = &project->WaveParams[i];
  speed_percent_ = project->SpeedPercent;
}

void WaveGenerator::Prepare() {
  if (project_ == nullptr) throw Error("TWaveGenerator: Prepare without a packed image");
  width_ = picture_->width();
  height_ = picture_->height();
  weather_undo_.clear();
  Randomize();
  phase_.fill(0);
  if (!layout_ready_) {
    BuildRegionMap();
    BuildSpans();
  }
  if (target_ && weather_on_) DrawInto(nullptr, 0);
  BuildJitter();
  prepared_ = true;
  if (target_) {
    AdvancePhases();
    ResetOutput();
    return;
  }
  if (weather_on_) {
    // The weather's step draws random numbers: the first frame is made in full.
    frame_.SetSize(width_, height_);
    Update();
    ResetOutput();
    return;
  }
  // Without weather the first frame's water would be overwritten by the plain picture at once:
  // only its step of the phases is kept. This runs on the frame thread at every change.
  AdvancePhases();
  clean_valid_ = false;
  frame_ = *picture_;
}

void WaveGenerator::PrepareLayout(bool stretch_mask) {
  if (project_ == nullptr) throw Error("TWaveGenerator: PrepareLayout without a packed image");
  width_ = picture_->width();
  height_ = picture_->height();
  BuildRegionMap(stretch_mask);
  BuildSpans();
  layout_ready_ = true;
}

void WaveGenerator::AdoptLayout(WaveGenerator& source) {
  if (!source.layout_ready_ || source.project_ != project_ || project_ == nullptr ||
      source.width_ != picture_->width() || source.height_ != picture_->height()) {
    return;
  }
  region_map_ = std::move(source.region_map_);
  region_top_ = source.region_top_;
  region_bottom_ = source.region_bottom_;
  spans_ = std::move(source.spans_);
  row_spans_ = std::move(source.row_spans_);
  offsets_ = std::move(source.offsets_);
  source.layout_ready_ = false;
  layout_ready_ = true;
}

void WaveGenerator::BuildRegionMap(bool stretch_mask) {
  region_map_.assign(static_cast<size_t>(width_) * height_, -1);
  region_top_.fill(kEmptyTop);
  region_bottom_.fill(kEmptyBottom);
  // The mask's region codes row by row, rows read from the top down: from the mask bitmap, or
  // straight from its runs when the project kept only those.
  const bool from_runs = mask_->empty() && !project_->MaskRuns.empty();
  const int sw = from_runs ? project_->MaskWidth : mask_->width();
  const int sh = from_runs ? project_->MaskHeight : mask_->height();
  std::optional<MaskRowReader> runs;
  if (from_runs) runs.emplace(project_->MaskRuns, sw, sh);
  std::vector<uint8_t> codes(static_cast<size_t>(std::max(sw, 0)));
  const auto mask_row = [&](int y) -> const uint8_t* {
    if (runs) return runs->Row(y);
    const Color* row = mask_->Row(y);
    for (int x = 0; x < sw; ++x) codes[x] = static_cast<uint8_t>(ColorToRegion(row[x]));
    return codes.data();
  };
  if (stretch_mask && (sw != width_ || sh != height_) && sw > 0 && sh > 0 && width_ > 0) {
    // Map pixel (x, y) takes mask pixel (x * sw / width, y * sh / height). Each mask row is
    // read once; a map row repeated from the mask is copied from the row above.
    std::vector<int32_t> xmap(static_cast<size_t>(width_));
    for (int x = 0; x < width_; ++x) {
      xmap[x] = static_cast<int32_t>(int64_t{x} * sw / width_);
    }
    int last = -1;
    unsigned present = 0;  // the regions of the last map row, one bit each
    for (int y = 0; y < height_; ++y) {
      const int sy = static_cast<int>(int64_t{y} * sh / height_);
      int8_t* map = &region_map_[static_cast<size_t>(y) * width_];
      if (sy == last) {
        std::memcpy(map, map - width_, static_cast<size_t>(width_));
      } else {
        const uint8_t* row = mask_row(sy);
        present = 0;
        for (int x = 0; x < width_; ++x) {
          map[x] = static_cast<int8_t>(static_cast<int>(row[xmap[x]]) - 1);
          if (map[x] >= 0) present |= 1u << map[x];
        }
        last = sy;
      }
      for (int k = 0; k < 4; ++k) {
        if (!(present & (1u << k))) continue;
        region_top_[k] = std::min(region_top_[k], y);
        region_bottom_[k] = std::max(region_bottom_[k], y);
      }
    }
    return;
  }
  // A mask of another size than the picture is read where it overlaps; the rest is dry.
  const int mw = std::min(width_, sw);
  const int mh = std::min(height_, sh);
  for (int y = 0; y < mh; ++y) {
    const uint8_t* row = mask_row(y);
    int8_t* map = &region_map_[static_cast<size_t>(y) * width_];
    for (int x = 0; x < mw; ++x) {
      const int k = row[x];
      if (k <= 0) continue;
      region_top_[k - 1] = std::min(region_top_[k - 1], y);
      region_bottom_[k - 1] = std::max(region_bottom_[k - 1], y);
      map[x] = static_cast<int8_t>(k - 1);
    }
  }
}

void WaveGenerator::BuildJitter() {
  for (int i = 0; i < 4; ++i) {
    jitter_[i].resize(static_cast<size_t>(width_));
    const int32_t range = params_[i]->JitterRange;
    jitter_steps_[i].resize(static_cast<size_t>(width_));
    int32_t most = 0;
    for (int32_t x = 0; x < width_; ++x) {
      jitter_[i][x] = Random(range);
      most = std::max(most, jitter_[i][x]);
      jitter_steps_[i][x] = std::min(jitter_[i][x], height_) * width_;
    }
    jitter_max_[i] = most;
    flat_jitter_[i] = most == 0;
  }
  BuildTargetSteps();
}

void WaveGenerator::BuildTargetSteps() {
  for (int i = 0; i < 4; ++i) {
    if (!target_ || target_stride_ == width_) {
      target_steps_[i].clear();
      continue;
    }
    target_steps_[i].resize(jitter_[i].size());
    for (size_t x = 0; x < jitter_[i].size(); ++x) {
      target_steps_[i][x] =
          static_cast<int32_t>(std::min(jitter_[i][x], height_) * target_stride_);
    }
  }
}

void WaveGenerator::DrawInto(Color* rows, ptrdiff_t stride) {
  target_ = rows;
  target_stride_ = rows ? stride : 0;
  frame_ = Bitmap();
  clean_ = Bitmap();
  clean_valid_ = false;
  if (!prepared_) return;  // Prepare sets the frame up
  // Prepared already: the frame starts again from the plain picture, in its new place.
  BuildTargetSteps();
  if (!rows) frame_.SetSizeForOverwrite(width_, height_);
  ResetOutput();
}

void WaveGenerator::BuildSpans() {
  spans_.clear();
  row_spans_.assign(static_cast<size_t>(height_) + 1, 0);
  for (int32_t y = 0; y < height_; ++y) {
    row_spans_[y] = static_cast<uint32_t>(spans_.size());
    const int8_t* map = &region_map_[static_cast<size_t>(y) * width_];
    int32_t x = 0;
    while (x < width_) {
      const int8_t k = map[x];
      int32_t e = x + 1;
      while (e < width_ && map[e] == k) ++e;
      if (k >= 0) spans_.push_back(Span{x, e, k});
      x = e;
    }
  }
  row_spans_[height_] = static_cast<uint32_t>(spans_.size());
  offsets_.assign(static_cast<size_t>(height_) * 4, WaveRowOffsets{});
}

void WaveGenerator::ComputeRowOffsets(std::vector<WaveRowOffsets>& offsets,
                                      std::array<bool, 4>& still) const {
  offsets.assign(static_cast<size_t>(height_) * 4, WaveRowOffsets{});
  double A[4], F[4], dA[4] = {0, 0, 0, 0}, dF[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    const WaveSettings& p = *params_[i];
    // A Period of 0 would divide by zero; that region is held still instead.
    still[i] = p.Period == 0;
    if (still[i]) continue;
    A[i] = p.Amplitude;
    F[i] = p.WaveCount / (360.0 / p.Period);
    if (p.Perspective) {
      A[i] = 0;
      const int32_t n = region_bottom_[i] - region_top_[i];
      if (n != 0) {
        dA[i] = static_cast<double>(p.Amplitude) / n;
        dF[i] = F[i] / n;
      } else {
        dA[i] = p.Amplitude;
        dF[i] = F[i];
      }
    }
  }
  for (int32_t r = 0; r < height_; ++r) {
    for (int i = 0; i < 4; ++i) {
      if (still[i] || r < region_top_[i] || r > region_bottom_[i]) continue;
      const WaveSettings& p = *params_[i];
      if (p.Perspective) {
        A[i] = A[i] + dA[i];
        F[i] = F[i] - dF[i] / 10;
      }
      const int64_t t =
          Round(static_cast<double>(height_ - r) * F[i] * 360 / height_ + phase_[i]);
      WaveRowOffsets& o = offsets[static_cast<size_t>(r) * 4 + i];
      o.V = Round(CosDeg(Mod(t, p.Period)) * A[i]);
      o.H = Round(CosDeg(Mod(t, 360)) * A[i]);
    }
  }
}

void WaveGenerator::Update() {
  if (project_ == nullptr ||
      (!target_ && (frame_.width() != width_ || frame_.height() != height_))) {
    throw Error("TWaveGenerator: Update before Prepare");
  }
  std::array<bool, 4> still{};
  ComputeRowOffsets(offsets_, still);
  UndoWeather();
  for (int32_t r = 0; r < height_; ++r) DisplaceRow(r, &offsets_[static_cast<size_t>(r) * 4]);
  AdvancePhases();
  if (!weather_on_) return;
  // Overlay is the water frame itself; the weather is drawn onto it with its pixels logged.
  const WeatherSettings& w = project_->WeatherParam;
  if (w.Kind == kWeatherSnow && snow_) {
    snow_->UndoLog = &weather_undo_;
    snow_->SpeedPercent = speed_percent_;
    snow_->SpeedIndex = w.SpeedIndex;
    snow_->Step();
  } else if (w.Kind == kWeatherRain && rain_) {
    rain_->UndoLog = &weather_undo_;
    rain_->SpeedPercent = speed_percent_;
    rain_->SpeedIndex = w.SpeedIndex;
    rain_->LengthTenths = w.Length;
    // 180 - Angle mirrors the authoring tool's angle; reduce absurd angles to one turn first.
    const int64_t angle = 180 - int64_t{w.Angle};
    rain_->Angle = static_cast<int32_t>(
        (angle > INT32_MAX || angle < INT32_MIN) ? angle % 360 : angle);
    rain_->Step();
  }
}

void WaveGenerator::AdvancePhases() {
  for (int i = 0; i < 4; ++i) {
    const WaveSettings& p = *params_[i];
    const int64_t s = Round(static_cast<double>(int64_t{p.PhaseStep} * speed_percent_) / 100);
    phase_[i] = WrapAdd(phase_[i], p.Direction == 0 ? -s : s);
  }
}

void WaveGenerator::UndoWeather() {
  clean_valid_ = false;
  if (weather_undo_.empty()) return;
  Color* const px = frame_.data();
  const size_t n = frame_.pixel_count();
  for (auto it = weather_undo_.rbegin(); it != weather_undo_.rend(); ++it) {
    if (it->first < n) px[it->first] = it->second;
  }
  weather_undo_.clear();
}

const Bitmap& WaveGenerator::Output() const {
  if (weather_undo_.empty()) return frame_;
  if (!clean_valid_) {
    clean_ = frame_;
    Color* const px = clean_.data();
    const size_t n = clean_.pixel_count();
    for (auto it = weather_undo_.rbegin(); it != weather_undo_.rend(); ++it) {
      if (it->first < n) px[it->first] = it->second;
    }
    clean_valid_ = true;
  }
  return clean_;
}

// Moves the region pixels of row r. Only the pixels of the row's region spans are visited;
// a pixel is written only when the region map holds its own region at both the destination
// and the source position, so pixels are never dragged across a region border. Each span is
// split into the part where no coordinate needs clamping, which runs a lean loop, and the
// edges, which clamp every coordinate.
void WaveGenerator::DisplaceRow(int32_t r, const WaveRowOffsets* offsets) {
  const int64_t hmax = height_ - 1, wmax = width_ - 1;
  const Color* const pic = picture_->data();
  Color* const out = target_ ? target_ : frame_.data();
  const int8_t* const map = region_map_.data();
  const ptrdiff_t w = width_;
  const ptrdiff_t ow = target_ ? target_stride_ : w;  // the frame's row stride
  for (uint32_t si = row_spans_[r]; si < row_spans_[r + 1]; ++si) {
    const Span& sp = spans_[si];
    const int k = sp.region;
    const WaveSettings& p = *params_[k];
    if (p.Period == 0) continue;  // held still: keeps the plain picture
    const int64_t v = p.Vertical ? offsets[k].V : 0;
    const int64_t h = p.Horizontal ? offsets[k].H : 0;
    const int32_t* jit = jitter_[k].data();

    // Every coordinate clamped, for the edges.
    auto clamped = [&](int64_t x0, int64_t x1) {
      for (int64_t x = x0; x < x1; ++x) {
        const int64_t base = r - int64_t{jit[x]};
        const int64_t yd = Clamp64(base, hmax);
        const int64_t ys = Clamp64(base + v, hmax);
        const int64_t xs = Clamp64(x + h, wmax);
        if (map[yd * w + xs] == k && map[ys * w + xs] == k) out[yd * ow + x] = pic[ys * w + xs];
      }
    };
    // Columns whose source column x + h lies inside the picture.
    const int64_t lo = std::clamp<int64_t>(-h, sp.x0, sp.x1);
    const int64_t hi = std::clamp<int64_t>(wmax - h + 1, lo, sp.x1);
    // Rows: every destination r - j and source r - j + v inside the picture for all j.
    const int64_t jmax = jitter_max_[k];
    const bool rows_inside = r - jmax >= 0 && r - jmax + v >= 0 && r + v <= hmax;
    if (!rows_inside) {
      clamped(sp.x0, sp.x1);
      continue;
    }
    clamped(sp.x0, lo);
    const ptrdiff_t dbase = r * w;           // destination row r, before the jitter step
    const ptrdiff_t sbase = (r + v) * w;     // source row r + v, before the jitter step
    if (flat_jitter_[k]) {
      CopyFlat(map + dbase + h, map + sbase + h, pic + sbase + h, out + r * ow, k, lo, hi);
    } else {
      // Where the whole band of rows the jitter reaches holds this region, the region checks
      // always pass: copy those columns without them.
      const auto [in_lo, in_hi] = InsideColumns(r, v, jmax, k, lo + h, hi + h);
      const int32_t* steps = jitter_steps_[k].data();
      if (ow == w) {
        CopyJitteredSpan<false>(map, pic, {out + dbase, steps}, steps, dbase, sbase, h, k, lo,
                                hi, in_lo, in_hi);
      } else {
        CopyJitteredSpan<true>(map, pic, {out + r * ow, target_steps_[k].data()}, steps, dbase,
                               sbase, h, k, lo, hi, in_lo, in_hi);
      }
    }
    clamped(hi, sp.x1);
  }
}

std::pair<int64_t, int64_t> WaveGenerator::InsideColumns(int64_t r, int64_t v, int64_t jmax, int k,
                                                         int64_t c0, int64_t c1) const {
  // Destination rows run r - jmax .. r, source rows the same moved by v; the jitter is never
  // negative. Every row between holds region k over the columns returned.
  const int64_t y0 = std::min(r - jmax, r - jmax + v);
  const int64_t y1 = std::max(r, r + v);
  int64_t a = c0, b = c1;
  for (int64_t y = y0; y <= y1 && a < b; ++y) {
    const int64_t mid = a + (b - a) / 2;
    bool found = false;
    for (uint32_t si = row_spans_[y]; si < row_spans_[y + 1]; ++si) {
      const Span& sp = spans_[si];
      if (sp.x0 > mid) break;
      if (sp.region == k && mid < sp.x1) {
        a = std::max<int64_t>(a, sp.x0);
        b = std::min<int64_t>(b, sp.x1);
        found = true;
        break;
      }
    }
    if (!found) return {0, 0};
  }
  return a < b ? std::pair{a, b} : std::pair<int64_t, int64_t>{0, 0};
}

void WaveGenerator::ResetOutput() {
  weather_undo_.clear();
  clean_valid_ = false;
  if (picture_ == nullptr) return;
  if (target_) {
    const size_t n = static_cast<size_t>(std::min(width_, picture_->width()));
    for (int y = 0; y < std::min(height_, picture_->height()); ++y) {
      std::memcpy(target_ + y * target_stride_, picture_->Row(y), n * sizeof(Color));
    }
    return;
  }
  if (frame_.width() == picture_->width() && frame_.height() == picture_->height()) {
    frame_ = *picture_;
  } else {
    Canvas(frame_).Draw(0, 0, *picture_);
  }
}

void WaveGenerator::SetWeather(bool on) {
  UndoWeather();
  weather_on_ = on;
  snow_.reset();
  rain_.reset();
  if (!on || project_ == nullptr) return;
  if (target_) {
    // The weather is drawn on a frame of the engine's own, the water as it stands included.
    frame_.SetSizeForOverwrite(width_, height_);
    for (int y = 0; y < height_; ++y) {
      std::memcpy(frame_.Row(y), target_ + y * target_stride_, sizeof(Color) * width_);
    }
    target_ = nullptr;
    target_stride_ = 0;
    BuildTargetSteps();
  }
  const WeatherSettings& w = project_->WeatherParam;
  if (w.Kind == kWeatherSnow) {
    snow_ = std::make_unique<SnowFall>();
    snow_->Target = &frame_;
    snow_->SetCount(w.Count);
    snow_->Scatter();
  } else if (w.Kind == kWeatherRain) {
    rain_ = std::make_unique<RainFall>();
    rain_->LengthTenths = 10;
    rain_->SetCount(100);
    rain_->Target = &frame_;
    rain_->SetCount(w.Count);
    rain_->Scatter();
  }
}

}  // namespace lpc
