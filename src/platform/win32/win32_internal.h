// The Windows backend: GDI for windows and text, winmm for sounds and music, the registry under
// HKEY_CURRENT_USER, and the shell and screensaver password services. Its row in the backend
// table is "win32"; this header holds the pieces its source files share.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <windowsx.h>
// These Win32 macros would rename members of Canvas and TextRenderer in this backend's files.
#undef DrawText
#undef TextOut

#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/canvas.h"
#include "platform/event_loop.h"
#include "platform/platform.h"

namespace lpc::platform::win32 {

class Win32Platform;
class MciMusicPlayer;

inline COLORREF ToColorRef(Color c) {
  return RGB(RedOf(c), GreenOf(c), BlueOf(c));
}

// A BITMAPINFO for 32-bit top-down rows of the given width and height (Bitmap's layout:
// 0x00RRGGBB little-endian is the DIB's B, G, R, unused byte order).
BITMAPINFO TopDownInfo(int width, int height);

// A window of ours, or a host window we only draw into (kHosted: no HWND of our own).
class Win32Window final : public ClosableWindow {
 public:
  Win32Window(Win32Platform& platform, const WindowOptions& options, WindowHandler* handler);
  ~Win32Window() override;

  // Makes the native window (hidden). false for a kHosted window whose host does not exist.
  bool Create();

  Size ClientSize() const override;
  void Present(const Bitmap& bitmap, const Rect& src, int x, int y) override;
  void FillRect(const Rect& rect, Color color) override;
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  bool IsVisible() const override;
  void Invalidate() override;
  NativeHandle Handle() const override;

  Win32Platform& platform() const { return platform_; }
  HWND hwnd() const { return hosted() ? host_ : hwnd_; }
  bool hosted() const { return options_.kind == WindowKind::kHosted; }
  bool full_screen() const { return options_.kind == WindowKind::kFullScreen; }
  bool cover() const { return options_.kind == WindowKind::kCover; }
  // A cover shows as it opens, without taking the focus from the show.
  void ShowCover();
  bool paint_pending() const { return paint_pending_; }

  // RunModal: open again, show as the options ask, and take the foreground.
  void ShowForModal();
  // Delivers an event to the handler (used for timers and music notifications).
  void Deliver(const Event& event);
  // A hosted window's repaint request, run from the loop.
  void RunPendingPaint();

  // The window procedure hands over the HWND at WM_NCCREATE, before CreateWindowExA returns.
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  void HideAfterClose() override;
  void DeliverInput(const Event& event);
  Event MouseEvent(EventKind kind, LPARAM lparam) const;

  Win32Platform& platform_;
  HWND hwnd_ = nullptr;
  HWND host_ = nullptr;
  bool paint_pending_ = false;
  HWND disabled_owner_ = nullptr;  // a foreign owner disabled while this window lives
};

// GDI text: fonts by name, cell height and style, drawn into a DIB section over a copy of the
// target's pixels and copied back.
class GdiTextRenderer final : public TextRenderer {
 public:
  GdiTextRenderer();
  ~GdiTextRenderer() override;
  void DrawText(Bitmap& target, int x, int y, const std::string& text, const FontSpec& font,
                Color color) override;
  Size MeasureText(const std::string& text, const FontSpec& font) override;

 private:
  HFONT FontFor(const FontSpec& font);
  bool EnsureSurface(int width, int height);

  HDC dc_ = nullptr;
  HGDIOBJ original_font_ = nullptr;
  HGDIOBJ original_bitmap_ = nullptr;
  std::vector<std::pair<FontSpec, HFONT>> fonts_;
  HBITMAP surface_ = nullptr;
  void* surface_bits_ = nullptr;
  int surface_width_ = 0;
  int surface_height_ = 0;
};

// The MCI player: one open device at a time, completion reported to the platform's message
// window as MM_MCINOTIFY and passed on as kMusicEnded.
class MciMusicPlayer final : public MusicPlayer {
 public:
  explicit MciMusicPlayer(Win32Platform& platform);
  ~MciMusicPlayer() override;
  bool Open(const std::string& file) override;
  bool Play(Window* notify) override;
  void Stop() override;
  void Close() override;
  bool IsOpen() const override { return device_ != 0; }
  uint32_t Position() const override;
  uint32_t Length() const override;
  std::string LastError() const override { return last_error_; }

  MCIDEVICEID device() const { return device_; }
  // MM_MCINOTIFY for our device: a completed play is the end of the track.
  void OnNotify(WPARAM flags);

 private:
  bool Fail(MCIERROR error, const std::string& what);
  uint32_t Status(DWORD item) const;

  Win32Platform& platform_;
  MCIDEVICEID device_ = 0;
  Window* notify_ = nullptr;
  bool playing_ = false;
  std::string last_error_;
};

class Win32Platform final : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;

  uint32_t Ticks() override;
  void Sleep(uint32_t ms) override;

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

  TextRenderer& Text() override { return text_; }

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

  bool HasPasswordProvider() override;
  bool ChangePassword(NativeHandle parent) override;
  PasswordCheck VerifyScreenSavePassword(Window& window) override;
  void SetScreenSaverRunning(bool running) override;
  bool OpenDocument(const std::string& target) override;
  OsFamily GetOsFamily() override;
  std::string ClipboardText() override;
  void SetClipboardText(const std::string& text) override;

  // --- used by the windows and the player
  HINSTANCE instance() const { return instance_; }
  HWND message_window() const { return message_window_; }
  HCURSOR current_cursor() const;
  void Register(Win32Window* window) { windows_.push_back(window); }
  void Forget(Win32Window* window);
  bool IsLive(const Window* window) const;
  // Input reaches only the innermost modal window (and the covers it owns), and none while a
  // message box is up.
  bool AcceptsInput(const Win32Window* window) const;
  // The window is about to hide: give back the windows its modal run disabled, so that the
  // system activates the right one.
  void ReleaseModalFrame(Win32Window* window);
  bool AnyFullScreenOpen() const;
  void AddPlayer(MciMusicPlayer* player) { players_.push_back(player); }
  void RemovePlayer(MciMusicPlayer* player);
  LRESULT HandleHelperMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  // An error thrown by a handler inside a window procedure, raised again by the loop.
  void HoldError(std::exception_ptr error);
  // Ends the modal frame at `depth` (1-based) and any inside it.
  void EndModalFrame(size_t depth);

 private:
  struct ModalFrame {
    Win32Window* window;
    std::vector<HWND> disabled;
    bool quit_asked;  // this loop has asked its window to close for a quit
  };
  struct TimerEntry {
    Win32Window* window;
    int id;
  };

  // One message from the queue, if any; false when the queue was empty.
  bool PumpOne();
  void RunHostedPaints();

  HINSTANCE instance_ = nullptr;
  HWND message_window_ = nullptr;
  GdiTextRenderer text_;
  bool cursor_visible_ = true;
  CursorShape cursor_shape_ = CursorShape::kArrow;
  int message_box_depth_ = 0;
  std::vector<Win32Window*> windows_;
  std::vector<ModalFrame> modal_;
  std::map<UINT_PTR, TimerEntry> timers_;
  UINT_PTR next_timer_ = 1;
  std::vector<MciMusicPlayer*> players_;
  bool timer_period_set_ = false;
  std::exception_ptr held_error_;
  bool quit_requested_ = false;
};

// Window class names registered by the platform.
inline constexpr const char* kWindowClass = "LPCSaverWindow";
inline constexpr const char* kHelperClass = "LPCSaverHelper";

}  // namespace lpc::platform::win32
