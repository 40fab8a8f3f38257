// A still picture that stays in the host's preview area (the display settings' little
// monitor): a child window of the host, sized to its client area, that paints the picture
// whenever Windows asks and is destroyed with its parent, which ends the preview.
#include <algorithm>
#include <functional>

#include "platform/win32/win32_internal.h"

namespace lpc::platform::win32 {

namespace {

constexpr const char* kPreviewClass = "LPCSaverPreview";
constexpr UINT_PTR kHostCheckTimer = 1;
constexpr UINT kHostCheckMs = 250;

struct PreviewState {
  const std::function<Bitmap(Size)>* picture_for;
  Bitmap picture;
};

Size ClientSizeOf(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {std::max<int>(1, r.right - r.left), std::max<int>(1, r.bottom - r.top)};
}

LRESULT CALLBACK PreviewProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* state = reinterpret_cast<PreviewState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the picture covers everything
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (state && state->picture.width() > 0) {
        const Bitmap& b = state->picture;
        BITMAPINFO info = TopDownInfo(b.width(), b.height());
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(b.width()), static_cast<DWORD>(b.height()),
                          0, 0, 0, static_cast<UINT>(b.height()), b.Row(0), &info, DIB_RGB_COLORS);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_TIMER: {
      // The host's size is followed; a host that went without taking us along ends the preview.
      HWND host = GetParent(hwnd);
      if (!host || !IsWindow(host)) {
        DestroyWindow(hwnd);
        return 0;
      }
      const Size size = ClientSizeOf(host);
      if (state &&
          (size.width != state->picture.width() || size.height != state->picture.height())) {
        state->picture = (*state->picture_for)(size);
        MoveWindow(hwnd, 0, 0, size.width, size.height, TRUE);
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    }
    case WM_DESTROY:
      KillTimer(hwnd, kHostCheckTimer);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace

void Win32Platform::KeepStillInHost(Window& hosted,
                                    const std::function<Bitmap(Size)>& picture_for) {
  HWND host = reinterpret_cast<HWND>(static_cast<uintptr_t>(hosted.Handle()));
  if (!host || !IsWindow(host)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExA(instance_, kPreviewClass, &wc)) {
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PreviewProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kPreviewClass;
    if (!RegisterClassExA(&wc)) return;
  }
  const Size size = ClientSizeOf(host);
  PreviewState state{&picture_for, picture_for(size)};
  HWND child = CreateWindowExA(0, kPreviewClass, "", WS_CHILD | WS_VISIBLE, 0, 0, size.width,
                               size.height, host, nullptr, instance_, &state);
  if (!child) return;
  SetTimer(child, kHostCheckTimer, kHostCheckMs, nullptr);
  // A host whose process ends may take our window without a message to it: both are checked
  // between waits, too.
  for (bool quit = false; !quit;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (!IsWindow(child) || !IsWindow(host)) break;
    if (!quit) MsgWaitForMultipleObjects(0, nullptr, FALSE, kHostCheckMs, QS_ALLINPUT);
  }
  if (IsWindow(child)) {
    SetWindowLongPtrA(child, GWLP_USERDATA, 0);
    DestroyWindow(child);
  }
}

}  // namespace lpc::platform::win32
