// The platform interface: everything the runtime asks of the host system, grouped by role.
// Backends: sdl/ (Linux and other desktops), win32/ (Windows), headless/ (tests, lpctool); a
// program gets one from the table in backends.h.
//
// Threading: one user-interface thread. Every call here, and every handler callback, runs on
// it. Audio plays asynchronously inside the backend; its end notification comes back as an
// Event through the event loop, never as a callback from another thread.
//
// Names avoid the Win32 macros (CreateWindow, MessageBox, PlaySound, DrawText, ...) so the
// Windows backend can include windows.h next to this header.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "base/canvas.h"  // Size, Rect (half-open), TextRenderer, FontSpec

namespace lpc::platform {

class Window;
class MusicPlayer;

// ---------------------------------------------------------------------------------------------
// Plain data

// A host window handle as the command line gives it ("/P 1234"): an HWND on Windows, an X
// window id under X11. 0 means none.
using NativeHandle = uint64_t;

using lpc::Rect;  // half-open: left..right-1, top..bottom-1
using lpc::Size;

enum class OsFamily {
  kWindows9x,  // Windows 95/98/Me (platform id 1): password check and running flag apply
  kWindowsNT,  // Windows NT/2000/XP and later
  kOther,      // Linux and everything else
};

enum class MouseButton { kLeft, kRight, kMiddle };

// Modifier bits of Event::modifiers.
inline constexpr unsigned kModShift = 1;
inline constexpr unsigned kModCtrl = 2;
inline constexpr unsigned kModAlt = 4;

// Key codes: the Windows virtual-key numbers, which every backend maps its keys onto.
// Letters are their upper-case ASCII code, digits '0'..'9'. 0 means a key without a code here.
namespace keys {
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kAlt = 0x12;
inline constexpr int kPause = 0x13;
inline constexpr int kCapsLock = 0x14;
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kPageUp = 0x21;
inline constexpr int kPageDown = 0x22;
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kInsert = 0x2D;
inline constexpr int kDelete = 0x2E;
inline constexpr int kF1 = 0x70;  // kF1 + n - 1 is Fn, up to F12
inline constexpr int kF12 = 0x7B;
}  // namespace keys

enum class EventKind {
  kMouseMove,   // x, y (client coordinates), moved, modifiers
  kMouseDown,   // x, y, button, clicks (2 for a double click), modifiers
  kMouseUp,     // x, y, button, modifiers
  kKeyDown,     // key (keys::...), modifiers. Every key, also those that produce no character.
  kKeyUp,       // key, modifiers
  kKeyChar,     // ch: the character a key press produced (after kKeyDown of that key). Enter
                // gives '\r', Escape 0x1B, Backspace 0x08, Tab '\t'; Shift, Ctrl, Alt, arrows
                // and function keys give none. modifiers: those held when the key went down.
  kMusicEnded,  // player: the MusicPlayer whose track reached its end (see MusicPlayer::Play)
  kTimer,       // timer_id: a timer started with Platform::StartTimer on this window
  kMouseLeave,  // the pointer left the client area
};

struct Event {
  EventKind kind = EventKind::kMouseMove;
  int x = 0;
  int y = 0;
  MouseButton button = MouseButton::kLeft;
  int clicks = 1;
  int key = 0;
  char32_t ch = 0;
  unsigned modifiers = 0;
  int timer_id = 0;
  const MusicPlayer* player = nullptr;
  // kMouseMove: false when the pointer stayed where it was (the event a window gets when it
  // appears under the pointer).
  bool moved = true;
};

// Modal results (the values of the Windows dialog ids, so stored results read the same).
inline constexpr int kModalNone = 0;
inline constexpr int kModalOk = 1;
inline constexpr int kModalCancel = 2;
inline constexpr int kModalYes = 6;
inline constexpr int kModalNo = 7;

enum class MessageKind {
  kInformation,  // one OK button; returns kModalOk
  kError,        // one OK button; returns kModalOk
  kYesNo,        // a question with Yes and No; returns kModalYes or kModalNo
};

enum class CursorShape { kArrow, kHand };

// One monitor, in desktop coordinates: the primary one's top-left corner is 0,0 on Windows,
// while X11 counts from the top-left corner of the whole desktop, so the others may lie at
// negative coordinates or the primary one away from the origin.
struct DisplayInfo {
  Rect bounds;
  bool primary = false;
  bool operator==(const DisplayInfo&) const = default;
};

enum class PasswordCheck {
  kAccepted,     // the user gave the right password (or none is set)
  kRefused,      // wrong password or cancelled: the screensaver must keep running
  kUnavailable,  // no password service on this host
};

// ---------------------------------------------------------------------------------------------
// Windows

enum class WindowKind {
  // Borderless, covering the primary display, explicitly sized to it. When the X server runs
  // the screensaver inside a window of its own (env XSCREENSAVER_WINDOW holds its id), the
  // SDL backend draws into that window instead.
  kFullScreen,
  // A normal top-level window with the frame options below.
  kFramed,
  // Drawing into a window of another program, given by WindowOptions::host. The client size
  // is the host's size; input goes to the host, not to us.
  kHosted,
  // Black, borderless and on top like kFullScreen, at the screen rectangle left, top,
  // client_width x client_height (one display's bounds). It shows as it opens. While its
  // WindowOptions::owner runs modally, its input is taken as that window's own. Null when the
  // host already covers the other displays itself (XScreenSaver runs one saver per display).
  kCover,
};

enum class BorderStyle {
  kNone,      // no frame, no caption
  kSizeable,  // frame the user can drag
  kFixed,     // single fixed frame with caption
  kDialog,    // dialog frame with caption, not sizeable
};

struct WindowOptions {
  WindowKind kind = WindowKind::kFramed;
  std::string caption;
  // Client area size; ignored for kFullScreen and kHosted.
  int client_width = 640;
  int client_height = 480;
  // Top-left corner on the screen; ignored when centred, maximised or full screen.
  int left = 0;
  int top = 0;
  bool centered = false;
  bool maximized = false;
  BorderStyle border = BorderStyle::kSizeable;
  bool system_menu = true;
  bool minimize_box = true;
  bool maximize_box = true;
  Color background = 0;       // what shows before anything is presented
  NativeHandle host = 0;      // kHosted only
  Window* owner = nullptr;    // the window this one belongs to (dialogs), or none
  // A window of another program this one belongs to (the host's settings dialog that asked
  // for "/c:HWND"): kept above it, and on Windows the host is disabled while this one is open.
  NativeHandle foreign_owner = 0;
};

// What a window does with events. The backend calls these on the user-interface thread while
// a loop runs (RunModal or ProcessMessages). Default implementations do nothing.
class WindowHandler {
 public:
  virtual ~WindowHandler() = default;
  // The window has been shown by RunModal and is about to take events.
  virtual void OnShow(Window&) {}
  // Input, timers and music notifications for this window.
  virtual void OnEvent(Window&, const Event&) {}
  // Called when no event is pending, for the innermost modal window only. Return true to be
  // called again at once (the loop never waits: the screensaver's frames come from here),
  // false to let the loop wait for the next event or timer.
  virtual bool OnIdle(Window&) { return false; }
  // A close was requested (Window::Close, the close box, Alt+F4). Return false to refuse:
  // the window then stays open and modal.
  virtual bool OnCloseQuery(Window&) { return true; }
  // The close was allowed; the window hides after this returns and its modal loop ends.
  virtual void OnClose(Window&) {}
  // Part of the window must be drawn again (first show, exposed after being covered). The
  // handler presents what it shows; nothing is kept for it except what was last presented.
  virtual void OnPaint(Window&) {}
  // The client area changed size.
  virtual void OnResize(Window&, int /*width*/, int /*height*/) {}
};

class Window {
 public:
  virtual ~Window() = default;

  virtual Size ClientSize() const = 0;
  // Copies src (a half-open part of bitmap, clipped to it) to the client area with its
  // top-left corner at (x, y); whatever falls outside the client area is cut off. Negative
  // x, y are allowed.
  virtual void Present(const Bitmap& bitmap, const Rect& src, int x, int y) = 0;
  void Present(const Bitmap& bitmap, int x = 0, int y = 0) {
    Present(bitmap, Rect{0, 0, bitmap.width(), bitmap.height()}, x, y);
  }
  // Fills a part of the client area (half-open rectangle) with one colour.
  virtual void FillRect(const Rect& rect, Color color) = 0;
  // Draws the part rect of the client area row by row: row(y, pixels) writes the rect's
  // Width() pixels of client row y. A backend that can hand out its screen's rows needs no
  // picture of the whole part for it; this default gathers the rows into one and presents it.
  using RowWriter = std::function<void(int y, Color* pixels)>;
  virtual void PresentRows(const Rect& rect, const RowWriter& row) {
    if (rect.IsEmpty()) return;
    Bitmap part(rect.Width(), rect.Height());
    for (int y = rect.top; y < rect.bottom; ++y) row(y, part.Row(y - rect.top));
    Present(part, rect.left, rect.top);
  }

  // The client area's own pixels, for a caller that keeps its frame where it is shown: row y
  // at result + y * *stride. They stay valid until the client size changes (the pointer then
  // differs) and are put on screen by ShowPixels. Null when the backend keeps none.
  virtual Color* ClientPixels(ptrdiff_t* /*stride*/) { return nullptr; }
  // Puts the part rect of the client area, as drawn through ClientPixels, on screen.
  virtual void ShowPixels(const Rect& /*rect*/) {}

  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  // Visible on screen (for a hosted window: the host is mapped).
  virtual bool IsVisible() const = 0;
  // Asks for OnPaint soon (from the loop, not from inside this call).
  virtual void Invalidate() = 0;
  virtual NativeHandle Handle() const = 0;
  virtual void SetHandler(WindowHandler* handler) = 0;

  // Requests a close with the given modal result: OnCloseQuery is asked at once; when it
  // allows, OnClose runs, the window hides, the modal loop running it ends and RunModal
  // returns `result`. Returns whether the window closed. Closing a closed window does nothing
  // and returns true.
  virtual bool Close(int result = kModalCancel) = 0;
  virtual bool IsClosed() const = 0;
};

// ---------------------------------------------------------------------------------------------
// Audio

// One music track at a time (the MCI player's role).
class MusicPlayer {
 public:
  virtual ~MusicPlayer() = default;  // closes the open track
  // Opens a WAV, MIDI, MP3 or OGG file (kind by content or extension). Closes any open track
  // first. false when it cannot be opened; LastError() then says why.
  virtual bool Open(const std::string& file) = 0;
  // Plays the open track from its start. When it plays to its end, a kMusicEnded event with
  // this player goes to `notify` (when not null) through the event loop; Position() then
  // equals Length(). Stopping, closing or replaying sends no notification.
  virtual bool Play(Window* notify) = 0;
  virtual void Stop() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Milliseconds; 0 when nothing is open. Length() is 0 when the track's length is unknown.
  virtual uint32_t Position() const = 0;
  virtual uint32_t Length() const = 0;
  virtual std::string LastError() const = 0;
};

// ---------------------------------------------------------------------------------------------
// The platform

// Windows and music players belong to the platform that made them and must be destroyed
// before it.
class Platform {
 public:
  virtual ~Platform() = default;

  // --- clock
  // Milliseconds since an arbitrary start, wrapping at 2^32 (GetTickCount). Compare ticks by
  // unsigned subtraction only.
  virtual uint32_t Ticks() = 0;
  virtual void Sleep(uint32_t ms) = 0;

  // --- display and events
  virtual Size ScreenSize() = 0;
  // Every display of the desktop; exactly one is primary (the one ScreenSize measures).
  virtual std::vector<DisplayInfo> Displays() {
    const Size s = ScreenSize();
    return {DisplayInfo{Rect{0, 0, s.width, s.height}, true}};
  }
  // Opens a window (hidden until RunModal shows it; a kHosted one draws into its host at once).
  // Returns null for a kHosted window whose host does not exist. Throws lpc::Error when a window
  // cannot be made at all (no display).
  virtual std::unique_ptr<Window> OpenWindow(const WindowOptions& options,
                                             WindowHandler* handler) = 0;
  // Keeps a still picture in a kHosted window (a screensaver preview in the host's preview
  // area) until the host goes away: the picture, as picture_for gives it for the host's client
  // size, is repainted whenever the host or the window system asks and follows the host's size.
  // This default draws it once and returns; backends with real windows put a child window of
  // their own over the host's client area.
  virtual void KeepStillInHost(Window& hosted, const std::function<Bitmap(Size)>& picture_for);
  // Shows the window and runs its event loop until it closes; returns the modal result given
  // to Window::Close. Modal loops nest: while an inner one runs, input for the windows of outer
  // loops is dropped; their timers, paints and music notifications still arrive. When the
  // process is told to end (SIGTERM), each running loop asks its window to close, innermost
  // first. A window destroyed while its loop runs ends that loop with kModalCancel.
  virtual int RunModal(Window& window) = 0;
  // Handles the events pending now (for every open window) without waiting and without idle
  // calls; returns at once when there are none.
  virtual void ProcessMessages() = 0;
  // True when input (keys, pointer, a stop request) waits to be handled. Cheap enough to ask
  // between the steps of long work on this thread, which then calls ProcessMessages so the
  // input takes effect at once.
  virtual bool InputPending() = 0;
  // Pointer visibility over our windows, and the shape shown where it is visible.
  virtual void ShowCursor(bool show) = 0;
  virtual void SetCursorShape(CursorShape shape) = 0;
  // A timer sends kTimer events with `id` to the window every `interval_ms` until stopped;
  // starting an id again restarts it. Timers run on Ticks(), so the headless clock drives them.
  virtual void StartTimer(Window& window, int id, uint32_t interval_ms) = 0;
  virtual void StopTimer(Window& window, int id) = 0;
  // A modal message box; returns kModalOk, kModalYes or kModalNo (see MessageKind). Closing
  // the box without an answer gives kModalOk, or kModalNo for a question; so does a host
  // without a display (the SDL backend then prints the text to stderr).
  virtual int ShowMessageBox(Window* owner, const std::string& text, const std::string& caption,
                             MessageKind kind) = 0;

  // --- text
  virtual TextRenderer& Text() = 0;

  // --- audio
  // Plays a sound file in a loop, asynchronously, replacing any looping sound (sndPlaySound
  // with SND_ASYNC | SND_LOOP | SND_NODEFAULT). false when it cannot play (missing file, no
  // audio device): nothing plays then, and the show goes on.
  virtual bool PlayLoopingSound(const std::string& file) = 0;
  virtual void StopSound() = 0;
  virtual std::unique_ptr<MusicPlayer> CreateMusicPlayer() = 0;

  // --- system
  // Registry-like values under the current user, by key path ("Control Panel\Desktop"; a
  // leading "\" and the case of names do not matter). A missing key or value gives nullopt; an
  // integer read of a value that is not an integer gives nullopt too.
  virtual bool RegistryKeyExists(const std::string& key) = 0;
  virtual std::optional<std::string> ReadRegistryString(const std::string& key,
                                                        const std::string& name) = 0;
  virtual std::optional<int32_t> ReadRegistryInteger(const std::string& key,
                                                     const std::string& name) = 0;
  // Writes create the key when missing. false when the store cannot be written.
  virtual bool WriteRegistryString(const std::string& key, const std::string& name,
                                   const std::string& value) = 0;
  virtual bool WriteRegistryInteger(const std::string& key, const std::string& name,
                                    int32_t value) = 0;
  // Makes a BMP file the desktop wallpaper (SPI_SETDESKWALLPAPER, saved to the user profile).
  // `picture` holds the file's pixels, for hosts that paint the desktop themselves (the X root
  // window when no desktop environment runs). false when the host has no such service or
  // refused; the file is left as it is either way.
  virtual bool SetDesktopWallpaper(const std::string& bmp_file, const Bitmap& picture) = 0;

  // Screensaver password services. HasPasswordProvider: a provider exists that ChangePassword
  // can call. ChangePassword: runs the provider's dialog for the "SCRSAVE" key, owned by
  // `parent`; false when there is no provider. VerifyScreenSavePassword: asks for the password
  // before the screensaver closes. SetScreenSaverRunning: the Windows 9x "screensaver running"
  // flag (blocks Ctrl+Alt+Del and task switching there); does nothing elsewhere.
  virtual bool HasPasswordProvider() = 0;
  virtual bool ChangePassword(NativeHandle parent) = 0;
  virtual PasswordCheck VerifyScreenSavePassword(Window& window) = 0;
  virtual void SetScreenSaverRunning(bool running) = 0;

  // Opens a document or web address with the user's default program (the shell's "Open"
  // verb). false when it could not be started.
  virtual bool OpenDocument(const std::string& target) = 0;

  virtual OsFamily GetOsFamily() = 0;

  // --- clipboard
  // Plain text in the single-byte Windows-1252 encoding the rest of the program uses; "" when
  // the clipboard holds no text. Characters the encoding lacks are left out.
  virtual std::string ClipboardText() = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
};

// The process-wide platform. SetCurrent does not take ownership; Current throws lpc::Error
// when none is set.
Platform& Current();
void SetCurrent(Platform* platform);

}  // namespace lpc::platform
