// The Win32 platform: window classes, the message loop with its idle hook and nested modal
// runs, timers, message boxes and the cursor.
#include <algorithm>
#include <exception>

#include "base/errors.h"
#include "platform/backend_rows.h"
#include "platform/win32/win32_internal.h"

namespace lpc::platform::win32 {

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    auto* window = static_cast<Win32Window*>(create->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    window->Attach(hwnd);
  }
  auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!window) return DefWindowProcA(hwnd, message, wparam, lparam);
  // An error must not unwind through the system's frames: it is held and raised again once
  // DispatchMessageA has returned.
  Win32Platform& platform = window->platform();
  try {
    return window->HandleMessage(message, wparam, lparam);
  } catch (...) {
    platform.HoldError(std::current_exception());
    return 0;
  }
}

LRESULT CALLBACK HelperProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* platform = reinterpret_cast<Win32Platform*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!platform) return DefWindowProcA(hwnd, message, wparam, lparam);
  try {
    return platform->HandleHelperMessage(hwnd, message, wparam, lparam);
  } catch (...) {
    platform->HoldError(std::current_exception());
    return 0;
  }
}

void RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExA(instance, kWindowClass, &wc)) {
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassExA(&wc)) throw Error("Cannot register the window class");
  }
  wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExA(instance, kHelperClass, &wc)) {
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = HelperProc;
    wc.hInstance = instance;
    wc.lpszClassName = kHelperClass;
    if (!RegisterClassExA(&wc)) throw Error("Cannot register the helper window class");
  }
}

}  // namespace

Win32Platform::Win32Platform() {
  instance_ = GetModuleHandleA(nullptr);
  // Screen sizes and window positions are in real pixels: the program's manifest declares it
  // aware of each monitor's scaling (see src/startup/lpcsaver.manifest).
  RegisterClasses(instance_);
  message_window_ = CreateWindowExA(0, kHelperClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    instance_, this);
  if (!message_window_) throw Error("Cannot create the message window");
  timer_period_set_ = timeBeginPeriod(1) == TIMERR_NOERROR;
}

Win32Platform::~Win32Platform() {
  for (auto& [native, entry] : timers_) KillTimer(message_window_, native);
  timers_.clear();
  if (message_window_) {
    SetWindowLongPtrA(message_window_, GWLP_USERDATA, 0);
    DestroyWindow(message_window_);
  }
  if (!cursor_visible_) ::ShowCursor(TRUE);
  if (timer_period_set_) timeEndPeriod(1);
}

// --- clock

uint32_t Win32Platform::Ticks() { return GetTickCount(); }

void Win32Platform::Sleep(uint32_t ms) { ::Sleep(ms); }

// --- windows

Size Win32Platform::ScreenSize() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

std::vector<DisplayInfo> Win32Platform::Displays() {
  std::vector<DisplayInfo> displays;
  const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  struct Walk {
    std::vector<DisplayInfo>* list;
    HMONITOR primary;
  } walk{&displays, primary};
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
        auto* w = reinterpret_cast<Walk*>(data);
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        if (GetMonitorInfoA(monitor, &info)) {
          const RECT& r = info.rcMonitor;
          w->list->push_back(
              DisplayInfo{Rect{r.left, r.top, r.right, r.bottom}, monitor == w->primary});
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&walk));
  const bool one_primary =
      std::count_if(displays.begin(), displays.end(), [](const DisplayInfo& d) {
        return d.primary;
      }) == 1;
  if (!one_primary) return Platform::Displays();
  return displays;
}

std::unique_ptr<Window> Win32Platform::OpenWindow(const WindowOptions& options,
                                                  WindowHandler* handler) {
  auto window = std::make_unique<Win32Window>(*this, options, handler);
  if (!window->Create()) return nullptr;
  if (window->cover()) {
    window->SetInputOwner(options.owner);
    window->ShowCover();
  }
  return window;
}

void Win32Platform::Forget(Win32Window* window) {
  std::erase(windows_, window);
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->second.window == window) {
      KillTimer(message_window_, it->first);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
  for (ModalFrame& frame : modal_) {
    if (frame.window == window) {
      for (HWND h : frame.disabled) EnableWindow(h, TRUE);
      frame.disabled.clear();
      frame.window = nullptr;
    }
  }
}

bool Win32Platform::IsLive(const Window* window) const {
  return std::find(windows_.begin(), windows_.end(), window) != windows_.end();
}

bool Win32Platform::AcceptsInput(const Win32Window* window) const {
  if (message_box_depth_ > 0) return false;
  if (modal_.empty() || modal_.back().window == window) return true;
  return window->input_owner() != nullptr && window->input_owner() == modal_.back().window;
}

bool Win32Platform::AnyFullScreenOpen() const {
  return std::any_of(windows_.begin(), windows_.end(), [](const Win32Window* w) {
    return w->full_screen() && !w->IsClosed() && w->IsVisible();
  });
}

void Win32Platform::ReleaseModalFrame(Win32Window* window) {
  for (ModalFrame& frame : modal_) {
    if (frame.window != window) continue;
    for (HWND h : frame.disabled) {
      if (IsWindow(h)) EnableWindow(h, TRUE);
    }
    frame.disabled.clear();
  }
}

bool Win32Platform::PumpOne() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    // The process is told to end: every running loop asks its window to close, innermost
    // first (see RunModal).
    quit_requested_ = true;
    return true;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  if (held_error_) {
    std::exception_ptr error = held_error_;
    held_error_ = nullptr;
    std::rethrow_exception(error);
  }
  return true;
}

void Win32Platform::HoldError(std::exception_ptr error) {
  // The first error of a dispatch is the one that matters; later ones follow from it.
  if (!held_error_) held_error_ = error;
}

void Win32Platform::RunHostedPaints() {
  // Copy first: a paint handler may open or close windows.
  std::vector<Win32Window*> pending;
  for (Win32Window* w : windows_) {
    if (w->paint_pending()) pending.push_back(w);
  }
  for (Win32Window* w : pending) {
    if (IsLive(w)) w->RunPendingPaint();
  }
}

int Win32Platform::RunModal(Window& window) {
  auto& win = static_cast<Win32Window&>(window);
  if (!IsLive(&win)) return kModalCancel;

  // Every other visible window of ours is disabled while this one runs, as a modal dialog's
  // owner is: the system then keeps activation and input on the modal window.
  ModalFrame frame{&win, {}, false};
  if (!win.hosted()) {
    for (Win32Window* other : windows_) {
      if (other == &win || other->hosted() || other->input_owner() == &win) continue;
      HWND h = other->hwnd();
      if (h && IsWindowVisible(h) && IsWindowEnabled(h)) {
        EnableWindow(h, FALSE);
        frame.disabled.push_back(h);
      }
    }
  }
  modal_.push_back(frame);
  const size_t depth = modal_.size();
  // However the loop ends (also by an error from a handler), the outer windows get their input
  // back and the frame goes.
  struct FrameGuard {
    Win32Platform& platform;
    size_t depth;
    ~FrameGuard() { platform.EndModalFrame(depth); }
  } guard{*this, depth};
  win.ShowForModal();
  if (win.handler()) win.handler()->OnShow(win);

  for (;;) {
    // The window may be destroyed by a handler while its loop runs.
    if (modal_[depth - 1].window == nullptr) return kModalCancel;
    if (win.IsClosed()) return win.modal_result();
    if (quit_requested_ && !modal_[depth - 1].quit_asked) {
      modal_[depth - 1].quit_asked = true;
      win.Close(kModalCancel);
      continue;
    }
    if (PumpOne()) continue;
    RunHostedPaints();
    if (modal_[depth - 1].window == nullptr || win.IsClosed()) continue;
    const bool more = win.handler() && win.handler()->OnIdle(win);
    if (more) continue;
    if (modal_[depth - 1].window == nullptr || win.IsClosed()) continue;
    if (win.hosted()) {
      // Nothing of ours gets messages for a host window: look now and then whether the host
      // is still there.
      if (!IsWindow(win.hwnd())) {
        win.Close(kModalCancel);
        continue;
      }
      MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    } else {
      MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
  }
}

void Win32Platform::EndModalFrame(size_t depth) {
  // Inner frames left behind by an error end with this one.
  while (modal_.size() >= depth && !modal_.empty()) {
    for (HWND h : modal_.back().disabled) {
      if (IsWindow(h)) EnableWindow(h, TRUE);
    }
    modal_.pop_back();
  }
  // A quit ends with the outermost loop; later loops run normally.
  if (modal_.empty()) quit_requested_ = false;
  if (!modal_.empty() && modal_.back().window && !modal_.back().window->hosted()) {
    SetForegroundWindow(modal_.back().window->hwnd());
  }
}

bool Win32Platform::InputPending() {
  // The high word: kinds of message in the queue now, read or not.
  return HIWORD(GetQueueStatus(QS_INPUT)) != 0;
}

void Win32Platform::ProcessMessages() {
  // Bounded, so that a stream of posted messages cannot keep the caller here for ever.
  for (int i = 0; i < 10000 && PumpOne(); ++i) {
  }
  RunHostedPaints();
}

// --- cursor

HCURSOR Win32Platform::current_cursor() const {
  return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(
                                  cursor_shape_ == CursorShape::kHand ? IDC_HAND : IDC_ARROW));
}

void Win32Platform::ShowCursor(bool show) {
  // ShowCursor keeps a count; the interface is a switch, so only changes go through.
  if (show == cursor_visible_) return;
  cursor_visible_ = show;
  ::ShowCursor(show ? TRUE : FALSE);
}

void Win32Platform::SetCursorShape(CursorShape shape) {
  cursor_shape_ = shape;
  POINT p;
  if (GetCursorPos(&p)) {
    HWND under = WindowFromPoint(p);
    for (Win32Window* w : windows_) {
      if (!w->hosted() && w->hwnd() == under) SetCursor(current_cursor());
    }
  }
}

// --- timers

void Win32Platform::StartTimer(Window& window, int id, uint32_t interval_ms) {
  StopTimer(window, id);
  auto* win = static_cast<Win32Window*>(&window);
  const UINT_PTR native = next_timer_++;
  if (SetTimer(message_window_, native, std::max<uint32_t>(interval_ms, USER_TIMER_MINIMUM),
               nullptr)) {
    timers_[native] = TimerEntry{win, id};
  }
}

void Win32Platform::StopTimer(Window& window, int id) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->second.window == &window && it->second.id == id) {
      KillTimer(message_window_, it->first);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

LRESULT Win32Platform::HandleHelperMessage(HWND hwnd, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  switch (message) {
    case WM_TIMER: {
      auto it = timers_.find(static_cast<UINT_PTR>(wparam));
      if (it == timers_.end()) {
        KillTimer(hwnd, static_cast<UINT_PTR>(wparam));
        return 0;
      }
      Event e;
      e.kind = EventKind::kTimer;
      e.timer_id = it->second.id;
      it->second.window->Deliver(e);
      return 0;
    }
    case MM_MCINOTIFY: {
      const auto device = static_cast<MCIDEVICEID>(lparam);
      // Copy: the handler may close or destroy players.
      const std::vector<MciMusicPlayer*> players = players_;
      for (MciMusicPlayer* p : players) {
        if (std::find(players_.begin(), players_.end(), p) != players_.end() &&
            p->device() == device) {
          p->OnNotify(wparam);
          break;
        }
      }
      return 0;
    }
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

void Win32Platform::RemovePlayer(MciMusicPlayer* player) { std::erase(players_, player); }

// --- message boxes

int Win32Platform::ShowMessageBox(Window* owner, const std::string& text,
                                  const std::string& caption, MessageKind kind) {
  UINT type = MB_SETFOREGROUND;
  switch (kind) {
    case MessageKind::kInformation:
      type |= MB_OK | MB_ICONINFORMATION;
      break;
    case MessageKind::kError:
      type |= MB_OK | MB_ICONERROR;
      break;
    case MessageKind::kYesNo:
      type |= MB_YESNO | MB_ICONQUESTION;
      break;
  }
  HWND owner_hwnd = nullptr;
  if (owner && IsLive(owner)) {
    auto* w = static_cast<Win32Window*>(owner);
    if (!w->hosted() && w->IsVisible()) owner_hwnd = w->hwnd();
  }
  // Over a full-screen window the box must come to the top, or it waits unseen behind it.
  if (!owner_hwnd) type |= AnyFullScreenOpen() ? (MB_TOPMOST | MB_TASKMODAL) : MB_TASKMODAL;
  const bool hidden = !cursor_visible_;
  if (hidden) ::ShowCursor(TRUE);
  ++message_box_depth_;
  const int answer = MessageBoxA(owner_hwnd, text.c_str(), caption.c_str(), type);
  --message_box_depth_;
  if (hidden) ::ShowCursor(FALSE);
  if (kind == MessageKind::kYesNo) return answer == IDYES ? kModalYes : kModalNo;
  return kModalOk;
}

}  // namespace lpc::platform::win32

namespace lpc::platform {

namespace {

// Every Windows the program runs on has GDI, winmm and the registry.
bool Win32Available() { return true; }

// One per process. It also raises the timer resolution to 1 ms for its lifetime so that the
// frame pacing sleeps are accurate.
std::unique_ptr<Platform> CreateWin32(const BackendOptions&) {
  return std::make_unique<win32::Win32Platform>();
}

}  // namespace

constinit const Backend kWin32Backend{"win32", Win32Available, CreateWin32};

}  // namespace lpc::platform
