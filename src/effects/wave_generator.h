// WaveGenerator: animates the water regions of a packed image. Every frame each region's
// pixels are moved by a travelling cosine displacement that depends on the row and on the
// region's phase; everything outside the regions stays the plain picture. When the image asks
// for weather, snow or rain is drawn over a copy of each finished frame (Overlay).
//
// Calling order for each packed image: AttachProject, SetWeather(false), Prepare,
// SetWeather(project.WeatherParam.Kind > 0); then once per frame Update and draw
// WeatherOn() ? *Overlay() : Output().
//
// A region whose Period is 0 is held still (its pixels stay the plain picture) instead of
// stopping the whole frame; every other region animates as usual.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "base/bitmap.h"
#include "base/canvas.h"
#include "package/packed_image.h"

namespace lpc {

class RainFall;
class SnowFall;

// The displacement of one region for one row.
struct WaveRowOffsets {
  int64_t V = 0;  // vertical
  int64_t H = 0;  // horizontal
};

class WaveGenerator {
 public:
  WaveGenerator();
  ~WaveGenerator();
  WaveGenerator(const WaveGenerator&) = delete;
  WaveGenerator& operator=(const WaveGenerator&) = delete;

  // Keeps a reference to project (not owned) and takes its speed. No other work.
  void AttachProject(PackedImage* project);
  // Sizes Output, builds every table, seeds the random generator from the clock, computes the
  // first frame and leaves Output equal to the plain picture with the phases one step on.
  void Prepare();
  // Works out which region every pixel belongs to, from the attached mask. It draws no random
  // numbers and touches nothing shared, so it may run ahead on an engine of its own on another
  // thread; AdoptLayout then hands the result to the engine that shows the picture.
  // With stretch_mask, a mask of another size than the picture is read stretched to it by whole
  // pixels (as FitProjectToSize stretches it), without a stretched copy being made.
  void PrepareLayout(bool stretch_mask = false);
  // Takes source's layout when source was laid out for the project attached here; Prepare then
  // skips that work.
  void AdoptLayout(WaveGenerator& source);
  // Computes the next frame into Output (and Overlay when weather is on), advances the phases.
  void Update();
  // Draws the plain picture into Output.
  void ResetOutput();
  // Drops any weather; when on, creates the project's weather and an Overlay.
  void SetWeather(bool on);
  // Keeps the frame in rows that belong to someone else (a window's own pixels) instead of
  // Output, which stays empty: row y at rows + y * stride, stride >= Width(). Prepare, and this
  // call on a prepared engine, put the plain picture there; between frames nothing else may
  // write those rows, since a frame changes only the pixels its water moves. Weather needs a
  // frame of the engine's own: turning it on copies the rows back and ends this. Null ends it.
  void DrawInto(Color* rows, ptrdiff_t stride);
  bool DrawsInto() const { return target_ != nullptr; }

  // The water frame. While weather is on it is worked out from Overlay on first request.
  const Bitmap& Output() const;
  // The water frame with the weather drawn over it; null while weather is off.
  const Bitmap* Overlay() const { return weather_on_ ? &frame_ : nullptr; }
  bool WeatherOn() const { return weather_on_; }
  const Bitmap* Picture() const { return picture_; }

  // State, for the window and for tests.
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t Phase(int region) const { return phase_[region]; }
  int32_t RegionTop(int region) const { return region_top_[region]; }
  int32_t RegionBottom(int region) const { return region_bottom_[region]; }
  // Region index 0..3 at (x, y), or -1.
  int RegionAt(int x, int y) const { return region_map_[static_cast<size_t>(y) * width_ + x]; }
  const std::vector<int32_t>& Jitter(int region) const { return jitter_[region]; }
  SnowFall* Snow() const { return snow_.get(); }
  RainFall* Rain() const { return rain_.get(); }

  // The row offsets Update would use for every row of the current frame: entry
  // [r * 4 + i] for row r and region i (rows outside a region hold zeros). A region that is
  // held still (Period 0) is marked in `still`.
  void ComputeRowOffsets(std::vector<WaveRowOffsets>& offsets, std::array<bool, 4>& still) const;

 private:
  // A run of one region's pixels within a row.
  struct Span {
    int32_t x0, x1;  // columns x0..x1-1
    int32_t region;
  };

  void BuildRegionMap(bool stretch_mask = false);
  void BuildJitter();
  void BuildSpans();
  // The map columns within c0..c1 where every row the jittered copy of row r reads or writes
  // holds region k; an empty pair when there are none.
  std::pair<int64_t, int64_t> InsideColumns(int64_t r, int64_t v, int64_t jmax, int k,
                                            int64_t c0, int64_t c1) const;
  void DisplaceRow(int32_t r, const WaveRowOffsets* offsets);
  // Moves every region's phase on by one frame's step.
  void AdvancePhases();
  // Takes the last frame's weather off frame_ again.
  void UndoWeather();
  // The jitter as steps in the target's rows, when they are not the picture's width apart.
  void BuildTargetSteps();

  int32_t height_ = 0;
  int32_t width_ = 0;
  std::array<int32_t, 4> phase_{};
  const Bitmap* picture_ = nullptr;
  const Bitmap* mask_ = nullptr;
  // One bitmap serves as Output and Overlay. The weather is drawn straight onto the water
  // frame, every pixel it changes logged in weather_undo_; the next frame first replays the log
  // backwards, so the water is worked on as if the weather had never been there. Output, while
  // weather is on, is a copy with the log replayed, made only when somebody asks for it.
  Bitmap frame_;
  std::vector<std::pair<size_t, Color>> weather_undo_;
  mutable Bitmap clean_;
  mutable bool clean_valid_ = false;
  int32_t speed_percent_ = 100;
  std::vector<int8_t> region_map_;  // height_ rows of width_ entries: -1 dry, else 0..3
  std::array<std::vector<int32_t>, 4> jitter_;
  std::array<bool, 4> flat_jitter_{};  // every column's offset is 0
  std::array<int32_t, 4> jitter_max_{};
  // min(Jitter, Height) * Width: the jitter as an offset in pixels (only used where the jitter
  // stays within the picture).
  std::array<std::vector<int32_t>, 4> jitter_steps_;
  std::array<const WaveSettings*, 4> params_{};
  std::array<int32_t, 4> region_top_{};
  std::array<int32_t, 4> region_bottom_{};
  PackedImage* project_ = nullptr;
  std::unique_ptr<SnowFall> snow_;
  std::unique_ptr<RainFall> rain_;
  bool weather_on_ = false;

  // Region pixels of each row as runs, so that frames never visit still pixels.
  std::vector<Span> spans_;
  std::vector<uint32_t> row_spans_;  // height_ + 1 offsets into spans_
  std::vector<WaveRowOffsets> offsets_;  // scratch, height_ * 4

  // The frame's rows when DrawInto gave them; target_steps_ as jitter_steps_ in their stride.
  Color* target_ = nullptr;
  ptrdiff_t target_stride_ = 0;
  std::array<std::vector<int32_t>, 4> target_steps_;
  bool prepared_ = false;  // Prepare ran for the attached project

  // The region map and spans belong to the attached project already.
  bool layout_ready_ = false;
};

}  // namespace lpc
