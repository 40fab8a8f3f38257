// The SDL backend (Linux and other desktops): SDL2 windows and events, SDL2_mixer audio,
// FreeType + fontconfig text, Xlib for drawing into other programs' windows.
#pragma once

#include <SDL.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/registry_ini.h"
#include "platform/sdl/freetype_text.h"

struct _XDisplay;  // Xlib's Display

namespace lpc::platform {

class SdlPlatform;
class SdlMusicPlayer;

// A window of our own, made by SDL.
class SdlWindow : public BasicWindow {
 public:
  SdlWindow(SdlPlatform& platform, SDL_Window* window, const WindowOptions& options,
            WindowHandler* handler);
  ~SdlWindow() override;

  Size ClientSize() const override;
  void Present(const Bitmap& bitmap, const Rect& src, int x, int y) override;
  void FillRect(const Rect& rect, Color color) override;
  void PresentRows(const Rect& rect, const RowWriter& row) override;
  Color* ClientPixels(ptrdiff_t* stride) override;
  void ShowPixels(const Rect& rect) override;
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  bool IsVisible() const override;
  NativeHandle Handle() const override;
  void ShowNative() override;
  void HideNative() override;

  SDL_Window* sdl() const { return window_; }

 private:
  // Copies pixels into the window surface and shows them; rect in client coordinates.
  template <typename Fn>
  void Draw(const Rect& area, Fn&& row_pixels);

  SDL_Window* window_;          // shows caption_ in UTF-8
  std::vector<Color> scratch_;  // one row, for fills and format conversions
};

// A window of another program that we only draw into ("/P <id>", XSCREENSAVER_WINDOW).
// Plain Xlib on a connection of its own: SDL's X error handler ends the process on an
// unknown window id, which a command-line argument must never do.
// Keeps an SDL window above a window of another program (X11 transient-for), as a dialog of
// that program's would be; nothing when the other window is gone.
void SetTransientFor(SDL_Window* window, NativeHandle owner);

// A message box's text as the lines it shows: each line of the text wrapped at blanks to
// max_width pixels, a word wider than that cut where the width ends. Nothing is dropped.
std::vector<std::string> WrapMessageText(TextRenderer& text, const FontSpec& font,
                                         const std::string& message, int max_width);

// X errors no longer end the process (see x_error_trap.h).
void KeepGoingOnXErrors();

class HostedWindow : public BasicWindow {
 public:
  // Null when the id names no window (or there is no X display).
  static std::unique_ptr<HostedWindow> Open(SdlPlatform& platform, NativeHandle host,
                                            WindowHandler* handler);
  ~HostedWindow() override;

  Size ClientSize() const override;
  void Present(const Bitmap& bitmap, const Rect& src, int x, int y) override;
  void FillRect(const Rect& rect, Color color) override;
  void SetCaption(const std::string&) override {}
  std::string Caption() const override { return {}; }
  bool IsVisible() const override;
  NativeHandle Handle() const override { return options_.host; }
  void ShowNative() override {}
  void HideNative() override {}

 private:
  struct X;
  HostedWindow(SdlPlatform& platform, std::unique_ptr<X> x, NativeHandle host,
               WindowHandler* handler);
  void PutRows(const Color* pixels, int stride, int x, int y, int w, int h);

  std::unique_ptr<X> x_;
};

class SdlPlatform : public Platform, private LoopSource {
 public:
  SdlPlatform();
  ~SdlPlatform() override;

  uint32_t Ticks() override { return SDL_GetTicks(); }
  void Sleep(uint32_t ms) override { SDL_Delay(ms); }
  Size ScreenSize() override;
  std::vector<DisplayInfo> Displays() override;
  std::unique_ptr<Window> OpenWindow(const WindowOptions& options,
                                     WindowHandler* handler) override;
  void KeepStillInHost(Window& hosted, const std::function<Bitmap(Size)>& picture_for) override;
  int RunModal(Window& window) override;
  void ProcessMessages() override;
  bool InputPending() override;
  void ShowCursor(bool show) override;
  void SetCursorShape(CursorShape shape) override;
  void StartTimer(Window& window, int id, uint32_t interval_ms) override;
  void StopTimer(Window& window, int id) override;
  int ShowMessageBox(Window* owner, const std::string& text, const std::string& caption,
                     MessageKind kind) override;
  TextRenderer& Text() override;
  bool PlayLoopingSound(const std::string& file) override;
  void StopSound() override;
  std::unique_ptr<MusicPlayer> CreateMusicPlayer() override;
  bool RegistryKeyExists(const std::string& key) override;
  std::optional<std::string> ReadRegistryString(const std::string& key,
                                                const std::string& name) override;
  std::optional<int32_t> ReadRegistryInteger(const std::string& key,
                                             const std::string& name) override;
  bool WriteRegistryString(const std::string& key, const std::string& name,
                           const std::string& value) override;
  bool WriteRegistryInteger(const std::string& key, const std::string& name,
                            int32_t value) override;
  bool SetDesktopWallpaper(const std::string& bmp_file, const Bitmap& picture) override;
  bool HasPasswordProvider() override { return false; }
  bool ChangePassword(NativeHandle) override { return false; }
  PasswordCheck VerifyScreenSavePassword(Window&) override { return PasswordCheck::kUnavailable; }
  void SetScreenSaverRunning(bool) override {}
  bool OpenDocument(const std::string& target) override;
  OsFamily GetOsFamily() override { return OsFamily::kOther; }
  std::string ClipboardText() override;
  void SetClipboardText(const std::string& text) override;

  EventLoop& loop() { return loop_; }
  // Starts the video subsystem on first use; throws lpc::Error without a display.
  void NeedVideo();
  // Opens the audio device on first use; false when there is none.
  bool NeedAudio();
  void CloseAudio();
  // The player that owns the one music stream now, and the stream's play session.
  SdlMusicPlayer* music_owner = nullptr;
  static std::atomic<uint64_t> music_session;

 private:
  uint32_t LoopTicks() override { return SDL_GetTicks(); }
  bool NextNativeEvent(int timeout_ms, Delivery& out) override;
  bool Translate(const SDL_Event& e, Delivery& out);
  BasicWindow* FindWindow(Uint32 sdl_id);
  // The window XSCREENSAVER_WINDOW names, when it names one that exists.
  std::unique_ptr<HostedWindow> XScreenSaverHost(WindowHandler* handler);
  // The X server's monitors now (empty when not on X11 or without RandR 1.5), primary flags as
  // the server has them.
  std::vector<DisplayInfo> XMonitors();
  void CloseMonitorConnection();
  IniRegistry& Registry();

  EventLoop loop_;
  bool video_ = false;
  int audio_state_ = 0;  // 0 not tried, 1 open, -1 unavailable
  Uint32 music_event_ = 0;
  struct Mix_Chunk* sound_ = nullptr;
  std::unique_ptr<TextRenderer> text_;
  std::unique_ptr<IniRegistry> registry_;
  SDL_Cursor* arrow_ = nullptr;
  SDL_Cursor* hand_ = nullptr;
  ::_XDisplay* x_display_ = nullptr;  // Xlib's Display, for the monitor list
  bool x_monitors_failed_ = false;
  unsigned text_modifiers_ = 0;  // of the last key-down, for the text it types
};

// Hands a finished-music event (with the play session it carried) to the player it belongs to.
void DeliverMusicEnd(SdlPlatform& platform, uint64_t session);

// Starts `program target` without a shell, detached; false when it could not be started.
bool SpawnDetached(const std::string& program, const std::string& target);

// Runs args[0] (searched on PATH) with args, without a shell, and waits for it: its exit status,
// or -1 when it could not start, died of a signal or ran past timeout_ms (it is then killed).
// Standard input and error are /dev/null; standard output goes to *output when given (bounded),
// else to /dev/null.
int RunProgram(const std::vector<std::string>& args, uint32_t timeout_ms,
               std::string* output = nullptr);

}  // namespace lpc::platform
