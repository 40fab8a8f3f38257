// The screensaver window: full screen, black, borderless. It shows the project's pictures one
// after another, animates the water of packed pictures frame by frame from the idle loop, plays
// picture sounds and background music, and closes on a deliberate touch of mouse or keyboard.
// Its members are defined by concern: the window's life, input and frames in show_window.cpp,
// the slideshow in show_slideshow.cpp, fades in show_transitions.cpp, sound in show_music.cpp.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "package/packed_image.h"
#include "package/project.h"
#include "platform/platform.h"
#include "presentation/audio_rules.h"
#include "presentation/exit_rules.h"
#include "presentation/monitor_covers.h"
#include "presentation/picture_loader.h"

namespace lpc {

class WaveGenerator;

inline constexpr char kNoImageFound[] = "No image found in Images List.";
inline constexpr char kUnableToRun[] = "Unable to run screensaver.\r\nPlease configure!";
inline constexpr char kScreensaverCaption[] = "fmLPScrSvr";

// The caption of the program's message boxes (the application title).
const std::string& ApplicationTitle();
void SetApplicationTitle(const std::string& title);

struct ShowEnvironment;

// What a player is handed for a sound file: the path of a file of its own (a sound read in
// place in the program file is written out first), or "" when it cannot have one.
std::string PlayableFile(const std::string& path);

// The show in a normal window beside an author's editor (lpctool show) rather than over the
// whole screen: framed and titled, no covers over other monitors, the pointer left alone, and
// only Escape or the close box end it. It can start over with its project, in the same window,
// when the files behind it change.
struct WindowedShow {
  std::string Caption;
  // The window's client size on a screen of that size; asked once, as the window opens, while
  // the first picture is read (the first question to a display may take a while).
  std::function<Size(Size screen)> ClientSizeFor;
  // Asked every kWindowedPollMs: true when the project has changed (the callback changed it,
  // and the environment where its files moved) and the show starts over with it. An error it
  // throws goes to Failed; the show goes on as it was.
  std::function<bool(ScreensaverProject&, ShowEnvironment&)> Reload;
  // After each frame, with the number of frames drawn so far; false closes the window.
  std::function<bool(uint64_t frames)> AfterFrame;
  // A reload or a picture that failed; false closes the window.
  std::function<bool(const std::exception&)> Failed;
};
inline constexpr uint32_t kWindowedPollMs = 250;

// Where the show finds what lies outside the project: the user settings file, the work folder
// the package was unpacked into, the program's own folder and the authoring tool's install
// folder (both searched for "sounds"); and, for an author's look, the window to show it in.
struct ShowEnvironment {
  std::string SettingsFile;
  std::string WorkFolder;
  std::string ProgramFolder;
  std::string InstallPath;
  const WindowedShow* Windowed = nullptr;  // null: full screen
  // Whether a path in the work folder is a file the package carries, by the package's own list
  // (a file a stop has just removed is still in the package). Unset: whether the file exists,
  // for content that lies in a folder.
  std::function<bool(const std::string&)> InPackage = nullptr;
};
// The environment of the running program (its long path, its work folder, "Lumenpool.ini").
ShowEnvironment DefaultShowEnvironment();
// Where the show notes content it passes over (a picture or music track the package does not
// carry): the program's error report, "<program>.error.txt", found beside its settings file,
// which is named after the program too. "" without a settings file (an author's window).
std::string ShowReportFile(const ShowEnvironment& environment);

// Opens the screensaver window for project and returns when it has closed. An empty picture
// list shows "No image found in Images List." instead. Every picture is marked available, then
// the user settings file narrows the selection and overrides settings.
void RunScreensaver(ScreensaverProject& project, const ShowEnvironment& environment);
void RunScreensaver(ScreensaverProject& project);
// What RunScreensaver does to the project before the show: every picture marked available,
// then the user settings file's selection and overrides.
void PrepareShowProject(ScreensaverProject& project, const ShowEnvironment& environment);
// Shows one picture full screen with the scaling and speed of project, sound on, music off.
void PreviewSingleImage(const ScreensaverProject& project, const std::string& file_name,
                        const ShowEnvironment& environment);
void PreviewSingleImage(const ScreensaverProject& project, const std::string& file_name);

// The input state shared by every screensaver window of the process.
ExitState& SharedExitState();

class ShowWindow : public platform::WindowHandler {
 public:
  ShowWindow(platform::Platform& platform, ScreensaverProject& project,
             ShowEnvironment environment);
  ~ShowWindow() override;
  ShowWindow(const ShowWindow&) = delete;
  ShowWindow& operator=(const ShowWindow&) = delete;

  // Opens the window, runs it modally, destroys it.
  void ShowModal();
  // Opens the window without running it (benchmarks drive frames by hand).
  platform::Window& Open();

  // Window handlers.
  void OnShow(platform::Window& window) override;
  void OnEvent(platform::Window& window, const platform::Event& event) override;
  bool OnIdle(platform::Window& window) override;
  bool OnCloseQuery(platform::Window& window) override { return FormCloseQuery(window); }
  void OnClose(platform::Window& window) override { FormClose(window); }
  void OnPaint(platform::Window& window) override;
  void OnResize(platform::Window& window, int width, int height) override;

  // The show's set-up as its window shows (pictures chosen, music started, the first picture
  // on screen, the pointer hidden) and its clean-up as the window closes.
  void FormShow(platform::Window& window);
  void FormClose(platform::Window& window);
  // One frame: change check, ripple step, drawing, pacing. Errors end the frame silently.
  void IdleFrame();

  // The slideshow steps (public for tests and benchmarks).
  void LoadCurrentImage();
  void DrawFrame();
  bool ChangePending() const { return change_pending_; }

  // State, read by tests.
  int ImageIndex() const { return image_index_; }
  const std::string& CurrentImage() const { return current_image_; }
  const std::string& LoadedImage() const { return loaded_image_; }
  bool IsPlainPicture() const { return is_plain_picture_; }
  int PictureWidth() const { return picture_width_; }
  int PictureHeight() const { return picture_height_; }
  Point PicturePos() const;
  const PackedImage* PackedPicture() const { return packed_picture_.get(); }
  const WaveGenerator* WaveEngine() const { return wave_engine_.get(); }
  // What the window shows, as last drawn (a copy made on request).
  const Bitmap& Screen() {
    SyncScreen();
    return screen_;
  }
  uint32_t LastChangeTick() const { return last_change_tick_; }
  int TransitionSteps() const { return transition_steps_; }
  const std::vector<int>& TransitionAmounts() const { return transition_amounts_; }
  platform::Window* window() const { return window_.get(); }
  // The black windows over the other displays while the show runs.
  const MonitorCovers& Covers() const { return covers_; }

  // Settings copied from the project at show time.
  bool Stretch = true;
  bool Proportional = true;
  bool AutoChange = false;
  int Duration = 30;
  int Speed = 100;
  bool Transition = false;
  bool Sound = false;
  int ShowImageMode = 0;

 private:
  // How long one frame waits for a picture still loading before it lets the old one go on.
  static constexpr uint32_t kLoadWaitPerFrame = 20;
  // How long before its change the next picture starts loading (a 4K picture takes a fraction
  // of a second on a busy machine).
  static constexpr int64_t kLoadAheadMs = 3000;
  // How often a decode the frame thread waits for looks for input.
  static constexpr int kInputPollMs = 5;

  // Input and the window's life (show_window.cpp).
  bool FormCloseQuery(platform::Window& window);
  void FormMouseMove(int x, int y, bool moved);
  void FormMouseDown();
  void FormKeyDown(int key);
  void FormKeyPress(char32_t ch, unsigned modifiers);
  // Looks whether monitors came or went (every second while the show runs).
  void FollowDisplays();
  // A windowed show: asks whether the project changed (or the window's size did) and starts
  // over with it; a failure leaves the show as it was.
  void PollReload();
  // Drops the pictures, sounds and loads of the show and sets it up again in the same window.
  void Restart();
  // Passes a failure to the windowed show's owner; closes the window when it says so.
  void ReportFailure(const std::exception& error);
  // Notes content the show passes over, once per line and show: the error report then holds
  // this show's lines (stderr gets each one too); an author's window is told as of a failure.
  void NoteInReport(const std::string& line);
  // Whether the show's content file path is in the package (ShowEnvironment::InPackage).
  bool InPackage(const std::string& path) const;
  // Input that came during long work on the frame thread (a decode waited for, a fade) is
  // handled at once. True when it ended the show: the caller stops and touches nothing more.
  bool InputEndedShow();
  // The size pictures are fitted to before the window exists: the screen's, or the windowed
  // show's client size (worked out once).
  Size ShowArea();

  // The frame (show_window.cpp).
  // The frame to show: a bitmap, or none when it is kept in the window's pixels.
  const Bitmap* FrameBitmap() const;
  bool FrameInWindow() const;
  Size FrameSize() const;
  // Chooses where the next packed picture's frames are kept, before it is prepared: the
  // window's own pixels when it lies wholly on them, else a bitmap of the engine's own.
  void ChooseFrameTarget();
  // Before the window's pixels are used: stops keeping the frame there once they are gone.
  void CheckWindowPixels();
  // Black over the screen outside frame put at pos (all of it without a frame).
  void FillAround(Size frame, Point pos);

  // The slideshow (show_slideshow.cpp).
  // When the picture's time is up, the next one is chosen, loaded and put on screen.
  void ChangePictureWhenDue();
  FitOptions PictureFit() const;
  // Starts loading the first picture before the window shows, when it is known already.
  void LoadFirstAhead();
  // Starts loading the picture that will follow the current one, when it is known already.
  void LoadNextAhead();
  // The frame-thread half of a change: the loaded picture goes on screen, the wave generator
  // is prepared (drawing its random numbers now, as it always has), the sound follows.
  void CommitPicture(LoadedPicture picture);
  // Takes a picture that cannot be read out of the rest of the show.
  void LeaveOut(const std::string& file);
  void CommitPlainPicture(LoadedPicture picture);
  void CommitPackedPicture(LoadedPicture picture);

  // Fades and the copy of the screen (show_transitions.cpp).
  // Fades from what the screen shows to the new picture on black in duration_ms. Input between
  // its steps ends it where it stands.
  void PlayTransition(uint32_t duration_ms);
  // Puts the last drawn frame into screen_, so it holds exactly what the window shows.
  void SyncScreen();
  void ClearScreen();

  // Music and picture sounds (show_music.cpp).
  void StartMusic();
  // Opens and plays entry first_index, moving on through the list past tracks that cannot be
  // played; the music stops when none can.
  bool PlayTrackFrom(int first_index);
  // The player reports the end of its track: the next one plays.
  void OnMusicEnded();
  // The packed picture's own sound loops, when sounds are on; a picture that names none
  // silences the last one.
  void PlayPictureSound();

  platform::Platform& platform_;
  ScreensaverProject& project_;
  ShowEnvironment env_;
  std::unique_ptr<platform::Window> window_;
  // After window_: the covers it owns go first.
  MonitorCovers covers_;

  std::vector<std::string> image_files_;
  int image_index_ = -1;
  std::string current_image_;
  std::string loaded_image_;
  bool is_plain_picture_ = true;
  int picture_width_ = 0;
  int picture_height_ = 0;
  Bitmap plain_bitmap_;
  std::unique_ptr<PackedImage> packed_picture_;
  std::unique_ptr<WaveGenerator> wave_engine_;
  bool packed_ready_ = false;  // the engine is prepared for packed_picture_
  // The window's pixels the engine keeps its frame in (null when it keeps its own).
  Color* window_pixels_ = nullptr;
  ptrdiff_t window_stride_ = 0;
  // What the window shows, when a copy is needed (a fade); empty means black around the
  // pending frame.
  Bitmap screen_;
  int screen_w_ = 0;
  int screen_h_ = 0;
  uint64_t frames_drawn_ = 0;
  // Wall-clock time of the first frame (for start-up measurements), 0 before it.
  long long first_frame_ns_ = 0;
  // The frame drawn last and where, until SyncScreen copies it into screen_.
  bool frame_pending_ = false;
  Point pending_pos_;
  // The next frame must draw the whole picture; otherwise a packed picture without weather
  // redraws only the rows its water spans, the rest being unchanged on screen.
  bool full_redraw_ = true;

  PictureSoundLoop picture_sound_;
  bool music_on_ = false;
  std::vector<std::string> music_files_;
  int music_mode_ = 0;
  int music_index_ = -1;
  std::unique_ptr<platform::MusicPlayer> media_player_;

  bool idle_installed_ = false;
  // A windowed show whose window changed size starts over at the next poll.
  bool resized_ = false;
  Size window_area_;  // the windowed show's client size, once worked out
  uint32_t last_change_tick_ = 0;
  uint32_t last_frame_tick_ = 0;
  int transition_steps_ = 0;
  std::vector<int> transition_amounts_;

  // The next picture, decoded and fitted on a worker thread.
  PictureLoader loader_;
  // A change has chosen its picture and waits for the loader.
  bool change_pending_ = false;
  // The picture chosen last was not there: the next one is chosen at the next frame rather
  // than after an interval of black or of the old picture. missing_run_ counts such pictures
  // in a row; once every picture has been missed, the show waits its interval again.
  bool change_now_ = false;
  int missing_run_ = 0;
  std::vector<std::string> report_lines_;
  // Long work on the frame thread may handle events (InputEndedShow); a reload waits for it.
  bool in_long_work_ = false;
};

}  // namespace lpc
