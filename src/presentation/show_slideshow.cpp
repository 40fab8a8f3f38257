// The slideshow: which picture comes next and when, loading it ahead on the picture loader's
// worker, and putting it on screen.
#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <utility>
#include <vector>

#include "base/paths.h"
#include "effects/wave_generator.h"
#include "presentation/show_window.h"
#include "presentation/slideshow_rules.h"

namespace lpc {

void ShowWindow::ChangePictureWhenDue() {
  if (image_files_.empty()) return;
  const FitOptions fit = PictureFit();
  if (!change_pending_) {
    // The next picture is loaded a little ahead of its change, not for the current picture's
    // whole time: two pictures in memory only while it is needed.
    if (!loader_.Busy() &&
        TickDiff(platform_.Ticks(), last_change_tick_) + kLoadAheadMs >= int64_t{Duration} * 1000) {
      LoadNextAhead();
    }
    if (!change_now_ && !ChangeDue(platform_.Ticks(), last_change_tick_, Duration)) return;
    change_now_ = false;
    image_index_ =
        NextImageIndex(ShowImageMode, static_cast<int>(image_files_.size()), image_index_);
    current_image_ = image_files_[static_cast<size_t>(image_index_)];
    if (current_image_ == loaded_image_) {
      last_change_tick_ = platform_.Ticks();
      return;
    }
    loader_.Start(current_image_, fit);
    change_pending_ = true;
  }
  // A frame waits for the worker only as long as it can spare, counted on the show's clock; a
  // slower load is spread over frames in which the old picture stays on screen.
  while (!loader_.WaitFor(std::chrono::milliseconds(1))) {
    if (TickDiff(platform_.Ticks(), last_frame_tick_) >= kLoadWaitPerFrame) return;
  }
  change_pending_ = false;
  LoadedPicture next = loader_.Take();
  if (next.Missing || next.Unreadable) {
    // Passed over: what the screen shows stays until the next picture is there.
    CommitPicture(std::move(next));
    if (!change_now_) last_change_tick_ = platform_.Ticks();
    return;
  }
  // The fade starts from what the screen shows; without one the screen goes black anyway.
  if (Transition) {
    // A frame kept in the window's pixels shows the old picture there, so the old picture can
    // go before the copy of the screen is made: never two pictures and a screen at once.
    CheckWindowPixels();
    const bool release = FrameInWindow();
    if (release) packed_picture_->Picture = Bitmap();
    SyncScreen();
    if (release) packed_ready_ = false;
  }
  CommitPicture(std::move(next));
  if (Transition) {
    PlayTransition(kTransitionMs);
    if (!idle_installed_) return;  // input during the fade ended the show
  } else {
    ClearScreen();
  }
  last_change_tick_ = platform_.Ticks();
}

void ShowWindow::LoadFirstAhead() {
  // The first picture decodes while the window is being made, when it is known without a
  // random draw: the first one in order, or the only one. FormShow still makes the choice (and
  // its draws) as always; a guess that turns out wrong (another screen size) is simply redone.
  const ContentFileList& files = project_.FileList;
  const ProjectSettings& s = project_.Setting;
  std::vector<const std::string*> shown;
  for (size_t i = 0; i < files.Names.size(); ++i) {
    if (i < files.Flags.size() && files.Flags[i] == kFlagTrue) shown.push_back(&files.Names[i]);
  }
  const bool random = s.ShowImageMode == kAllImagesRandom || s.ShowImageMode == kFavoritesRandom;
  if (shown.empty() || (random && shown.size() > 1)) return;
  const int first = NextImageIndex(kAllImagesSequential, static_cast<int>(shown.size()), -1);
  if (first < 0 || first >= static_cast<int>(shown.size())) return;
  const std::string& file = *shown[static_cast<size_t>(first)];
  if (env_.Windowed) {
    // An author's window: the picture is read while the window's size is worked out, which may
    // be the first question to the display and take a while. That size is never empty.
    std::promise<FitOptions> fit;
    loader_.Start(file, fit.get_future().share());
    Size area{1, 1};
    try {
      area = ShowArea();
    } catch (...) {
      fit.set_value(FitOptions{area.width, area.height, s.Stretch, s.Proportional, s.Speed});
      throw;
    }
    fit.set_value(FitOptions{area.width, area.height, s.Stretch, s.Proportional, s.Speed});
    return;
  }
  const Size screen = ShowArea();
  if (screen.width <= 0 || screen.height <= 0) return;
  loader_.Start(file, FitOptions{screen.width, screen.height, s.Stretch, s.Proportional, s.Speed});
}

FitOptions ShowWindow::PictureFit() const {
  return FitOptions{screen_w_, screen_h_, Stretch, Proportional, Speed};
}

void ShowWindow::LoadNextAhead() {
  const int count = static_cast<int>(image_files_.size());
  if (!AutoChange || count < 2 || image_index_ < 0) return;
  // Only a choice that draws no random number can be known early: the next picture in order,
  // or the other one of two. Any other random choice waits for its change.
  int next;
  if (ShowImageMode == kAllImagesRandom || ShowImageMode == kFavoritesRandom) {
    if (count != 2) return;
    next = 1 - image_index_;
  } else {
    next = image_index_ + 1 >= count ? 0 : image_index_ + 1;
  }
  const std::string& file = image_files_[static_cast<size_t>(next)];
  if (file != loaded_image_) loader_.Start(file, PictureFit());
}

void ShowWindow::LoadCurrentImage() {
  const FitOptions fit = PictureFit();
  if (!loader_.Holds(current_image_, fit)) loader_.Start(current_image_, fit);
  change_pending_ = false;
  // Input while the picture decodes ends the show at once; the load is then dropped.
  while (!loader_.WaitFor(std::chrono::milliseconds(kInputPollMs))) {
    if (InputEndedShow()) return;
  }
  CommitPicture(loader_.Take());
}

void ShowWindow::CommitPicture(LoadedPicture picture) {
  if (picture.Unreadable) {
    // Named once, then left out: trying it again at every change would fail the same way.
    std::string reason = picture.Error;
    if (reason.starts_with(picture.File + ": ")) reason.erase(0, picture.File.size() + 2);
    NoteInReport("Picture \"" + ExtractFileName(picture.File) + "\" cannot be read (" + reason +
                 "); the show leaves it out.");
    LeaveOut(picture.File);
    change_now_ = !image_files_.empty();
    return;
  }
  if (picture.Missing) {
    // One the package carries is only gone because a stop removed it: nothing to report.
    if (!InPackage(picture.File)) {
      NoteInReport("Picture \"" + ExtractFileName(picture.File) +
                   "\" is in the show's list but not in the package; the show passes over it.");
    }
    // The next picture follows at once, unless every one of them has just been missed.
    change_now_ = ++missing_run_ < static_cast<int>(image_files_.size());
    if (!change_now_) missing_run_ = 0;
    return;
  }
  missing_run_ = 0;
  if (picture.Plain) {
    CommitPlainPicture(std::move(picture));
  } else {
    CommitPackedPicture(std::move(picture));
  }
}

void ShowWindow::LeaveOut(const std::string& file) {
  const auto at = std::find(image_files_.begin(), image_files_.end(), file);
  if (at == image_files_.end()) return;
  const int index = static_cast<int>(at - image_files_.begin());
  image_files_.erase(at);
  // The list closed up behind the picture: the one after it is next, in order or at random.
  if (image_index_ >= index) --image_index_;
}

void ShowWindow::CommitPlainPicture(LoadedPicture picture) {
  plain_bitmap_ = std::move(picture.PlainBitmap);
  full_redraw_ = true;
  picture_width_ = picture.DisplaySize.width;
  picture_height_ = picture.DisplaySize.height;
  is_plain_picture_ = true;
  picture_sound_.StopImageSound();
  loaded_image_ = picture.File;
}

void ShowWindow::CommitPackedPicture(LoadedPicture picture) {
  // The engine keeps references into the packed picture; swap both together.
  packed_ready_ = false;
  packed_picture_ = std::move(picture.Packed);
  picture_width_ = packed_picture_->Picture.width();
  picture_height_ = packed_picture_->Picture.height();
  is_plain_picture_ = false;
  full_redraw_ = true;
  wave_engine_->AttachProject(packed_picture_.get());
  if (picture.Layout) wave_engine_->AdoptLayout(*picture.Layout);
  ChooseFrameTarget();
  wave_engine_->SetWeather(false);
  wave_engine_->Prepare();
  wave_engine_->SetWeather(packed_picture_->WeatherParam.Kind > 0);
  packed_ready_ = true;
  PlayPictureSound();
  loaded_image_ = picture.File;
}

}  // namespace lpc
