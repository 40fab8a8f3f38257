// A still picture that stays in another program's window: the preview of a screensaver in the
// host's preview area. Drawing straight into the host's window lasts only until the host
// repaints; a child window of our own over its client area repaints the picture whenever the
// server asks and goes away with the host.
#include "base/errors.h"
#include "platform/sdl/sdl_platform.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/sdl/x_error_trap.h"

#include <algorithm>
#include <memory>

namespace lpc::platform {

namespace {

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};

// 24- and 32-bit TrueColor visuals take 0x00RRGGBB words as they are; others are left alone.
void PutPicture(Display* d, ::Window window, GC gc, const XWindowAttributes& attr,
                const Bitmap& picture) {
  if ((attr.depth != 24 && attr.depth != 32) || picture.width() == 0 || picture.height() == 0) {
    return;
  }
  XImage* image = XCreateImage(d, attr.visual, static_cast<unsigned>(attr.depth), ZPixmap, 0,
                               reinterpret_cast<char*>(const_cast<Color*>(picture.Row(0))),
                               static_cast<unsigned>(picture.width()),
                               static_cast<unsigned>(picture.height()), 32, picture.width() * 4);
  if (!image) return;
  XPutImage(d, window, gc, image, 0, 0, 0, 0, static_cast<unsigned>(picture.width()),
            static_cast<unsigned>(picture.height()));
  image->data = nullptr;  // the bitmap owns the pixels
  XDestroyImage(image);
  XFlush(d);
}

}  // namespace

void SdlPlatform::KeepStillInHost(Window& hosted, const std::function<Bitmap(Size)>& picture_for) {
  const auto host = static_cast<::Window>(hosted.Handle());
  std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) return;
  Display* d = display.get();
  // The host may go away at any moment: its errors end the preview, never the process.
  XErrorTrap trap(d);
  XWindowAttributes host_attr{};
  if (!XGetWindowAttributes(d, host, &host_attr) || trap.Failed()) return;
  // The host's size changes come to us as well; other programs' selections stay as they are.
  XSelectInput(d, host, StructureNotifyMask);
  Size size{std::max(1, host_attr.width), std::max(1, host_attr.height)};
  XSetWindowAttributes set{};
  set.background_pixmap = 0;  // None: no flash of a background before each repaint
  const ::Window child = XCreateWindow(d, host, 0, 0, static_cast<unsigned>(size.width),
                                       static_cast<unsigned>(size.height), 0, CopyFromParent,
                                       InputOutput, CopyFromParent, CWBackPixmap, &set);
  if (trap.Failed()) return;
  XSelectInput(d, child, ExposureMask | StructureNotifyMask);
  XMapWindow(d, child);
  GC gc = XCreateGC(d, child, 0, nullptr);
  XWindowAttributes attr{};
  if (trap.Failed() || !XGetWindowAttributes(d, child, &attr) || trap.Failed()) return;
  Bitmap picture = picture_for(size);
  for (;;) {
    XEvent e{};
    XNextEvent(d, &e);
    // A destroyed host takes its children with it; either notice ends the preview.
    if (e.type == DestroyNotify &&
        (e.xdestroywindow.window == child || e.xdestroywindow.window == host)) {
      break;
    }
    if (e.type == ConfigureNotify && e.xconfigure.window == host &&
        (e.xconfigure.width != size.width || e.xconfigure.height != size.height)) {
      size = {std::max(1, e.xconfigure.width), std::max(1, e.xconfigure.height)};
      XResizeWindow(d, child, static_cast<unsigned>(size.width),
                    static_cast<unsigned>(size.height));
      picture = picture_for(size);
      PutPicture(d, child, gc, attr, picture);
    }
    if (e.type == Expose && e.xexpose.window == child && e.xexpose.count == 0) {
      PutPicture(d, child, gc, attr, picture);
    }
    trap.Clear();
  }
  XFreeGC(d, gc);
}

}  // namespace lpc::platform
