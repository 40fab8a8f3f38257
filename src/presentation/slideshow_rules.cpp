#include "presentation/slideshow_rules.h"

#include <algorithm>

#include "base/numbers.h"
#include "base/random.h"

namespace lpc {

int NextIndex(bool at_random, int count, int current) {
  if (at_random) {
    if (count < 2) return 0;
    int next;
    do {
      next = Random(count);
    } while (next == current);
    return next;
  }
  return current + 1 >= count ? 0 : current + 1;
}

int NextImageIndex(int mode, int count, int current) {
  return NextIndex(mode == kAllImagesRandom || mode == kFavoritesRandom, count, current);
}

bool ChangeDue(uint32_t now, uint32_t last_change, int duration_seconds) {
  const int64_t elapsed = TickDiff(now, last_change) / 1000;
  return elapsed >= duration_seconds;
}

Size ScaledPictureSize(int width, int height, int screen_w, int screen_h, bool stretch,
                        bool proportional) {
  Size size{width, height};
  if (!stretch) return size;
  size = {screen_w, screen_h};
  if (proportional) {
    const double ratio = FDiv(width, height);
    if (screen_h != 0 && width > (int64_t{height} * screen_w) / screen_h) {
      size.height = static_cast<int>(Round(FDiv(screen_w, ratio)));
    } else {
      size.width = static_cast<int>(Round(screen_h * ratio));
    }
  }
  return size;
}

Point PicturePosition(int picture_w, int picture_h, int screen_w, int screen_h, bool stretch,
                       bool proportional) {
  if (stretch && !proportional) return {0, 0};
  return {(screen_w - picture_w) / 2, (screen_h - picture_h) / 2};
}

Rect CoveredPart(Point pos, Size picture, int screen_w, int screen_h) {
  return Rect{std::clamp(pos.x, 0, screen_w), std::clamp(pos.y, 0, screen_h),
              std::clamp(pos.x + picture.width, 0, screen_w),
              std::clamp(pos.y + picture.height, 0, screen_h)};
}

int TransitionStepCount(uint32_t duration_ms, uint32_t first_step_ms) {
  const uint32_t step = first_step_ms == 0 ? kFrameMs : first_step_ms;
  // At least one step, so the fade always ends on the new picture even when a single blend
  // takes longer than the whole fade should.
  return std::max(1, static_cast<int>(duration_ms / step));
}

int TransitionAmount(int step, int steps) {
  if (steps <= 0) return kFadeFirstAmount + kFadeAmountRange;
  return static_cast<int>(Round(static_cast<double>(step) * kFadeAmountRange / steps)) +
         kFadeFirstAmount;
}

}  // namespace lpc
