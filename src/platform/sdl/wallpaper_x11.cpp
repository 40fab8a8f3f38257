// The desktop wallpaper on Linux desktops. A desktop environment keeps its wallpaper in its own
// settings and paints its own desktop window over the root window, so where one runs we ask
// its settings tool. Where none runs (a bare window manager, or none at all) the X root window
// is the desktop: we paint it ourselves, the way esetroot-compatible setters do, so that
// terminals and docks that read the root pixmap show the same picture.
// Our headers first: X11 defines macros (CursorShape, None, Status) that would rename our names.
#include "base/paths.h"
#include "platform/sdl/sdl_platform.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sdl/x_error_trap.h"

namespace lpc::platform {

namespace {

// The settings tools answer at once; one that hangs (a session bus that does not answer) must
// not freeze the configuration window for long.
constexpr uint32_t kToolTimeoutMs = 10000;

enum class Desktop { kNone, kGnome, kCinnamon, kMate, kKde, kXfce, kLxde, kLxqt };

Desktop DesktopFromName(std::string_view name) {
  struct Known {
    const char* name;
    Desktop desktop;
  };
  // GNOME's relatives keep the wallpaper in GNOME's own settings.
  static const Known kKnown[] = {
      {"GNOME", Desktop::kGnome},        {"GNOME-Classic", Desktop::kGnome},
      {"GNOME-Flashback", Desktop::kGnome}, {"Unity", Desktop::kGnome},
      {"ubuntu", Desktop::kGnome},       {"Budgie", Desktop::kGnome},
      {"budgie-desktop", Desktop::kGnome}, {"Pantheon", Desktop::kGnome},
      {"X-Cinnamon", Desktop::kCinnamon}, {"Cinnamon", Desktop::kCinnamon},
      {"MATE", Desktop::kMate},          {"KDE", Desktop::kKde},
      {"plasma", Desktop::kKde},         {"plasmawayland", Desktop::kKde},
      {"plasmax11", Desktop::kKde},      {"XFCE", Desktop::kXfce},
      {"xfce4", Desktop::kXfce},         {"xubuntu", Desktop::kXfce},
      {"LXDE", Desktop::kLxde},          {"Lubuntu", Desktop::kLxde},
      {"LXQt", Desktop::kLxqt},
  };
  for (const Known& k : kKnown) {
    if (SameText(name, k.name)) return k.desktop;
  }
  return Desktop::kNone;
}

// XDG_CURRENT_DESKTOP lists names, most specific first ("ubuntu:GNOME"); older sessions only
// set DESKTOP_SESSION, sometimes to the path of the session file.
Desktop DetectDesktop() {
  if (const char* current = std::getenv("XDG_CURRENT_DESKTOP"); current && *current) {
    std::string_view rest = current;
    while (!rest.empty()) {
      const size_t colon = rest.find(':');
      const Desktop d = DesktopFromName(rest.substr(0, colon));
      if (d != Desktop::kNone) return d;
      rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    }
  }
  if (const char* session = std::getenv("DESKTOP_SESSION"); session && *session) {
    return DesktopFromName(ExtractFileName(session));
  }
  return Desktop::kNone;
}

// A file:// URI with every byte outside the unreserved set and "/" percent-encoded, so that
// blanks, "#", "%" and non-ASCII names survive, and the result is safe inside a script string.
std::string FileUri(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

bool Run(const std::vector<std::string>& args, std::string* output = nullptr) {
  return RunProgram(args, kToolTimeoutMs, output) == 0;
}

bool SetKdeWallpaper(const std::string& path) {
  if (Run({"plasma-apply-wallpaperimage", path})) return true;
  // Plasma before 5.24 has no such tool; its shell takes a script over D-Bus. The URI is
  // percent-encoded, so it holds no quote or backslash that could end the string early.
  const std::string script =
      "var all = desktops();"
      "for (var i = 0; i < all.length; i++) {"
      " var d = all[i];"
      " d.wallpaperPlugin = 'org.kde.image';"
      " d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];"
      " d.writeConfig('Image', '" + FileUri(path) + "');"
      "}";
  for (const char* qdbus : {"qdbus", "qdbus6", "qdbus-qt5"}) {
    if (Run({qdbus, "org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript",
             script})) {
      return true;
    }
  }
  return false;
}

// Xfce keeps one image per monitor and workspace, each under a ".../last-image" property; all
// of them get the picture.
bool SetXfceWallpaper(const std::string& path) {
  std::string list;
  if (!Run({"xfconf-query", "-c", "xfce4-desktop", "-l"}, &list)) return false;
  constexpr std::string_view kSuffix = "/last-image";
  bool any = false;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\n', start);
    if (end == std::string::npos) end = list.size();
    const std::string property = Trim(std::string_view(list).substr(start, end - start));
    start = end + 1;
    if (property.rfind("/backdrop/", 0) != 0 || property.size() <= kSuffix.size() ||
        property.compare(property.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) {
      continue;
    }
    if (Run({"xfconf-query", "-c", "xfce4-desktop", "-p", property, "-s", path})) any = true;
  }
  return any;
}

bool SetDesktopSetting(Desktop desktop, const std::string& path) {
  switch (desktop) {
    case Desktop::kGnome: {
      const std::string uri = FileUri(path);
      if (!Run({"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri})) {
        return false;
      }
      // The dark style's picture; GNOME before 42 has no such key, which is no failure.
      Run({"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri});
      return true;
    }
    case Desktop::kCinnamon:
      return Run({"gsettings", "set", "org.cinnamon.desktop.background", "picture-uri",
                  FileUri(path)});
    case Desktop::kMate:
      return Run({"gsettings", "set", "org.mate.background", "picture-filename", path});
    case Desktop::kKde:
      return SetKdeWallpaper(path);
    case Desktop::kXfce:
      return SetXfceWallpaper(path);
    case Desktop::kLxde:
      return Run({"pcmanfm", "--set-wallpaper=" + path});
    case Desktop::kLxqt:
      return Run({"pcmanfm-qt", "--set-wallpaper=" + path});
    case Desktop::kNone:
      break;
  }
  return false;
}

// The picture stretched over width x height with bilinear filtering.
bool Stretch(const Bitmap& picture, Bitmap& out, int width, int height) {
  out.SetSize(width, height);
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<Color*>(picture.data()), picture.width(), picture.height(), 32,
      picture.width() * 4, SDL_PIXELFORMAT_XRGB8888);
  SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormatFrom(out.data(), width, height, 32, width * 4,
                                                        SDL_PIXELFORMAT_XRGB8888);
  bool ok = src && dst &&
            (SDL_SoftStretchLinear(src, nullptr, dst, nullptr) == 0 ||
             SDL_SoftStretch(src, nullptr, dst, nullptr) == 0);
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
  return ok;
}

// The pixmap id a root window property holds, or 0.
Pixmap RootPixmapProperty(Display* d, ::Window root, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  Pixmap pixmap = 0;
  if (XGetWindowProperty(d, root, property, 0, 1, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) == Success &&
      data && type == XA_PIXMAP && format == 32 && count == 1) {
    pixmap = *reinterpret_cast<Pixmap*>(data);
  }
  if (data) XFree(data);
  return pixmap;
}

// Paints the root window with the picture scaled to the screen and publishes the pixmap in
// _XROOTPMAP_ID and ESETROOT_PMAP_ID. The pixmap lives on a connection of its own whose
// resources the server keeps after we leave; the next setter frees them by killing that
// connection's resources through the ESETROOT_PMAP_ID it finds, as we do with the previous one.
bool SetRootWindowBackground(const Bitmap& picture) {
  if (picture.empty()) return false;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  const int screen = DefaultScreen(d);
  const ::Window root = RootWindow(d, screen);
  const int width = DisplayWidth(d, screen);
  const int height = DisplayHeight(d, screen);
  const int depth = DefaultDepth(d, screen);
  Visual* visual = DefaultVisual(d, screen);
  // 0x00RRGGBB words go to 24- and 32-bit TrueColor visuals as they are; others are not ours.
  Bitmap scaled;
  if ((depth != 24 && depth != 32) || visual->red_mask != 0xFF0000 ||
      visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF || width <= 0 || height <= 0 ||
      width > kMaxPictureSide || height > kMaxPictureSide ||
      !Stretch(picture, scaled, width, height)) {
    XCloseDisplay(d);
    return false;
  }
  bool ok = false;
  {
    XErrorTrap trap(d);
    const Pixmap pixmap = XCreatePixmap(d, root, width, height, depth);
    GC gc = XCreateGC(d, pixmap, 0, nullptr);
    XImage* image = XCreateImage(d, visual, depth, ZPixmap, 0,
                                 reinterpret_cast<char*>(scaled.data()), width, height, 32,
                                 width * 4);
    if (image) {
      XPutImage(d, pixmap, gc, image, 0, 0, 0, 0, width, height);
      image->data = nullptr;  // the bitmap owns the pixels
      XDestroyImage(image);
    }
    XFreeGC(d, gc);
    if (!image || trap.Failed()) {
      XFreePixmap(d, pixmap);
    } else {
      const Atom root_id = XInternAtom(d, "_XROOTPMAP_ID", False);
      const Atom esetroot_id = XInternAtom(d, "ESETROOT_PMAP_ID", False);
      // The previous setter's pixmap, when it left one the esetroot way: both properties name
      // it. A pixmap that only _XROOTPMAP_ID names belongs to a program still running. The
      // properties may outlive their pixmap (a server that reset); killing nothing is no fault.
      const Pixmap old = RootPixmapProperty(d, root, root_id);
      if (old != 0 && old == RootPixmapProperty(d, root, esetroot_id)) {
        XKillClient(d, old);
        trap.Clear();
      }
      XChangeProperty(d, root, root_id, XA_PIXMAP, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&pixmap), 1);
      XChangeProperty(d, root, esetroot_id, XA_PIXMAP, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&pixmap), 1);
      XSetWindowBackgroundPixmap(d, root, pixmap);
      XClearWindow(d, root);
      ok = !trap.Failed();
      if (ok) XSetCloseDownMode(d, RetainPermanent);
    }
  }
  XCloseDisplay(d);
  return ok;
}

bool OnWayland() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return wayland && *wayland;
}

}  // namespace

bool SdlPlatform::SetDesktopWallpaper(const std::string& bmp_file, const Bitmap& picture) {
  std::error_code ec;
  const std::string path = std::filesystem::absolute(bmp_file, ec).string();
  if (ec || bmp_file.empty()) return false;
  const Desktop desktop = DetectDesktop();
  if (desktop != Desktop::kNone) return SetDesktopSetting(desktop, path);
  // An X root window under a Wayland compositor is never on screen.
  if (OnWayland()) return false;
  return SetRootWindowBackground(picture);
}

}  // namespace lpc::platform
