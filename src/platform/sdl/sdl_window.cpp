// Our headers first: X11 defines macros (CursorShape, None, Status) that would rename our names.
#include "base/errors.h"
#include "base/text_encoding.h"
#include "platform/sdl/sdl_platform.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <SDL_syswm.h>

#include "platform/sdl/x_error_trap.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lpc::platform {

namespace {

// The part of src (clipped to the bitmap) that lands inside a client area of the given size
// when src's corner is put at (x, y). Sets *dx, *dy to where the clipped part lands.
Rect ClipPresent(const Bitmap& bitmap, const Rect& src, int x, int y, Size client, int* dx,
                 int* dy) {
  Rect r{std::max(0, src.left), std::max(0, src.top), std::min(bitmap.width(), src.right),
         std::min(bitmap.height(), src.bottom)};
  // 64-bit arithmetic: x and y come from callers and may be far off screen.
  long long px = static_cast<long long>(x) + (r.left - src.left);
  long long py = static_cast<long long>(y) + (r.top - src.top);
  if (px < 0) {
    r.left = static_cast<int>(std::min<long long>(r.right, r.left - px));
    px = 0;
  }
  if (py < 0) {
    r.top = static_cast<int>(std::min<long long>(r.bottom, r.top - py));
    py = 0;
  }
  r.right = static_cast<int>(std::min<long long>(r.right, r.left + client.width - px));
  r.bottom = static_cast<int>(std::min<long long>(r.bottom, r.top + client.height - py));
  if (r.IsEmpty()) return {};
  *dx = static_cast<int>(px);
  *dy = static_cast<int>(py);
  return r;
}

// What a window of another program counts as: hosted, by its id.
WindowOptions HostOptions(NativeHandle host) {
  WindowOptions options;
  options.kind = WindowKind::kHosted;
  options.host = host;
  return options;
}

Rect ClipFill(const Rect& rect, Size client) {
  Rect r{std::max(0, rect.left), std::max(0, rect.top), std::min(client.width, rect.right),
         std::min(client.height, rect.bottom)};
  return r.IsEmpty() ? Rect{} : r;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// SdlWindow

SdlWindow::SdlWindow(SdlPlatform& platform, SDL_Window* window, const WindowOptions& options,
                     WindowHandler* handler)
    : BasicWindow(platform.loop(), options, handler), window_(window) {
  SDL_SetWindowData(window_, "lpc", this);
}

SdlWindow::~SdlWindow() {
  SDL_SetWindowData(window_, "lpc", nullptr);
  SDL_DestroyWindow(window_);
}

Size SdlWindow::ClientSize() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  return {w, h};
}

// row_pixels(y, left, n, scratch) gives the n pixels of client row y from column left: a
// pointer into the caller's own bitmap, or into scratch after filling it. Rows go straight
// into the window surface when the formats match, so a frame is copied once on its way.
template <typename Fn>
void SdlWindow::Draw(const Rect& area, Fn&& row_pixels) {
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface) return;
  const Rect r{std::max(0, area.left), std::max(0, area.top), std::min(surface->w, area.right),
               std::min(surface->h, area.bottom)};
  if (r.IsEmpty()) return;
  if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
  const bool direct = surface->format->format == SDL_PIXELFORMAT_RGB888 ||
                      surface->format->format == SDL_PIXELFORMAT_ARGB8888;
  scratch_.resize(static_cast<size_t>(r.Width()));
  for (int y = r.top; y < r.bottom; ++y) {
    const Color* row = row_pixels(y, r.left, r.Width(), scratch_.data());
    auto* dst = static_cast<Uint8*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch;
    if (direct) {
      std::memcpy(dst + static_cast<size_t>(r.left) * 4, row, static_cast<size_t>(r.Width()) * 4);
    } else {
      SDL_ConvertPixels(r.Width(), 1, SDL_PIXELFORMAT_RGB888, row, r.Width() * 4,
                        surface->format->format,
                        dst + static_cast<size_t>(r.left) * surface->format->BytesPerPixel,
                        surface->pitch);
    }
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  const SDL_Rect update{r.left, r.top, r.Width(), r.Height()};
  SDL_UpdateWindowSurfaceRects(window_, &update, 1);
}

void SdlWindow::Present(const Bitmap& bitmap, const Rect& src, int x, int y) {
  int dx = 0, dy = 0;
  const Rect r = ClipPresent(bitmap, src, x, y, ClientSize(), &dx, &dy);
  if (r.IsEmpty()) return;
  Draw(Rect{dx, dy, dx + r.Width(), dy + r.Height()}, [&](int row, int left, int, Color*) {
    return bitmap.Row(r.top + row - dy) + r.left + (left - dx);
  });
}

void SdlWindow::FillRect(const Rect& rect, Color color) {
  const Rect r = ClipFill(rect, ClientSize());
  if (r.IsEmpty()) return;
  Draw(r, [&](int, int, int n, Color* scratch) -> const Color* {
    std::fill(scratch, scratch + n, color);
    return scratch;
  });
}

void SdlWindow::PresentRows(const Rect& rect, const RowWriter& row) {
  const Size client = ClientSize();
  if (rect.left < 0 || rect.top < 0 || rect.right > client.width || rect.bottom > client.height) {
    Window::PresentRows(rect, row);
    return;
  }
  // Each row is made in the scratch row and goes on into the window surface while in the cache.
  // A surface smaller than the window (for a moment while it changes size) gets part of it.
  std::vector<Color> whole;
  Draw(rect, [&](int y, int left, int n, Color* scratch) -> const Color* {
    if (left == rect.left && n == rect.Width()) {
      row(y, scratch);
      return scratch;
    }
    whole.resize(static_cast<size_t>(rect.Width()));
    row(y, whole.data());
    return whole.data() + (left - rect.left);
  });
}

Color* SdlWindow::ClientPixels(ptrdiff_t* stride) {
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface || SDL_MUSTLOCK(surface) || surface->pitch % 4 != 0) return nullptr;
  if (surface->format->format != SDL_PIXELFORMAT_RGB888 &&
      surface->format->format != SDL_PIXELFORMAT_ARGB8888) {
    return nullptr;
  }
  const Size client = ClientSize();
  if (surface->w != client.width || surface->h != client.height) return nullptr;
  *stride = surface->pitch / 4;
  return static_cast<Color*>(surface->pixels);
}

void SdlWindow::ShowPixels(const Rect& rect) {
  const Rect r = ClipFill(rect, ClientSize());
  if (r.IsEmpty()) return;
  const SDL_Rect update{r.left, r.top, r.Width(), r.Height()};
  SDL_UpdateWindowSurfaceRects(window_, &update, 1);
}

void SdlWindow::SetCaption(const std::string& caption) {
  caption_ = caption;
  SDL_SetWindowTitle(window_, DisplayUtf8(caption).c_str());
}

std::string SdlWindow::Caption() const { return caption_; }

bool SdlWindow::IsVisible() const { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0; }

NativeHandle SdlWindow::Handle() const {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window_, &info)) return 0;
  if (info.subsystem == SDL_SYSWM_X11) return static_cast<NativeHandle>(info.info.x11.window);
  return 0;
}

void SdlWindow::ShowNative() {
  SDL_ShowWindow(window_);
  // On top and with the keyboard: a modal window is what the user deals with next. A cover
  // leaves the keyboard where it is.
  if (options_.kind != WindowKind::kCover) SDL_RaiseWindow(window_);
  // Whatever the window shows before its first present: its background colour.
  FillRect(Rect{0, 0, kMaxPictureSide, kMaxPictureSide}, options_.background);
}

void SdlWindow::HideNative() { SDL_HideWindow(window_); }

void KeepGoingOnXErrors() { XSetErrorHandler(KeepGoingOnXError); }

void SetTransientFor(SDL_Window* window, NativeHandle owner) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (owner == 0 || owner > 0xFFFFFFFFu || !SDL_GetWindowWMInfo(window, &info) ||
      info.subsystem != SDL_SYSWM_X11) {
    return;
  }
  Display* d = info.info.x11.display;
  XErrorTrap trap(d);
  XSetTransientForHint(d, info.info.x11.window, static_cast<::Window>(owner));
  trap.Failed();
}

// ---------------------------------------------------------------------------------------------
// HostedWindow

struct HostedWindow::X {
  Display* display = nullptr;
  GC gc = nullptr;
  Visual* visual = nullptr;
  int depth = 0;
  ~X() {
    if (gc) XFreeGC(display, gc);
    if (display) XCloseDisplay(display);
  }
};

std::unique_ptr<HostedWindow> HostedWindow::Open(SdlPlatform& platform, NativeHandle host,
                                                 WindowHandler* handler) {
  if (host == 0 || host > 0xFFFFFFFFu) return nullptr;
  auto x = std::make_unique<X>();
  x->display = XOpenDisplay(nullptr);
  if (!x->display) return nullptr;
  XWindowAttributes attr{};
  {
    XErrorTrap trap(x->display);
    const Status ok = XGetWindowAttributes(x->display, static_cast<::Window>(host), &attr);
    if (trap.Failed() || !ok) return nullptr;
    x->gc = XCreateGC(x->display, static_cast<::Window>(host), 0, nullptr);
    if (trap.Failed()) return nullptr;
  }
  x->visual = attr.visual;
  x->depth = attr.depth;
  return std::unique_ptr<HostedWindow>(new HostedWindow(platform, std::move(x), host, handler));
}

HostedWindow::HostedWindow(SdlPlatform& platform, std::unique_ptr<X> x, NativeHandle host,
                           WindowHandler* handler)
    : BasicWindow(platform.loop(), HostOptions(host), handler), x_(std::move(x)) {}

HostedWindow::~HostedWindow() = default;

Size HostedWindow::ClientSize() const {
  XWindowAttributes attr{};
  XErrorTrap trap(x_->display);
  if (!XGetWindowAttributes(x_->display, static_cast<::Window>(options_.host), &attr) ||
      trap.Failed()) {
    return {0, 0};
  }
  return {attr.width, attr.height};
}

bool HostedWindow::IsVisible() const {
  XWindowAttributes attr{};
  XErrorTrap trap(x_->display);
  if (!XGetWindowAttributes(x_->display, static_cast<::Window>(options_.host), &attr) ||
      trap.Failed()) {
    return false;
  }
  return attr.map_state == IsViewable;
}

void HostedWindow::PutRows(const Color* pixels, int stride, int x, int y, int w, int h) {
  // 24- and 32-bit TrueColor visuals take 0x00RRGGBB words as they are; others are left alone.
  if (x_->depth != 24 && x_->depth != 32) return;
  std::vector<Color> block(static_cast<size_t>(w) * h);
  for (int row = 0; row < h; ++row) {
    std::copy(pixels + static_cast<size_t>(row) * stride,
              pixels + static_cast<size_t>(row) * stride + w, block.data() + static_cast<size_t>(row) * w);
  }
  XImage* image = XCreateImage(x_->display, x_->visual, x_->depth, ZPixmap, 0,
                               reinterpret_cast<char*>(block.data()), w, h, 32, w * 4);
  if (!image) return;
  XErrorTrap trap(x_->display);
  XPutImage(x_->display, static_cast<::Window>(options_.host), x_->gc, image, 0, 0, x, y, w, h);
  image->data = nullptr;  // the vector owns the pixels
  XDestroyImage(image);
  XFlush(x_->display);
  trap.Failed();
}

void HostedWindow::Present(const Bitmap& bitmap, const Rect& src, int x, int y) {
  int dx = 0, dy = 0;
  const Rect r = ClipPresent(bitmap, src, x, y, ClientSize(), &dx, &dy);
  if (r.IsEmpty()) return;
  PutRows(bitmap.Row(r.top) + r.left, bitmap.width(), dx, dy, r.Width(), r.Height());
}

void HostedWindow::FillRect(const Rect& rect, Color color) {
  const Rect r = ClipFill(rect, ClientSize());
  if (r.IsEmpty()) return;
  std::vector<Color> block(static_cast<size_t>(r.Width()) * r.Height(), color);
  PutRows(block.data(), r.Width(), r.left, r.top, r.Width(), r.Height());
}

}  // namespace lpc::platform
