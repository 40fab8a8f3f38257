#include "presentation/show_window.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "base/random.h"
#include "effects/wave_generator.h"
#include "imaging/picture.h"
#include "package/work_folder.h"
#include "platform/folders.h"
#include "presentation/slideshow_rules.h"
#include "presentation/user_settings.h"

namespace lpc {

namespace {

constexpr int kDisplayWatchTimer = 1;
constexpr uint32_t kDisplayWatchMs = 1000;
constexpr int kReloadTimer = 2;

std::string& TitleStorage() {
  static std::string title = " ";
  return title;
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

std::string ShowReportFile(const ShowEnvironment& environment) {
  if (environment.SettingsFile.empty()) return {};
  return ChangeFileExt(environment.SettingsFile, ".error.txt");
}

void RunScreensaver(ScreensaverProject& project, const ShowEnvironment& environment) {
  platform::Platform& platform = platform::Current();
  if (project.FileList.Names.empty()) {
    platform.ShowMessageBox(nullptr, kNoImageFound, ApplicationTitle(),
                            platform::MessageKind::kInformation);
    return;
  }
  PrepareShowProject(project, environment);
  ShowWindow form(platform, project, environment);
  form.ShowModal();
}

void PrepareShowProject(ScreensaverProject& project, const ShowEnvironment& environment) {
  project.FileList.Flags.assign(project.FileList.Names.size(), kFlagTrue);
  ApplyUserSettings(project, environment.SettingsFile);
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
      picture_sound_(
          [this](const std::string& file) {
            const std::string playable = PlayableFile(file);
            if (!playable.empty()) platform_.PlayLoopingSound(playable);
          },
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
  if (env_.Windowed) {
    options.kind = platform::WindowKind::kFramed;
    options.caption = env_.Windowed->Caption;
    const Size area = ShowArea();
    options.client_width = area.width;
    options.client_height = area.height;
    options.centered = true;
    options.border = platform::BorderStyle::kSizeable;
  } else {
    options.kind = platform::WindowKind::kFullScreen;
    options.caption = kScreensaverCaption;
    options.border = platform::BorderStyle::kNone;
    options.system_menu = options.minimize_box = options.maximize_box = false;
    options.maximized = true;
  }
  options.background = 0;
  window_ = platform_.OpenWindow(options, this);
  if (!window_) throw Error("The screensaver window could not be opened");
  return *window_;
}

void ShowWindow::OnShow(platform::Window& window) {
  if (env_.Windowed) {
    platform_.StartTimer(window, kReloadTimer, kWindowedPollMs);
  } else {
    // The other monitors go black before anything else, the error box included, can show.
    covers_.Open(window);
    platform_.StartTimer(window, kDisplayWatchTimer, kDisplayWatchMs);
  }
  FormShow(window);
}

Size ShowWindow::ShowArea() {
  if (!env_.Windowed) return platform_.ScreenSize();
  if (window_area_.width <= 0 || window_area_.height <= 0) {
    const Size screen = platform_.ScreenSize();
    window_area_ = env_.Windowed->ClientSizeFor ? env_.Windowed->ClientSizeFor(screen) : screen;
    window_area_.width = std::max(1, window_area_.width);
    window_area_.height = std::max(1, window_area_.height);
  }
  return window_area_;
}

void ShowWindow::OnResize(platform::Window&, int width, int height) {
  if (env_.Windowed && (width != screen_w_ || height != screen_h_)) resized_ = true;
}

void ShowWindow::ReportFailure(const std::exception& error) {
  if (env_.Windowed && env_.Windowed->Failed && !env_.Windowed->Failed(error) && window_) {
    window_->Close();
  }
}

bool ShowWindow::InPackage(const std::string& path) const {
  return env_.InPackage ? env_.InPackage(path) : FileExists(path);
}

void ShowWindow::NoteInReport(const std::string& line) {
  // Once a stop has begun, what fails fails because of it (its files are being removed).
  if (PrivateWorkFolder::Stopping()) return;
  if (std::find(report_lines_.begin(), report_lines_.end(), line) != report_lines_.end()) return;
  report_lines_.push_back(line);
  std::fprintf(stderr, "%s\n", line.c_str());
  if (env_.Windowed) {
    ReportFailure(Error(line));
    return;
  }
  const std::string report = ShowReportFile(env_);
  if (report.empty()) return;
  std::string text;
  for (const std::string& l : report_lines_) text += l + "\n";
  try {
    PrivateWorkFolder::UnlessStopping([&] { WriteFileAtomic(report, text, LinkRule::kReplace); });
  } catch (const std::exception&) {
    // A program folder that cannot be written keeps no report; stderr has the line.
  }
}

bool ShowWindow::InputEndedShow() {
  if (!window_ || window_->IsClosed()) return window_ != nullptr;
  if (!platform_.InputPending()) return false;
  in_long_work_ = true;
  platform_.ProcessMessages();
  in_long_work_ = false;
  return window_->IsClosed();
}

void ShowWindow::PollReload() {
  bool changed = false;
  try {
    changed = env_.Windowed->Reload && env_.Windowed->Reload(project_, env_);
  } catch (const std::exception& e) {
    ReportFailure(e);
    return;
  }
  if (changed || resized_) Restart();
}

void ShowWindow::Restart() {
  if (!window_ || window_->IsClosed()) return;
  resized_ = false;
  picture_sound_.StopImageSound();
  loader_.Cancel();
  change_pending_ = false;
  packed_ready_ = false;
  window_pixels_ = nullptr;
  wave_engine_.reset();
  packed_picture_.reset();
  image_files_.clear();
  plain_bitmap_ = Bitmap();
  media_player_.reset();
  music_files_.clear();
  FormShow(*window_);
  // The new picture may cover less of the window than the old one did.
  window_->Invalidate();
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
  plain_bitmap_ = Bitmap();
  // The screen starts black; its copy is only made when something needs it.
  screen_ = Bitmap();
  frame_pending_ = false;
  change_now_ = false;
  missing_run_ = 0;

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
    } catch (const std::exception& e) {
      // A first picture that cannot be loaded leaves the screen black; the next change tries
      // the next picture. An author looking at it is told why.
      ReportFailure(e);
    }
    // Input while the first picture decoded may have ended the show already.
    if (window.IsClosed()) return;
    last_change_tick_ = platform_.Ticks();
    idle_installed_ = true;
    if (!env_.Windowed) {
      if (platform_.GetOsFamily() == platform::OsFamily::kWindows9x) {
        platform_.SetScreenSaverRunning(true);
      }
      platform_.ShowCursor(false);
    }
  }
  last_frame_tick_ = platform_.Ticks();
}

void ShowWindow::OnEvent(platform::Window& window, const platform::Event& event) {
  using platform::EventKind;
  switch (event.kind) {
    case EventKind::kMouseMove: {
      if (env_.Windowed) break;  // an author's pointer goes where it likes
      // Events come from the show and from the covers: one coordinate space for all of them.
      const Point p = covers_.ToDesktop(window, event.x, event.y);
      FormMouseMove(p.x, p.y, event.moved);
      break;
    }
    case EventKind::kMouseDown:
      if (!env_.Windowed) FormMouseDown();
      break;
    case EventKind::kKeyDown:
      if (env_.Windowed && event.key == platform::keys::kEscape) {
        window.Close();
        break;
      }
      FormKeyDown(event.key);
      break;
    case EventKind::kKeyChar:
      if (!env_.Windowed) FormKeyPress(event.ch, event.modifiers);
      break;
    case EventKind::kMusicEnded:
      if (event.player == media_player_.get()) OnMusicEnded();
      break;
    case EventKind::kTimer:
      if (event.timer_id == kDisplayWatchTimer) FollowDisplays();
      // A reload starts the show over: never in the middle of a fade or a decode.
      if (event.timer_id == kReloadTimer && env_.Windowed && !in_long_work_) PollReload();
      break;
    default:
      break;
  }
}

void ShowWindow::FormMouseMove(int x, int y, bool moved) {
  if (MouseMoveRequestsClose(SharedExitState(), x, y, moved) && window_) window_->Close();
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

void ShowWindow::FormKeyPress(char32_t ch, unsigned modifiers) {
  if (KeyCharRequestsClose(ch, modifiers) && window_) window_->Close();
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
  if (env_.Windowed) platform_.StopTimer(window, kReloadTimer);
  covers_.CloseAll();
  packed_ready_ = false;
  if (!env_.Windowed) {
    if (platform_.GetOsFamily() == platform::OsFamily::kWindows9x) {
      platform_.SetScreenSaverRunning(false);
    }
    platform_.ShowCursor(true);
  }
  picture_sound_.StopImageSound();
  idle_installed_ = false;
  // A load still running is dropped, not waited for: its worker finishes alone.
  loader_.Cancel();
  change_pending_ = false;
  wave_engine_.reset();
  packed_picture_.reset();
  image_files_.clear();
  plain_bitmap_ = Bitmap();
  if (music_on_) music_files_.clear();
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
  CheckWindowPixels();
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
    if (AutoChange || change_now_) ChangePictureWhenDue();
    if (!idle_installed_) return;  // input during the change ended the show
    // While the next picture loads the water goes on, but weather would draw random numbers
    // the new picture's preparation must draw first: it holds still until the change.
    if (!is_plain_picture_ && packed_ready_ && !(change_pending_ && wave_engine_->WeatherOn())) {
      CheckWindowPixels();
      wave_engine_->Update();
    }
    DrawFrame();
    ++frames_drawn_;
  } catch (const std::exception&) {
    // A frame that fails is dropped; the next one starts afresh.
  } catch (...) {
  }
  if (env_.Windowed && env_.Windowed->AfterFrame && !env_.Windowed->AfterFrame(frames_drawn_)) {
    if (window_) window_->Close();
    return;
  }
  // Pacing runs even after a failed frame, so a picture that keeps failing cannot turn the
  // loop into a busy spin.
  const uint32_t spent = TickDiff(platform_.Ticks(), last_frame_tick_);
  if (spent < kFrameMs) platform_.Sleep(kFrameMs - spent);
  last_frame_tick_ = platform_.Ticks();
}

// --- the frame -------------------------------------------------------------------------------

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

void ShowWindow::ChooseFrameTarget() {
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

void ShowWindow::CheckWindowPixels() {
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

}  // namespace lpc
