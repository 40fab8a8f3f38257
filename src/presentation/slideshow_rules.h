// The slideshow's arithmetic: picture order, when a picture changes, how big a picture is drawn
// and where, and the amounts of the cross-fade. Plain functions over plain numbers, so the
// window stays a thin caller and every rule can be checked on its own.
#pragma once

#include <cstdint>

#include "base/canvas.h"

namespace lpc {

// Picture order values (the project's ShowImageMode and the user's "ImageMode").
enum PictureOrder : int {
  kAllImagesRandom = 0,
  kAllImagesSequential = 1,
  kFavoritesRandom = 2,
  kSingleSelectedImage = 3,
};

// The next picture index for n pictures after index current (-1 before the first choice).
// Random modes (0 and 2) never pick the same picture twice in a row when there are two or
// more; every other mode walks the list and starts again from the top.
int NextImageIndex(int mode, int count, int current);

// The step both playlists take after index current (-1 before the first choice) of count:
// at random, any index but current when there are two or more (0 otherwise); else the next
// one, wrapping to 0.
int NextIndex(bool at_random, int count, int current);

// The tick count of the system wraps every 2^32 ms; differences are taken modulo 2^32.
inline uint32_t TickDiff(uint32_t now, uint32_t before) { return now - before; }

// True when a picture shown since last_change has stayed duration_seconds whole seconds.
bool ChangeDue(uint32_t now, uint32_t last_change, int duration_seconds);

// Display size of a width x height picture on a screen_w x screen_h screen. Without stretch
// the picture keeps its size; with stretch it fills the screen, and with proportional too it
// fills the width or the height with its aspect ratio kept (rounded, ties to even).
// A picture of zero height cannot keep proportions: DivisionByZeroError.
Size ScaledPictureSize(int width, int height, int screen_w, int screen_h, bool stretch,
                        bool proportional);

// Where a picture of the given display size is drawn: (0, 0) when stretched without
// proportions, else centred (truncating toward zero; larger pictures get negative positions).
Point PicturePosition(int picture_w, int picture_h, int screen_w, int screen_h, bool stretch,
                       bool proportional);

// The part of a screen_w x screen_h screen that a picture of the given size drawn at pos
// covers; empty when it lies wholly off the screen.
Rect CoveredPart(Point pos, Size picture, int screen_w, int screen_h);

// The cross-fade: a first blend with kFadeFirstAmount, then steps 1..k with
// Round(i * kFadeAmountRange / k) + kFadeFirstAmount, so that the last step is 255.
inline constexpr int kFadeFirstAmount = 10;
inline constexpr int kFadeAmountRange = 245;
inline constexpr uint32_t kTransitionMs = 2000;
// The show's frame period; also the step length a fade assumes when the first step was too
// quick for the tick counter to measure.
inline constexpr uint32_t kFrameMs = 33;

// Number of steps after the first blend, given the fade time and the measured duration of the
// first blend in ms. A step too fast to measure (0 ms) counts as one frame period, so that the
// fade neither divides by zero nor rushes through thousands of steps; there is always at least
// one step, so the fade ends on the new picture.
int TransitionStepCount(uint32_t duration_ms, uint32_t first_step_ms);
// Blend amount of step i of k (1 <= i <= k).
int TransitionAmount(int step, int steps);

}  // namespace lpc
