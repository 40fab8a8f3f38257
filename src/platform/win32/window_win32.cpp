// Windows of the Win32 backend: creation by kind, presenting bitmaps with StretchDIBits, and
// turning window messages into Events.
#include <algorithm>

#include "base/errors.h"
#include "platform/win32/win32_internal.h"

namespace lpc::platform::win32 {

BITMAPINFO TopDownInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: rows run top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

namespace {

unsigned CurrentModifiers() {
  unsigned m = 0;
  if (GetKeyState(VK_SHIFT) & 0x8000) m |= kModShift;
  if (GetKeyState(VK_CONTROL) & 0x8000) m |= kModCtrl;
  if (GetKeyState(VK_MENU) & 0x8000) m |= kModAlt;
  return m;
}

struct FrameStyle {
  DWORD style;
  DWORD ex_style;
};

FrameStyle StyleFor(const WindowOptions& o) {
  if (o.kind == WindowKind::kFullScreen) return {WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOPMOST};
  // No taskbar button for the covers: the show is the one program running.
  if (o.kind == WindowKind::kCover) return {WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW};
  DWORD style = WS_CLIPCHILDREN;
  DWORD ex = 0;
  switch (o.border) {
    case BorderStyle::kNone:
      style |= WS_POPUP;
      break;
    case BorderStyle::kSizeable:
      style |= WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME;
      break;
    case BorderStyle::kFixed:
      style |= WS_OVERLAPPED | WS_CAPTION | WS_BORDER;
      break;
    case BorderStyle::kDialog:
      style |= WS_POPUP | WS_CAPTION | WS_DLGFRAME;
      ex |= WS_EX_DLGMODALFRAME;
      break;
  }
  if (o.border != BorderStyle::kNone) {
    if (o.system_menu) style |= WS_SYSMENU;
    if (o.minimize_box) style |= WS_MINIMIZEBOX;
    if (o.maximize_box) style |= WS_MAXIMIZEBOX;
  }
  return {style, ex};
}

// A rectangle clipped to a bitmap; empty when nothing is left.
Rect ClipToBitmap(const Rect& r, const Bitmap& b) {
  const Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, b.width()),
               std::min(r.bottom, b.height())};
  return c.IsEmpty() ? Rect{} : c;
}

}  // namespace

Win32Window::Win32Window(Win32Platform& platform, const WindowOptions& options,
                         WindowHandler* handler)
    : ClosableWindow(options, handler), platform_(platform) {
  platform_.Register(this);
}

Win32Window::~Win32Window() {
  platform_.Forget(this);
  if (disabled_owner_ && IsWindow(disabled_owner_)) EnableWindow(disabled_owner_, TRUE);
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

bool Win32Window::Create() {
  if (hosted()) {
    host_ = reinterpret_cast<HWND>(static_cast<uintptr_t>(options_.host));
    return host_ && IsWindow(host_);
  }
  const FrameStyle fs = StyleFor(options_);
  int x = options_.left;
  int y = options_.top;
  int w = 0;
  int h = 0;
  if (full_screen()) {
    x = 0;
    y = 0;
    w = GetSystemMetrics(SM_CXSCREEN);
    h = GetSystemMetrics(SM_CYSCREEN);
  } else if (cover()) {
    w = std::max(options_.client_width, 1);
    h = std::max(options_.client_height, 1);
  } else {
    RECT r{0, 0, std::max(options_.client_width, 0), std::max(options_.client_height, 0)};
    AdjustWindowRectEx(&r, fs.style, FALSE, fs.ex_style);
    w = r.right - r.left;
    h = r.bottom - r.top;
    if (options_.centered) {
      RECT work{};
      SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
      x = work.left + ((work.right - work.left) - w) / 2;
      y = work.top + ((work.bottom - work.top) - h) / 2;
    }
  }
  HWND owner = nullptr;
  if (options_.owner) owner = static_cast<Win32Window*>(options_.owner)->hwnd();
  HWND foreign = reinterpret_cast<HWND>(static_cast<uintptr_t>(options_.foreign_owner));
  if (!owner && foreign && IsWindow(foreign)) owner = foreign;
  hwnd_ = CreateWindowExA(fs.ex_style, kWindowClass, options_.caption.c_str(), fs.style, x, y, w,
                          h, owner, nullptr, platform_.instance(), this);
  if (!hwnd_) throw Error("Cannot create a window (error " + std::to_string(GetLastError()) + ")");
  // Modal to the host's dialog, as the system's own dialogs are: the host takes no input while
  // this window is open, and gets it back (and the focus) before this window goes.
  if (owner == foreign && foreign) {
    disabled_owner_ = foreign;
    EnableWindow(foreign, FALSE);
  }
  return true;
}

Size Win32Window::ClientSize() const {
  if (hosted()) {
    // The preview pane of the display settings has no frame: its window rectangle is the
    // area to fill.
    RECT r{};
    if (!GetWindowRect(host_, &r)) return {};
    return {r.right - r.left, r.bottom - r.top};
  }
  RECT r{};
  GetClientRect(hwnd_, &r);
  return {r.right - r.left, r.bottom - r.top};
}

void Win32Window::Present(const Bitmap& bitmap, const Rect& src, int x, int y) {
  const Rect s = ClipToBitmap(src, bitmap);
  if (s.IsEmpty() || closed_) return;
  HWND target = hwnd();
  if (!target) return;
  HDC dc = GetDC(target);
  if (!dc) return;
  // Whole rows from s.y on, as a DIB of their own: the source origin of a top-down DIB is
  // then row 0 whatever the reading of ySrc.
  BITMAPINFO info = TopDownInfo(bitmap.width(), s.Height());
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, x + (s.left - src.left), y + (s.top - src.top), s.Width(), s.Height(), s.left,
                0, s.Width(), s.Height(), bitmap.Row(s.top), &info, DIB_RGB_COLORS, SRCCOPY);
  ReleaseDC(target, dc);
}

void Win32Window::FillRect(const Rect& rect, Color color) {
  if (rect.IsEmpty() || closed_) return;
  HWND target = hwnd();
  if (!target) return;
  HDC dc = GetDC(target);
  if (!dc) return;
  HBRUSH brush = CreateSolidBrush(ToColorRef(color));
  RECT r{rect.left, rect.top, rect.right, rect.bottom};
  ::FillRect(dc, &r, brush);
  DeleteObject(brush);
  ReleaseDC(target, dc);
}

void Win32Window::SetCaption(const std::string& caption) {
  if (hosted()) {
    caption_ = caption;
    return;
  }
  SetWindowTextA(hwnd_, caption.c_str());
}

std::string Win32Window::Caption() const {
  if (hosted()) return caption_;
  const int n = GetWindowTextLengthA(hwnd_);
  std::string text(static_cast<size_t>(std::max(n, 0)) + 1, '\0');
  const int got = GetWindowTextA(hwnd_, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

bool Win32Window::IsVisible() const {
  HWND w = hwnd();
  return w && IsWindowVisible(w);
}

void Win32Window::Invalidate() {
  if (hosted()) {
    paint_pending_ = true;
    return;
  }
  InvalidateRect(hwnd_, nullptr, FALSE);
}

NativeHandle Win32Window::Handle() const {
  return static_cast<NativeHandle>(reinterpret_cast<uintptr_t>(hwnd()));
}

void Win32Window::HideAfterClose() {
  platform_.ReleaseModalFrame(this);
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
  // Wake a loop that waits for messages so that it sees the close.
  PostMessageA(platform_.message_window(), WM_NULL, 0, 0);
}

void Win32Window::ShowForModal() {
  Reopen();
  if (hosted()) return;
  int show = SW_SHOWNORMAL;
  if (full_screen() || options_.maximized) show = SW_SHOWMAXIMIZED;
  if (full_screen()) {
    // Maximising a popup can leave out the taskbar's area: cover the whole primary display.
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                 GetSystemMetrics(SM_CYSCREEN), SWP_NOACTIVATE);
    show = SW_SHOW;
  }
  ShowWindow(hwnd_, show);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
  SetFocus(hwnd_);
}

void Win32Window::ShowCover() {
  SetWindowPos(hwnd_, HWND_TOPMOST, options_.left, options_.top, std::max(options_.client_width, 1),
               std::max(options_.client_height, 1), SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(hwnd_);
}

void Win32Window::Deliver(const Event& event) {
  if (handler_ && !closed_) handler_->OnEvent(*this, event);
}

void Win32Window::DeliverInput(const Event& event) {
  if (platform_.AcceptsInput(this)) Deliver(event);
}

void Win32Window::RunPendingPaint() {
  paint_pending_ = false;
  if (handler_ && !closed_) handler_->OnPaint(*this);
}

Event Win32Window::MouseEvent(EventKind kind, LPARAM lparam) const {
  Event e;
  e.kind = kind;
  e.x = GET_X_LPARAM(lparam);
  e.y = GET_Y_LPARAM(lparam);
  e.modifiers = CurrentModifiers();
  return e;
}

LRESULT Win32Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT r{};
      GetClientRect(hwnd_, &r);
      HBRUSH brush = CreateSolidBrush(ToColorRef(options_.background));
      ::FillRect(reinterpret_cast<HDC>(wparam), &r, brush);
      DeleteObject(brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd_, &ps);
      EndPaint(hwnd_, &ps);
      if (handler_ && !closed_) handler_->OnPaint(*this);
      return 0;
    }
    case WM_SIZE:
      if (handler_) handler_->OnResize(*this, LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_CLOSE:
      Close(kModalCancel);
      return 0;
    case WM_ACTIVATEAPP:
      // The user switched to another program (Alt+Tab, a window that took the foreground): the
      // show ends, as it does on a key. Activation moving between the show and its monitor
      // covers stays inside this program and never arrives here; nor does a message box or
      // password dialog of our own.
      if (!wparam && full_screen() && !closed_) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
      break;
    case WM_SETCURSOR:
      if (LOWORD(lparam) == HTCLIENT) {
        SetCursor(platform_.current_cursor());
        return TRUE;
      }
      break;
    case WM_SYSCOMMAND:
      // A running screensaver must not be started again over itself.
      if ((wparam & 0xFFF0) == SC_SCREENSAVE && platform_.AnyFullScreenOpen()) return 0;
      break;
    case WM_MOUSEMOVE: {
      // Ask for WM_MOUSELEAVE once the pointer leaves the client area.
      TRACKMOUSEEVENT track{};
      track.cbSize = sizeof track;
      track.dwFlags = TME_LEAVE;
      track.hwndTrack = hwnd_;
      TrackMouseEvent(&track);
      DeliverInput(MouseEvent(EventKind::kMouseMove, lparam));
      return 0;
    }
    case WM_MOUSELEAVE: {
      Event e;
      e.kind = EventKind::kMouseLeave;
      DeliverInput(e);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const bool up = message == WM_LBUTTONUP || message == WM_RBUTTONUP ||
                      message == WM_MBUTTONUP;
      Event e = MouseEvent(up ? EventKind::kMouseUp : EventKind::kMouseDown, lparam);
      if (message == WM_RBUTTONDOWN || message == WM_RBUTTONDBLCLK || message == WM_RBUTTONUP) {
        e.button = MouseButton::kRight;
      } else if (message == WM_MBUTTONDOWN || message == WM_MBUTTONDBLCLK ||
                 message == WM_MBUTTONUP) {
        e.button = MouseButton::kMiddle;
      }
      if (message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK ||
          message == WM_MBUTTONDBLCLK) {
        e.clicks = 2;
      }
      DeliverInput(e);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      Event e;
      e.kind = (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) ? EventKind::kKeyDown
                                                                   : EventKind::kKeyUp;
      e.key = static_cast<int>(wparam & 0xFF);
      e.modifiers = CurrentModifiers();
      DeliverInput(e);
      // Alt+F4 and the other system keys keep their usual meaning.
      if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) break;
      return 0;
    }
    case WM_CHAR: {
      // An ANSI window gets the character in the system code page; events carry Unicode.
      const char byte = static_cast<char>(wparam & 0xFF);
      wchar_t wide = 0;
      if (static_cast<unsigned char>(byte) < 0x80) {
        wide = static_cast<wchar_t>(byte);
      } else if (MultiByteToWideChar(CP_ACP, 0, &byte, 1, &wide, 1) != 1) {
        wide = static_cast<wchar_t>(static_cast<unsigned char>(byte));
      }
      Event e;
      e.kind = EventKind::kKeyChar;
      e.ch = static_cast<char32_t>(wide);
      e.modifiers = CurrentModifiers();
      DeliverInput(e);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wparam, lparam);
}

}  // namespace lpc::platform::win32
