// The fade from one picture to the next, and the copy of the screen it starts from.
#include <algorithm>
#include <cstring>

#include "effects/bitmap_effects.h"
#include "effects/wave_generator.h"
#include "presentation/show_window.h"
#include "presentation/slideshow_rules.h"

namespace lpc {

namespace {

// Copies bitmap into target with its top-left corner at (x, y), clipped to target.
void CopyInto(Bitmap& target, const Bitmap& bitmap, int x, int y) {
  const int x0 = std::max(0, x);
  const int y0 = std::max(0, y);
  const int x1 = std::min(target.width(), x + bitmap.width());
  const int y1 = std::min(target.height(), y + bitmap.height());
  if (x1 <= x0 || y1 <= y0) return;
  for (int row = y0; row < y1; ++row) {
    std::memcpy(target.Row(row) + x0, bitmap.Row(row - y) + (x0 - x),
                static_cast<size_t>(x1 - x0) * sizeof(Color));
  }
}

}  // namespace

void ShowWindow::SyncScreen() {
  if (screen_.empty() && screen_w_ > 0 && screen_h_ > 0) screen_.SetSize(screen_w_, screen_h_, 0);
  if (!frame_pending_) return;
  frame_pending_ = false;
  CheckWindowPixels();  // the window's pixels may have gone with a change of its size
  if (FrameInWindow()) {
    const Rect r = CoveredPart(pending_pos_, FrameSize(), screen_w_, screen_h_);
    for (int y = r.top; y < r.bottom; ++y) {
      const Color* row = window_pixels_ + y * window_stride_;
      std::copy(row + r.left, row + r.right, screen_.Row(y) + r.left);
    }
    return;
  }
  const Bitmap* frame = FrameBitmap();
  if (frame) CopyInto(screen_, *frame, pending_pos_.x, pending_pos_.y);
}

void ShowWindow::ClearScreen() {
  frame_pending_ = false;
  full_redraw_ = true;
  screen_ = Bitmap();
  // The frame that follows draws the whole picture over its part of the screen; only the rest
  // goes black now (a whole black screen first would be a second full present at a change).
  if (window_) FillAround(FrameSize(), PicturePos());
}

void ShowWindow::PlayTransition(uint32_t duration_ms) {
  transition_amounts_.clear();
  transition_steps_ = 0;
  if (screen_w_ <= 0 || screen_h_ <= 0) return;

  // The fade goes from the screen as it stands (the old picture) to the new picture on black,
  // on 32-bit pixels with the surfaces' arithmetic. The new picture is read where it lies and
  // each step's rows go straight to the window: one screen of memory, the old one.
  SyncScreen();
  Bitmap old = std::move(screen_);
  screen_ = Bitmap();
  const Bitmap* picture = nullptr;
  if (is_plain_picture_) {
    picture = &plain_bitmap_;
  } else if (packed_ready_) {
    picture = wave_engine_->Picture();
  }
  if (picture && picture->empty()) picture = nullptr;
  // The part of the screen the new picture covers.
  Point pos;
  Rect cover;
  if (picture) {
    pos = PicturePosition(picture->width(), picture->height(), screen_w_, screen_h_, Stretch,
                          Proportional);
    cover = CoveredPart(pos, Size{picture->width(), picture->height()}, screen_w_, screen_h_);
    if (cover.IsEmpty()) picture = nullptr;
  }
  const size_t w = static_cast<size_t>(screen_w_);
  const Rect whole{0, 0, screen_w_, screen_h_};
  const auto blend = [&](int amount) {
    if (!window_) return;
    window_->PresentRows(whole, [&](int y, Color* out) {
      const Color* before = old.Row(y);
      if (!picture || y < cover.top || y >= cover.bottom) {
        BlendPixels(out, nullptr, before, w, amount);
        return;
      }
      const size_t l = static_cast<size_t>(cover.left), r = static_cast<size_t>(cover.right);
      BlendPixels(out, nullptr, before, l, amount);
      BlendPixels(out + l, picture->Row(y - pos.y) + (cover.left - pos.x), before + l, r - l,
                  amount);
      BlendPixels(out + r, nullptr, before + r, w - r, amount);
    });
  };

  const uint32_t t0 = platform_.Ticks();
  blend(kFadeFirstAmount);
  transition_amounts_.push_back(kFadeFirstAmount);
  const uint32_t first = TickDiff(platform_.Ticks(), t0);
  const int steps = TransitionStepCount(duration_ms, first);
  transition_steps_ = steps;
  // Input between two steps ends the show there: the pictures the fade reads may be gone
  // once it has been handled, so nothing of them is touched after that.
  if (InputEndedShow()) return;
  for (int i = 1; i <= steps; ++i) {
    const int amount = TransitionAmount(i, steps);
    blend(amount);
    transition_amounts_.push_back(amount);
    if (InputEndedShow()) return;
    // Keep to the schedule when the steps run faster than measured.
    const uint64_t due =
        uint64_t{duration_ms} * static_cast<uint64_t>(i) / static_cast<uint64_t>(steps);
    const uint32_t elapsed = TickDiff(platform_.Ticks(), t0);
    if (elapsed < due) platform_.Sleep(static_cast<uint32_t>(due - elapsed));
  }
  // What the screen now shows is the new picture on black; the next whole frame lets it go.
  old = Bitmap();
  CheckWindowPixels();
  if (FrameInWindow()) {
    // The frame kept in the window's pixels was painted over by the fade: it starts again from
    // the plain picture, as it stood when the fade began. The window holds the screen.
    wave_engine_->ResetOutput();
  } else {
    screen_.SetSize(screen_w_, screen_h_, 0);
    if (picture) CopyInto(screen_, *picture, pos.x, pos.y);
  }
  frame_pending_ = false;
  full_redraw_ = true;
}

}  // namespace lpc
