// Include after our own headers and <X11/Xlib.h>: X11 defines macros (None, Status) that would
// rename our names.
#pragma once

#include <X11/Xlib.h>

namespace lpc::platform {

// Xlib's error handler is per process. Errors on our own connections (a window that went
// away, a server that refuses a request) must not end the program; they only mark the calls
// made while the trap is set as failed.
inline bool g_x_failed = false;
inline int IgnoreXError(Display*, XErrorEvent*) {
  g_x_failed = true;
  return 0;
}

// Errors outside any trap: a request about a window the server has just destroyed (events and
// requests for a dialog closed an instant ago are still in flight, inside SDL too). Xlib's
// default handler would end the program there, losing the user's choices and leaving its
// files; this one counts the error and lets the program go on. Installed once, when the
// display is opened; traps set and restore their own around it.
inline int g_x_errors_outside_traps = 0;
inline int KeepGoingOnXError(Display*, XErrorEvent*) {
  ++g_x_errors_outside_traps;
  return 0;
}

class XErrorTrap {
 public:
  explicit XErrorTrap(Display* d) : display_(d) {
    XSync(display_, False);
    g_x_failed = false;
    previous_ = XSetErrorHandler(IgnoreXError);
  }
  ~XErrorTrap() { XSetErrorHandler(previous_); }
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;
  bool Failed() {
    XSync(display_, False);
    return g_x_failed;
  }
  // Forgets the errors of the calls so far: for a call whose failure does not matter.
  void Clear() {
    XSync(display_, False);
    g_x_failed = false;
  }

 private:
  Display* display_;
  int (*previous_)(Display*, XErrorEvent*);
};

}  // namespace lpc::platform
