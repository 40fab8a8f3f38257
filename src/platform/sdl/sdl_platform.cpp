#include "platform/sdl/sdl_platform.h"

#include <algorithm>
#include <cstdlib>

#include "base/errors.h"
#include "base/text_encoding.h"
#include "platform/backend_rows.h"

namespace lpc::platform {

namespace {

// SDL key -> Windows virtual-key number (0 for keys the runtime has no name for).
int KeyCodeOf(const SDL_Keysym& k) {
  const SDL_Keycode c = k.sym;
  if (c >= 'a' && c <= 'z') return static_cast<int>(c - 'a' + 'A');
  if (c >= '0' && c <= '9') return static_cast<int>(c);
  if (c >= SDLK_F1 && c <= SDLK_F12) return keys::kF1 + static_cast<int>(c - SDLK_F1);
  switch (c) {
    case SDLK_BACKSPACE: return keys::kBack;
    case SDLK_TAB: return keys::kTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return keys::kReturn;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return keys::kShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return keys::kControl;
    case SDLK_LALT:
    case SDLK_RALT: return keys::kAlt;
    case SDLK_PAUSE: return keys::kPause;
    case SDLK_CAPSLOCK: return keys::kCapsLock;
    case SDLK_ESCAPE: return keys::kEscape;
    case SDLK_SPACE: return keys::kSpace;
    case SDLK_PAGEUP: return keys::kPageUp;
    case SDLK_PAGEDOWN: return keys::kPageDown;
    case SDLK_END: return keys::kEnd;
    case SDLK_HOME: return keys::kHome;
    case SDLK_LEFT: return keys::kLeft;
    case SDLK_UP: return keys::kUp;
    case SDLK_RIGHT: return keys::kRight;
    case SDLK_DOWN: return keys::kDown;
    case SDLK_INSERT: return keys::kInsert;
    case SDLK_DELETE: return keys::kDelete;
  }
  return 0;
}

// Characters that come with the key press itself rather than through text input.
char32_t ControlCharOf(SDL_Keycode c) {
  switch (c) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return U'\r';
    case SDLK_ESCAPE: return 0x1B;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return U'\t';
  }
  return 0;
}

unsigned ModifiersOf(Uint16 mod) {
  unsigned m = 0;
  if (mod & KMOD_SHIFT) m |= kModShift;
  if (mod & KMOD_CTRL) m |= kModCtrl;
  if (mod & KMOD_ALT) m |= kModAlt;
  return m;
}

MouseButton ButtonOf(Uint8 b) {
  if (b == SDL_BUTTON_RIGHT) return MouseButton::kRight;
  if (b == SDL_BUTTON_MIDDLE) return MouseButton::kMiddle;
  return MouseButton::kLeft;
}

// The code points of a UTF-8 text input event (invalid bytes are skipped).
std::u32string DecodeUtf8(const char* s) {
  std::u32string out;
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  while (*p) {
    char32_t c = *p;
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) {
      ++p;
      continue;
    }
    if (extra > 0) c &= 0x3F >> extra;
    ++p;
    bool ok = true;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (*p & 0x3F);
    }
    if (ok) out += c;
  }
  return out;
}

}  // namespace

// A start gives up on the display after about half a second.
constexpr int kDisplayAttempts = 4;
constexpr uint32_t kDisplayRetryMs = 150;

std::atomic<uint64_t> SdlPlatform::music_session{0};

SdlPlatform::SdlPlatform() : loop_(*this) {
  if (SDL_Init(SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
    throw Error(std::string("Cannot start SDL: ") + SDL_GetError());
  }
  music_event_ = SDL_RegisterEvents(1);
}

SdlPlatform::~SdlPlatform() {
  CloseMonitorConnection();
  CloseAudio();
  if (arrow_) SDL_FreeCursor(arrow_);
  if (hand_) SDL_FreeCursor(hand_);
  text_.reset();
  SDL_Quit();
}

void SdlPlatform::NeedVideo() {
  if (video_) return;
  // The screensaver must not keep the X screensaver away, nor change the desktop's mode.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // Window surfaces otherwise go through an OpenGL texture, which on a machine without a GPU is
  // a software renderer costing several frame copies per frame; the X server's shared-memory
  // image is one copy. SDL_FRAMEBUFFER_ACCELERATION in the environment still decides.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  const char* display = std::getenv("DISPLAY");
  const std::string where = display && *display ? std::string(" \"") + display + "\"" : "";
  const char* chosen = std::getenv("SDL_VIDEODRIVER");
  // Without a driver chosen by the user, SDL falls back to drivers that show nothing, and the
  // show would run where no one sees or ends it. A display that refuses a connection for a
  // moment (an X server's queue full of other clients starting) gets a few more tries.
  std::string fault;
  for (int attempt = 0; attempt < kDisplayAttempts; ++attempt) {
    if (attempt > 0) SDL_Delay(kDisplayRetryMs);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      fault = SDL_GetError();
      continue;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string name = driver ? driver : "";
    if ((chosen && *chosen) || (name != "offscreen" && name != "dummy" && name != "evdev")) {
      fault.clear();
      break;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    fault = "no X server answers there";
  }
  if (!fault.empty()) throw Error("Cannot open the display" + where + ": " + fault);
  video_ = true;
  if (std::string(SDL_GetCurrentVideoDriver()) == "x11") KeepGoingOnXErrors();
  // The first window gets key events for text input; Win32 sends WM_CHAR the same way.
  SDL_StartTextInput();
}

Size SdlPlatform::ScreenSize() {
  NeedVideo();
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return {0, 0};
  return {mode.w, mode.h};
}

std::unique_ptr<HostedWindow> SdlPlatform::XScreenSaverHost(WindowHandler* handler) {
  const char* env = std::getenv("XSCREENSAVER_WINDOW");
  if (!env || !*env) return nullptr;
  char* end = nullptr;
  const unsigned long long id = std::strtoull(env, &end, 0);
  if (!end || *end != '\0' || id == 0) return nullptr;
  return HostedWindow::Open(*this, id, handler);
}

std::unique_ptr<Window> SdlPlatform::OpenWindow(const WindowOptions& options,
                                                WindowHandler* handler) {
  if (options.kind == WindowKind::kHosted) return HostedWindow::Open(*this, options.host, handler);
  // Under XScreenSaver the saver draws into the window it is given, and XScreenSaver starts
  // one saver for each display itself.
  if (options.kind == WindowKind::kFullScreen) {
    if (auto hosted = XScreenSaverHost(handler)) return hosted;
  }
  if (options.kind == WindowKind::kCover && XScreenSaverHost(nullptr)) return nullptr;
  NeedVideo();
  Uint32 flags = SDL_WINDOW_HIDDEN;
  int x = options.left, y = options.top;
  int w = std::clamp(options.client_width, 1, kMaxPictureSide);
  int h = std::clamp(options.client_height, 1, kMaxPictureSide);
  if (options.kind == WindowKind::kFullScreen) {
    // A size-0 desktop-fullscreen window stays 1x1 without a window manager: size it to the
    // display explicitly and place it there. SDL takes the display under the window's centre
    // for full screen, and the primary one need not be at the origin.
    const Size screen = ScreenSize();
    SDL_Rect bounds{0, 0, 0, 0};
    SDL_GetDisplayBounds(0, &bounds);
    x = bounds.x;
    y = bounds.y;
    w = std::max(1, screen.width);
    h = std::max(1, screen.height);
    flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP;
  } else if (options.kind == WindowKind::kCover) {
    flags |= SDL_WINDOW_BORDERLESS;
    // Full screen puts the window above a desktop's panels, but SDL takes it to one of the
    // displays it knows: a monitor plugged in after SDL started gets a plain window.
    for (int i = 0, n = SDL_GetNumVideoDisplays(); i < n; ++i) {
      SDL_Rect r;
      if (SDL_GetDisplayBounds(i, &r) == 0 && r.x == x && r.y == y && r.w == w && r.h == h) {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
      }
    }
  } else {
    if (options.border == BorderStyle::kNone) flags |= SDL_WINDOW_BORDERLESS;
    if (options.border == BorderStyle::kSizeable) flags |= SDL_WINDOW_RESIZABLE;
    if (options.centered) x = y = SDL_WINDOWPOS_CENTERED;
    if (options.maximized) {
      // Without a window manager the maximised flag leaves the size as created: take the
      // usable area of the display ourselves (a window manager then keeps it maximised).
      flags |= SDL_WINDOW_MAXIMIZED;
      SDL_Rect usable;
      if (SDL_GetDisplayUsableBounds(0, &usable) == 0 && usable.w > 0 && usable.h > 0) {
        x = usable.x;
        y = usable.y;
        w = std::min(usable.w, kMaxPictureSide);
        h = std::min(usable.h, kMaxPictureSide);
      }
    }
  }
  SDL_Window* win = SDL_CreateWindow(DisplayUtf8(options.caption).c_str(), x, y, w, h, flags);
  if (!win) throw Error(std::string("Cannot create a window: ") + SDL_GetError());
  if (options.kind == WindowKind::kCover) {
    auto cover = std::make_unique<SdlWindow>(*this, win, options, handler);
    cover->SetInputOwner(options.owner);
    cover->ShowNative();
    return cover;
  }
  // Dialogs stay with their owner (transient-for under X11).
  if (auto* owner = dynamic_cast<SdlWindow*>(options.owner)) {
    SDL_SetWindowModalFor(win, owner->sdl());
  } else if (options.foreign_owner != 0) {
    SetTransientFor(win, options.foreign_owner);
  }
  return std::make_unique<SdlWindow>(*this, win, options, handler);
}

int SdlPlatform::RunModal(Window& window) {
  return loop_.RunModal(static_cast<BasicWindow&>(window));
}

void SdlPlatform::ProcessMessages() { loop_.ProcessMessages(); }

bool SdlPlatform::InputPending() {
  // Keys, text and the pointer are one range of event types; SDL_QUIT is a stop request.
  SDL_PumpEvents();
  return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_MOUSEWHEEL) > 0 ||
         SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0 || loop_.InputPosted();
}

void SdlPlatform::ShowCursor(bool show) {
  if (video_) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void SdlPlatform::SetCursorShape(CursorShape shape) {
  if (!video_) return;
  SDL_Cursor*& cursor = shape == CursorShape::kHand ? hand_ : arrow_;
  if (!cursor) {
    cursor = SDL_CreateSystemCursor(shape == CursorShape::kHand ? SDL_SYSTEM_CURSOR_HAND
                                                                : SDL_SYSTEM_CURSOR_ARROW);
  }
  if (cursor) SDL_SetCursor(cursor);
}

void SdlPlatform::StartTimer(Window& window, int id, uint32_t interval_ms) {
  loop_.StartTimer(static_cast<BasicWindow&>(window), id, interval_ms);
}

void SdlPlatform::StopTimer(Window& window, int id) {
  loop_.StopTimer(static_cast<BasicWindow&>(window), id);
}

TextRenderer& SdlPlatform::Text() {
  if (!text_) text_ = CreateFreeTypeTextRenderer();
  return *text_;
}

IniRegistry& SdlPlatform::Registry() {
  if (!registry_) {
    registry_ = std::make_unique<IniRegistry>(DefaultRegistryPath(), StandardProfileKeys());
  }
  return *registry_;
}

bool SdlPlatform::RegistryKeyExists(const std::string& key) { return Registry().KeyExists(key); }
std::optional<std::string> SdlPlatform::ReadRegistryString(const std::string& key,
                                                           const std::string& name) {
  return Registry().ReadString(key, name);
}
std::optional<int32_t> SdlPlatform::ReadRegistryInteger(const std::string& key,
                                                        const std::string& name) {
  return Registry().ReadInteger(key, name);
}
bool SdlPlatform::WriteRegistryString(const std::string& key, const std::string& name,
                                      const std::string& value) {
  return Registry().WriteString(key, name, value);
}
bool SdlPlatform::WriteRegistryInteger(const std::string& key, const std::string& name,
                                       int32_t value) {
  return Registry().WriteInteger(key, name, value);
}

bool SdlPlatform::OpenDocument(const std::string& target) {
  if (target.empty()) return false;
  // Tests point this at a recorder; everyone else gets the desktop's opener.
  const char* program = std::getenv("LPC_OPEN_COMMAND");
  return SpawnDetached(program && *program ? program : "xdg-open", target);
}

// SDL's clipboard speaks UTF-8; the program's text is Windows-1252.
std::string SdlPlatform::ClipboardText() {
  if (!SDL_HasClipboardText()) return "";
  char* utf8 = SDL_GetClipboardText();
  if (!utf8) return "";
  std::string out;
  if (char* bytes = SDL_iconv_string("WINDOWS-1252", "UTF-8", utf8, SDL_strlen(utf8) + 1)) {
    out = bytes;
    SDL_free(bytes);
  }
  SDL_free(utf8);
  return out;
}

void SdlPlatform::SetClipboardText(const std::string& text) {
  char* utf8 = SDL_iconv_string("UTF-8", "WINDOWS-1252", text.c_str(), text.size() + 1);
  if (!utf8) return;
  SDL_SetClipboardText(utf8);
  SDL_free(utf8);
}

BasicWindow* SdlPlatform::FindWindow(Uint32 sdl_id) {
  SDL_Window* w = SDL_GetWindowFromID(sdl_id);
  if (!w) return nullptr;
  auto* ours = static_cast<SdlWindow*>(SDL_GetWindowData(w, "lpc"));
  return ours && loop_.IsLive(ours) ? ours : nullptr;
}

bool SdlPlatform::NextNativeEvent(int timeout_ms, Delivery& out) {
  SDL_Event e;
  // SDL may hand out events that mean nothing to us; keep looking, without waiting again.
  int wait = timeout_ms;
  for (;;) {
    const int got = wait == 0 ? SDL_PollEvent(&e) : SDL_WaitEventTimeout(&e, wait < 0 ? -1 : wait);
    if (!got) return false;
    if (Translate(e, out)) return true;
    wait = 0;
  }
}

bool SdlPlatform::Translate(const SDL_Event& e, Delivery& out) {
  out = Delivery{};
  if (e.type == music_event_) {
    // Posted by the mixer's finished hook on the audio thread; it carries the play session
    // that ended so that a halted or replaced track is not taken for a finished one.
    DeliverMusicEnd(*this, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(e.user.data1)));
    return false;
  }
  switch (e.type) {
    case SDL_QUIT:
      // SIGTERM or SIGINT (XScreenSaver ends its savers this way): close every modal window,
      // innermost first, so that each runs its clean-up.
      loop_.RequestQuit();
      return false;
    case SDL_WINDOWEVENT: {
      out.window = FindWindow(e.window.windowID);
      if (!out.window) return false;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
          out.window->Invalidate();
          return false;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          out.kind = Delivery::Kind::kResize;
          out.width = e.window.data1;
          out.height = e.window.data2;
          return true;
        case SDL_WINDOWEVENT_CLOSE:
          out.kind = Delivery::Kind::kCloseRequest;
          return true;
        case SDL_WINDOWEVENT_LEAVE:
          out.event.kind = EventKind::kMouseLeave;
          return true;
      }
      return false;
    }
    case SDL_MOUSEMOTION:
      out.window = FindWindow(e.motion.windowID);
      out.event.kind = EventKind::kMouseMove;
      out.event.x = e.motion.x;
      out.event.y = e.motion.y;
      // SDL reports the pointer's first position in a window with no relative motion.
      out.event.moved = e.motion.xrel != 0 || e.motion.yrel != 0;
      out.event.modifiers = ModifiersOf(SDL_GetModState());
      return out.window != nullptr;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      out.window = FindWindow(e.button.windowID);
      out.event.kind =
          e.type == SDL_MOUSEBUTTONDOWN ? EventKind::kMouseDown : EventKind::kMouseUp;
      out.event.x = e.button.x;
      out.event.y = e.button.y;
      out.event.button = ButtonOf(e.button.button);
      out.event.clicks = e.button.clicks;
      out.event.modifiers = ModifiersOf(SDL_GetModState());
      return out.window != nullptr;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      out.window = FindWindow(e.key.windowID);
      if (!out.window) return false;
      out.event.kind = e.type == SDL_KEYDOWN ? EventKind::kKeyDown : EventKind::kKeyUp;
      out.event.key = KeyCodeOf(e.key.keysym);
      out.event.modifiers = ModifiersOf(e.key.keysym.mod);
      if (e.type == SDL_KEYDOWN) {
        text_modifiers_ = out.event.modifiers;
        char32_t ch = ControlCharOf(e.key.keysym.sym);
        // Ctrl+letter types a control character (Ctrl+A is 1), as it does on Windows; text
        // input reports nothing for it.
        const SDL_Keycode sym = e.key.keysym.sym;
        if (!ch && (e.key.keysym.mod & KMOD_CTRL) && !(e.key.keysym.mod & KMOD_ALT) &&
            sym >= 'a' && sym <= 'z') {
          ch = static_cast<char32_t>(sym - 'a' + 1);
        }
        if (ch) {
          Delivery c = out;
          c.event.kind = EventKind::kKeyChar;
          c.event.ch = ch;
          loop_.Post(c);  // after the key-down, as WM_CHAR follows WM_KEYDOWN
        }
      }
      return true;
    }
    case SDL_TEXTINPUT: {
      BasicWindow* w = FindWindow(e.text.windowID);
      if (!w) return false;
      for (char32_t ch : DecodeUtf8(e.text.text)) {
        Delivery c;
        c.window = w;
        c.event.kind = EventKind::kKeyChar;
        c.event.ch = ch;
        // X11 types "a" for Alt+a too, where Windows sends no character; the modifiers let
        // the receiver tell the two apart.
        c.event.modifiers = text_modifiers_;
        loop_.Post(c);
      }
      return false;
    }
  }
  return false;
}

namespace {

// SDL is linked in. Whether a display answers is found when the first window opens, and said
// then with the display's name; the runtime's other modes (the password change, the settings in
// the ini file) need none.
bool SdlAvailable() { return true; }

std::unique_ptr<Platform> CreateSdl(const BackendOptions&) {
  return std::make_unique<SdlPlatform>();
}

}  // namespace

constinit const Backend kSdlBackend{"sdl", SdlAvailable, CreateSdl};

}  // namespace lpc::platform
