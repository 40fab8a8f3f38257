#include "presentation/show_window.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "base/random.h"
#include "effects/bitmap_effects.h"
#include "effects/wave_generator.h"
#include "imaging/picture.h"
#include "package/work_folder.h"
#include "platform/folders.h"
#include "presentation/slideshow_rules.h"
#include "presentation/user_settings.h"

namespace lpc {

namespace {

// The part of a screen of width x height that a picture of size at pos covers.
Rect CoveredPart(Point pos, Size picture, int width, int height) {
  return Rect{std::clamp(pos.x, 0, width), std::clamp(pos.y, 0, height),
              std::clamp(pos.x + picture.width, 0, width),
              std::clamp(pos.y + picture.height, 0, height)};
}

Rect CoveredPart(Point pos, const Bitmap& picture, int width, int height) {
  return CoveredPart(pos, Size{picture.width(), picture.height()}, width, height);
}

constexpr int kDisplayWatchTimer = 1;
constexpr uint32_t kDisplayWatchMs = 1000;

std::string& TitleStorage() {
  static std::string title = " ";
  return title;
}

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

const std::string& ApplicationTitle() { return TitleStorage(); }
void SetApplicationTitle(const std::string& title) { TitleStorage() = title; }

ExitState& SharedExitState() {
  static ExitState state;
  return state;
}

ShowEnvironment DefaultShowEnvironment() {
  ShowEnvironment env;
  const std::string program = platform::ProgramPath();
  const std::string long_path = GetLongFileName(program);
  env.SettingsFile = UserSettingsFileName(long_path.empty() ? program : long_path);
  env.ProgramFolder = ExtractFilePath(program);
  try {
    env.WorkFolder = GetWorkFolder();
  } catch (const std::exception&) {
    // Without a work folder only sounds with a full path can be found; the show still runs.
  }
  env.InstallPath = AuthoringToolConfig().GetInstallPath();
  return env;
}

void RunScreensaver(ScreensaverProject& project, const ShowEnvironment& environment) {
  platform::Platform& platform = platform::Current();
  if (project.FileList.Names.empty()) {
    platform.ShowMessageBox(nullptr, kNoImageFound, ApplicationTitle(),
                            platform::MessageKind::kInformation);
    return;
  }
  project.FileList.Flags.assign(project.FileList.Names.size(), kFlagTrue);
  ApplyUserSettings(project, environment.SettingsFile);
  ShowWindow form(platform, project, environment);
  form.ShowModal();
}

void RunScreensaver(ScreensaverProject& project) {
  RunScreensaver(project, DefaultShowEnvironment());
}

void PreviewSingleImage(const ScreensaverProject& project, const std::string& file_name,
                        const ShowEnvironment& environment) {
  ScreensaverProject single;
  single.FileList.Names = {file_name};
  single.FileList.Flags = {kFlagTrue};
  single.Setting.Stretch = project.Setting.Stretch;
  single.Setting.Proportional = project.Setting.Proportional;
  single.Setting.Speed = project.Setting.Speed;
  single.Setting.Sound = true;
  single.Setting.Music = false;
  RunScreensaver(single, environment);
}

void PreviewSingleImage(const ScreensaverProject& project, const std::string& file_name) {
  PreviewSingleImage(project, file_name, DefaultShowEnvironment());
}

// --- the window ------------------------------------------------------------------------------

ShowWindow::ShowWindow(platform::Platform& platform, ScreensaverProject& project,
                       ShowEnvironment environment)
    : platform_(platform),
      project_(project),
      env_(std::move(environment)),
      covers_(platform, *this),
      picture_sound_([this](const std::string& file) { platform_.PlayLoopingSound(file); },
                     [this] { platform_.StopSound(); }) {
  // FormCreate: values FormShow replaces when there are pictures.
  Speed = 100;
  Proportional = true;
}

ShowWindow::~ShowWindow() {
  // The player closes its track with the window.
  media_player_.reset();
}

void ShowWindow::ShowModal() {
  platform_.RunModal(Open());
  // Measuring scripts (bench/show_cpu) read how many frames the show drew.
  if (const char* stats = std::getenv("LPC_FRAME_STATS"); stats && *stats) {
    if (FILE* f = std::fopen(stats, "w")) {
      std::fprintf(f, "frames %llu\nfirst_frame_ns %lld\n",
                   static_cast<unsigned long long>(frames_drawn_), first_frame_ns_);
      std::fclose(f);
    }
  }
  covers_.Reset();
  window_.reset();
  media_player_.reset();
}

platform::Window& ShowWindow::Open() {
  LoadFirstAhead();
  platform::WindowOptions options;
  options.kind = platform::WindowKind::kFullScreen;
  options.caption = kScreensaverCaption;
  options.border = platform::BorderStyle::kNone;
  options.system_menu = options.minimize_box = options.maximize_box = false;
  options.maximized = true;
  options.background = 0;
  window_ = platform_.OpenWindow(options, this);
  if (!window_) throw Error("The screensaver window could not be opened");
  return *window_;
}

void ShowWindow::OnShow(platform::Window& window) {
  // The other monitors go black before anything else, the error box included, can show.
  covers_.Open(window);
  platform_.StartTimer(window, kDisplayWatchTimer, kDisplayWatchMs);
  FormShow(window);
}

void ShowWindow::FollowDisplays() {
  switch (covers_.Follow()) {
    case DisplayChange::kNone:
      break;
    case DisplayChange::kCovers:
      DisplaysChanged(SharedExitState());
      break;
    case DisplayChange::kPrimary:
      DisplaysChanged(SharedExitState());
      if (window_) window_->Close();
      break;
  }
}

void ShowWindow::FormShow(platform::Window& window) {
  const Size size = window.ClientSize();
  screen_w_ = size.width;
  screen_h_ = size.height;
  before_bitmap_ = Bitmap();
  after_bitmap_ = Bitmap();
  plain_bitmap_ = Bitmap();
  // The screen starts black; its copy is only made when something needs it.
  screen_ = Bitmap();
  frame_pending_ = false;

  ExitState& exit_state = SharedExitState();
  exit_state.RestoreToggle = false;
  Randomize();
  exit_state.LastMouseX = exit_state.LastMouseY = -1;

  const ContentFileList& files = project_.FileList;
  image_files_.clear();
  for (size_t i = 0; i < files.Names.size(); ++i) {
    if (i < files.Flags.size() && files.Flags[i] == kFlagTrue) {
      image_files_.push_back(files.Names[i]);
    }
  }
  const ProjectSettings& s = project_.Setting;
  if (!image_files_.empty()) {
    Stretch = s.Stretch;
    AutoChange = s.Random;
    Duration = s.Duration;
    Speed = s.Speed;
    ShowImageMode = s.ShowImageMode;
    Transition = s.Transition;
    Sound = s.Sound;
    image_index_ = -1;
    image_index_ =
        NextImageIndex(ShowImageMode, static_cast<int>(image_files_.size()), image_index_);
    current_image_ = image_files_[static_cast<size_t>(image_index_)];
    Proportional = s.Proportional;
  } else {
    platform_.ShowMessageBox(&window, kUnableToRun, ApplicationTitle(),
                             platform::MessageKind::kError);
  }

  StartMusic();

  if (!image_files_.empty()) {
    packed_picture_ = std::make_unique<PackedImage>();
    wave_engine_ = std::make_unique<WaveGenerator>();
    try {
      LoadCurrentImage();
    } catch (const std::exception&) {
      // A first picture that cannot be loaded leaves the screen black; the next change tries
      // the next picture.
    }
    last_change_tick_ = platform_.Ticks();
    idle_installed_ = true;
    if (platform_.GetOsFamily() == platform::OsFamily::kWindows9x) {
      platform_.SetScreenSaverRunning(true);
    }
    platform_.ShowCursor(false);
    cursor_hidden_ = true;
  }
  last_frame_tick_ = platform_.Ticks();
}

void ShowWindow::OnEvent(platform::Window& window, const platform::Event& event) {
  using platform::EventKind;
  switch (event.kind) {
    case EventKind::kMouseMove: {
      // Events come from the show and from the covers: one coordinate space for all of them.
      const Point p = covers_.ToDesktop(window, event.x, event.y);
      FormMouseMove(p.x, p.y);
      break;
    }
    case EventKind::kMouseDown:
      FormMouseDown();
      break;
    case EventKind::kKeyDown:
      FormKeyDown(event.key);
      break;
    case EventKind::kKeyChar:
      FormKeyPress(event.ch);
      break;
    case EventKind::kMusicEnded:
      if (event.player == media_player_.get()) MediaPlayerNotify();
      break;
    case EventKind::kTimer:
      if (event.timer_id == kDisplayWatchTimer) FollowDisplays();
      break;
    default:
      break;
  }
}

void ShowWindow::FormMouseMove(int x, int y) {
  if (MouseMoveRequestsClose(SharedExitState(), x, y) && window_) window_->Close();
}

void ShowWindow::FormMouseDown() {
  if (window_) window_->Close();
}

void ShowWindow::FormKeyDown(int key) {
  if (key != platform::keys::kF1) return;
  if (F1ResetsOutput(SharedExitState()) && wave_engine_ && packed_ready_) {
    wave_engine_->ResetOutput();
  }
}

void ShowWindow::FormKeyPress(char32_t ch) {
  if (ch != 0 && window_) window_->Close();
}

bool ShowWindow::FormCloseQuery(platform::Window& window) {
  CloseRequested(SharedExitState());
  if (platform_.GetOsFamily() != platform::OsFamily::kWindows9x) return true;
  bool allow = true;
  try {
    const char* key = "Control Panel\\Desktop";
    if (!platform_.RegistryKeyExists(key)) return true;
    platform_.ShowCursor(true);
    const auto use_password = platform_.ReadRegistryInteger(key, "ScreenSaveUsePassword");
    if (use_password && *use_password != 0) {
      allow = platform_.VerifyScreenSavePassword(window) != platform::PasswordCheck::kRefused;
    }
  } catch (const std::exception&) {
    allow = true;
  }
  platform_.ShowCursor(false);
  return allow;
}

void ShowWindow::FormClose(platform::Window& window) {
  platform_.StopTimer(window, kDisplayWatchTimer);
  covers_.CloseAll();
  packed_ready_ = false;
  if (platform_.GetOsFamily() == platform::OsFamily::kWindows9x) {
    platform_.SetScreenSaverRunning(false);
  }
  platform_.ShowCursor(true);
  cursor_hidden_ = false;
  picture_sound_.StopImageSound();
  idle_installed_ = false;
  // A load still running is finished and dropped before the pictures go.
  loader_.Cancel();
  change_pending_ = false;
  wave_engine_.reset();
  packed_picture_.reset();
  image_files_.clear();
  plain_bitmap_ = Bitmap();
  if (music_on_) music_files_.clear();
  before_bitmap_ = Bitmap();
  after_bitmap_ = Bitmap();
}

bool ShowWindow::OnIdle(platform::Window&) {
  if (!idle_installed_) return false;
  IdleFrame();
  return idle_installed_;
}

void ShowWindow::OnPaint(platform::Window&) {
  if (!window_ || screen_w_ <= 0 || screen_h_ <= 0) return;
  full_redraw_ = true;
  if (!screen_.empty()) {
    SyncScreen();
    window_->Present(screen_);
    return;
  }
  // Black around the last frame, drawn from the frame itself: no screen-sized copy for it. A
  // frame kept in the window's pixels is there from its picture's start.
  KeepFrameInWindow();
  if (FrameInWindow()) {
    const Point pos = PicturePos();
    FillAround(FrameSize(), pos);
    window_->ShowPixels(CoveredPart(pos, FrameSize(), screen_w_, screen_h_));
    return;
  }
  const Size frame = frame_pending_ ? FrameSize() : Size{};
  FillAround(frame, pending_pos_);
  if (frame.width > 0) window_->Present(*FrameBitmap(), pending_pos_.x, pending_pos_.y);
}

void ShowWindow::FillAround(Size frame, Point pos) {
  if (frame.width <= 0 || frame.height <= 0) {
    window_->FillRect(Rect{0, 0, screen_w_, screen_h_}, 0);
    return;
  }
  const Rect r = CoveredPart(pos, frame, screen_w_, screen_h_);
  const Rect bands[] = {{0, 0, screen_w_, r.top},
                        {0, r.bottom, screen_w_, screen_h_},
                        {0, r.top, r.left, r.bottom},
                        {r.right, r.top, screen_w_, r.bottom}};
  for (const Rect& band : bands) {
    if (!band.IsEmpty()) window_->FillRect(band, 0);
  }
}

void ShowWindow::IdleFrame() {
  try {
    if (AutoChange) ChangeCheck();
    // While the next picture loads the water goes on, but weather would draw random numbers
    // the new picture's preparation must draw first: it holds still until the change.
    if (!is_plain_picture_ && packed_ready_ && !(change_pending_ && wave_engine_->WeatherOn())) {
      KeepFrameInWindow();
      wave_engine_->Update();
    }
    DrawFrame();
    ++frames_drawn_;
  } catch (const std::exception&) {
    // A frame that fails is dropped; the next one starts afresh.
  } catch (...) {
  }
  // Pacing runs even after a failed frame, so a picture that keeps failing cannot turn the
  // loop into a busy spin.
  const uint32_t spent = TickDiff(platform_.Ticks(), last_frame_tick_);
  if (spent < kFrameMs) platform_.Sleep(kFrameMs - spent);
  last_frame_tick_ = platform_.Ticks();
}

// --- slideshow -------------------------------------------------------------------------------

void ShowWindow::ChangeCheck() {
  if (image_files_.empty()) return;
  const FitOptions fit = PictureFit();
  if (!change_pending_) {
    // The next picture is loaded a little ahead of its change, not for the current picture's
    // whole time: two pictures in memory only while it is needed.
    if (!loader_.Busy() &&
        TickDiff(platform_.Ticks(), last_change_tick_) + kLoadAheadMs >= int64_t{Duration} * 1000) {
      LoadNextAhead();
    }
    if (!ChangeDue(platform_.Ticks(), last_change_tick_, Duration)) return;
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
  // The fade starts from what the screen shows; without one the screen goes black anyway.
  if (Transition) {
    // A frame kept in the window's pixels shows the old picture there, so the old picture can
    // go before the copy of the screen is made: never two pictures and a screen at once.
    KeepFrameInWindow();
    const bool release = FrameInWindow() && !next.Missing;
    if (release) packed_picture_->Picture = Bitmap();
    SyncScreen();
    if (release) packed_ready_ = false;
  }
  CommitPicture(std::move(next));
  if (Transition) {
    PlayTransition(kTransitionMs);
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
  const Size screen = platform_.ScreenSize();
  if (screen.width <= 0 || screen.height <= 0) return;
  loader_.Start(*shown[static_cast<size_t>(first)],
                FitOptions{screen.width, screen.height, s.Stretch, s.Proportional, s.Speed});
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
  CommitPicture(loader_.Take());
}

void ShowWindow::CommitPicture(LoadedPicture picture) {
  if (picture.Plain) {
    CommitPlainPicture(std::move(picture));
  } else if (!picture.Missing) {
    CommitPackedPicture(std::move(picture));
  }
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
  PlaceFrame();
  wave_engine_->SetWeather(false);
  wave_engine_->Prepare();
  wave_engine_->SetWeather(packed_picture_->WeatherParam.Kind > 0);
  packed_ready_ = true;

  if (Sound) {
    const std::string sound =
        FindPictureSound(packed_picture_->SoundFile, env_.WorkFolder, env_.InstallPath,
                         env_.ProgramFolder, [](const std::string& f) { return FileExists(f); });
    if (sound.empty()) {
      picture_sound_.StopImageSound();
    } else {
      picture_sound_.PlayImageSound(sound, env_.InstallPath);
    }
  }
  loaded_image_ = picture.File;
}

Point ShowWindow::PicturePos() const {
  return PicturePosition(picture_width_, picture_height_, screen_w_, screen_h_, Stretch,
                         Proportional);
}

const Bitmap* ShowWindow::FrameBitmap() const {
  if (is_plain_picture_) return plain_bitmap_.empty() ? nullptr : &plain_bitmap_;
  if (!packed_ready_ || wave_engine_->DrawsInto()) return nullptr;
  if (wave_engine_->WeatherOn() && wave_engine_->Overlay()) return wave_engine_->Overlay();
  return &wave_engine_->Output();
}

bool ShowWindow::FrameInWindow() const {
  return !is_plain_picture_ && packed_ready_ && wave_engine_ && wave_engine_->DrawsInto();
}

Size ShowWindow::FrameSize() const {
  if (FrameInWindow()) return Size{picture_width_, picture_height_};
  const Bitmap* frame = FrameBitmap();
  return frame ? Size{frame->width(), frame->height()} : Size{};
}

void ShowWindow::PlaceFrame() {
  // Without weather, a picture that lies wholly on the window keeps its water frame in the
  // window's own pixels: no frame-sized copy beside what the screen holds.
  window_pixels_ = nullptr;
  const Point pos = PicturePos();
  if (window_ && packed_picture_->WeatherParam.Kind <= 0 && pos.x >= 0 && pos.y >= 0 &&
      pos.x + picture_width_ <= screen_w_ && pos.y + picture_height_ <= screen_h_ &&
      window_->ClientSize() == Size{screen_w_, screen_h_}) {
    window_pixels_ = window_->ClientPixels(&window_stride_);
  }
  wave_engine_->DrawInto(window_pixels_ ? window_pixels_ + pos.y * window_stride_ + pos.x : nullptr,
                         window_stride_);
}

void ShowWindow::KeepFrameInWindow() {
  if (!wave_engine_ || !wave_engine_->DrawsInto()) return;
  ptrdiff_t stride = 0;
  Color* pixels = window_ && window_->ClientSize() == Size{screen_w_, screen_h_}
                      ? window_->ClientPixels(&stride)
                      : nullptr;
  if (pixels == window_pixels_ && stride == window_stride_) return;
  // The window's pixels went (its size changed): the water starts again from the plain picture
  // in a frame of the engine's own.
  window_pixels_ = nullptr;
  wave_engine_->DrawInto(nullptr, 0);
  full_redraw_ = true;
}

void ShowWindow::DrawFrame() {
  const Size size = FrameSize();
  if (size.width <= 0 || !window_) return;
  const Point pos = PicturePos();
  Rect rows{0, 0, size.width, size.height};
  if (!full_redraw_ && !is_plain_picture_ && !wave_engine_->WeatherOn()) {
    int top = size.height, bottom = -1;
    for (int i = 0; i < 4; ++i) {
      if (wave_engine_->RegionTop(i) > wave_engine_->RegionBottom(i)) continue;  // empty
      top = std::min(top, wave_engine_->RegionTop(i));
      bottom = std::max(bottom, wave_engine_->RegionBottom(i));
    }
    rows.top = std::max(0, top);
    rows.bottom = std::min(size.height, bottom + 1);
  }
  if (!rows.IsEmpty()) {
    if (FrameInWindow()) {
      window_->ShowPixels(Rect{pos.x, pos.y + rows.top, pos.x + size.width, pos.y + rows.bottom});
    } else {
      window_->Present(*FrameBitmap(), rows, pos.x, pos.y + rows.top);
    }
  }
  if (first_frame_ns_ == 0) {
    first_frame_ns_ = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  }
  // Around the frame the screen is black, so once the whole frame is drawn the window holds
  // black and this frame: a copy of the screen kept for the show's whole time would only cost
  // memory (SyncScreen makes one when a fade needs it).
  if (rows.top == 0 && rows.bottom == size.height) screen_ = Bitmap();
  full_redraw_ = false;
  frame_pending_ = true;
  pending_pos_ = pos;
}

void ShowWindow::SyncScreen() {
  if (screen_.empty() && screen_w_ > 0 && screen_h_ > 0) screen_.SetSize(screen_w_, screen_h_, 0);
  if (!frame_pending_) return;
  frame_pending_ = false;
  KeepFrameInWindow();  // the window's pixels may have gone with a change of its size
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
    cover = CoveredPart(pos, *picture, screen_w_, screen_h_);
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
  for (int i = 1; i <= steps; ++i) {
    const int amount = TransitionAmount(i, steps);
    blend(amount);
    transition_amounts_.push_back(amount);
    // Keep to the schedule when the steps run faster than measured.
    const uint64_t due =
        uint64_t{duration_ms} * static_cast<uint64_t>(i) / static_cast<uint64_t>(steps);
    const uint32_t elapsed = TickDiff(platform_.Ticks(), t0);
    if (elapsed < due) platform_.Sleep(static_cast<uint32_t>(due - elapsed));
  }
  // What the screen now shows is the new picture on black; the next whole frame lets it go.
  old = Bitmap();
  KeepFrameInWindow();
  if (FrameInWindow()) {
    // The frame kept in the window's pixels was painted over by the fade: it starts again from
    // the plain picture, as it stood when the fade began. The window holds the screen.
    wave_engine_->ResetOutput();
  } else {
    screen_.SetSize(screen_w_, screen_h_, 0);
    if (picture) CopyInto(screen_, *picture, pos.x, pos.y);
  }
  after_bitmap_ = Bitmap();
  before_bitmap_ = Bitmap();
  frame_pending_ = false;
  full_redraw_ = true;
}

// --- music -----------------------------------------------------------------------------------

void ShowWindow::StartMusic() {
  const ProjectSettings& s = project_.Setting;
  music_on_ = s.Music && !s.MusicFile.empty();
  if (!music_on_) return;
  music_files_ = MusicPlayList(s.MusicFile, env_.WorkFolder);
  music_mode_ = s.MusicMode;
  music_index_ = -1;
  music_index_ = NextMusicIndex(music_mode_, static_cast<int>(music_files_.size()), music_index_);
  try {
    media_player_ = platform_.CreateMusicPlayer();
    PlayTrackFrom(music_index_);
  } catch (const std::exception&) {
    // The show runs without music.
  }
}

bool ShowWindow::PlayTrackFrom(int first_index) {
  if (!media_player_ || music_files_.empty()) return false;
  const int count = static_cast<int>(music_files_.size());
  music_index_ = first_index;
  for (int attempt = 0; attempt < count; ++attempt) {
    if (music_index_ >= 0 && music_index_ < count) {
      media_player_->Close();
      if (media_player_->Open(music_files_[static_cast<size_t>(music_index_)]) &&
          media_player_->Play(window_.get())) {
        return true;
      }
    }
    // A track that cannot play is passed over; a list where none plays leaves silence.
    music_index_ = NextMusicIndex(music_mode_, count, music_index_);
  }
  media_player_->Close();
  return false;
}

void ShowWindow::MediaPlayerNotify() {
  if (!media_player_ || !music_on_ || music_files_.empty()) return;
  if (media_player_->Position() < media_player_->Length()) return;
  PlayTrackFrom(NextMusicIndex(music_mode_, static_cast<int>(music_files_.size()), music_index_));
}

}  // namespace lpc
