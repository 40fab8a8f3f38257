// The displays as the X server has them now. SDL 2.26 reads the monitors once, when its video
// starts, and never again, but a screensaver must see monitors that come and go while it runs.
// Our headers first: X11 defines macros (CursorShape, None, Status) that would rename our names.
#include "platform/sdl/sdl_platform.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstring>

namespace lpc::platform {

namespace {

std::vector<DisplayInfo> SdlDisplays() {
  std::vector<DisplayInfo> displays;
  const int n = SDL_GetNumVideoDisplays();
  for (int i = 0; i < n; ++i) {
    SDL_Rect r;
    if (SDL_GetDisplayBounds(i, &r) != 0) continue;
    // SDL lists the primary display first.
    displays.push_back(DisplayInfo{Rect{r.x, r.y, r.x + r.w, r.y + r.h}, i == 0});
  }
  return displays;
}

}  // namespace

std::vector<DisplayInfo> SdlPlatform::XMonitors() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (x_monitors_failed_ || !driver || std::strcmp(driver, "x11") != 0) return {};
  if (!x_display_) {
    // A connection of our own: the monitor list is one request, with no events to handle.
    x_display_ = XOpenDisplay(nullptr);
    int event_base = 0, error_base = 0, major = 0, minor = 0;
    if (!x_display_ || !XRRQueryExtension(x_display_, &event_base, &error_base) ||
        !XRRQueryVersion(x_display_, &major, &minor) || major < 1 ||
        (major == 1 && minor < 5)) {
      x_monitors_failed_ = true;
      CloseMonitorConnection();
      return {};
    }
  }
  int n = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(x_display_, DefaultRootWindow(x_display_), True, &n);
  std::vector<DisplayInfo> list;
  for (int i = 0; monitors && i < n; ++i) {
    const XRRMonitorInfo& m = monitors[i];
    list.push_back(DisplayInfo{Rect{m.x, m.y, m.x + m.width, m.y + m.height}, m.primary != 0});
  }
  if (monitors) XRRFreeMonitors(monitors);
  return list;
}

void SdlPlatform::CloseMonitorConnection() {
  if (x_display_) XCloseDisplay(x_display_);
  x_display_ = nullptr;
}

std::vector<DisplayInfo> SdlPlatform::Displays() {
  NeedVideo();
  const std::vector<DisplayInfo> sdl = SdlDisplays();
  std::vector<DisplayInfo> live = XMonitors();
  if (live.empty()) return sdl.empty() ? Platform::Displays() : sdl;
  // The show goes on SDL's first display (see OpenWindow), so that one is the primary display
  // for as long as it is there. When it is gone, the X server's choice stands.
  bool found = false;
  if (!sdl.empty()) {
    for (DisplayInfo& d : live) {
      d.primary = !found && d.bounds == sdl.front().bounds;
      found = found || d.primary;
    }
  }
  if (!found) {
    bool seen = false;
    for (DisplayInfo& d : live) {
      if (d.primary && seen) d.primary = false;
      seen = seen || d.primary;
    }
    if (!seen) live.front().primary = true;
  }
  return live;
}

}  // namespace lpc::platform
