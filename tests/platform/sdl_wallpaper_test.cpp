// The desktop wallpaper of the SDL backend: desktop environments through their own settings
// tools (stand-ins on PATH that record how they were called), and the X root window of a
// private Xvfb where no desktop runs.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/fileio.h"
#include "platform/backends.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"  // RunProgram
#include "xserver.h"

#include <X11/Xatom.h>

namespace lpc::platform {
namespace {

class XEnvironment : public ::testing::Environment {
 public:
  // Always a private server: the root window's background outlives the test, and a user's
  // own desktop must not keep it.
  void SetUp() override {
    unsetenv("DISPLAY");
    error_ = server_.Start();
  }
  void TearDown() override { server_.Stop(); }
  std::string error_;

 private:
  testing_x::XServer server_;
};

XEnvironment* g_env = static_cast<XEnvironment*>(
    ::testing::AddGlobalTestEnvironment(new XEnvironment));

// Sets environment variables for one test and puts the old values back afterwards.
class ScopedEnv {
 public:
  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.emplace(name, old ? std::optional<std::string>(old) : std::nullopt);  // first wins
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
      value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

class SdlWallpaperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g_env->error_.empty()) GTEST_SKIP() << "no X display: " << g_env->error_;
    dir_ = ::testing::TempDir() + "lpc_wallpaper_" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(dir_);
    p_ = CreatePlatform("sdl");
    // No desktop environment unless a test names one.
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "WAYLAND_DISPLAY"}) {
      env_.Set(name, nullptr);
    }
  }
  void TearDown() override {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }

  std::string dir_;
  std::unique_ptr<Platform> p_;
  ScopedEnv env_;
};

// The root window's pixel at (x, y), and the pixmap a root property names (0 when none).
struct Root {
  Display* d = XOpenDisplay(nullptr);
  ~Root() {
    if (d) XCloseDisplay(d);
  }
  Color Pixel(int x, int y) const {
    XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xDEADBEEF;
    const Color c = static_cast<Color>(XGetPixel(img, 0, 0)) & 0xFFFFFF;
    XDestroyImage(img);
    return c;
  }
  Pixmap Property(const char* name) const {
    const Atom atom = XInternAtom(d, name, True);
    if (atom == 0) return 0;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap id = 0;
    if (XGetWindowProperty(d, DefaultRootWindow(d), atom, 0, 1, False, XA_PIXMAP, &type, &format,
                           &count, &after, &data) == Success &&
        data && count == 1) {
      id = *reinterpret_cast<Pixmap*>(data);
    }
    if (data) XFree(data);
    return id;
  }
  // The pixmap's size, or 0 x 0 when the server no longer has it.
  Size PixmapSize(Pixmap pixmap) const {
    auto* previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    const bool ok = XGetGeometry(d, pixmap, &root, &x, &y, &w, &h, &border, &depth) != 0;
    XSync(d, False);
    XSetErrorHandler(previous);
    return ok ? Size{static_cast<int>(w), static_cast<int>(h)} : Size{0, 0};
  }
};

TEST_F(SdlWallpaperTest, WithoutADesktopTheRootWindowShowsThePictureScaled) {
  // Quarters red, green, blue, white; the screen is 1024 x 768, so each covers a quarter.
  Bitmap picture(2, 2);
  picture.At(0, 0) = 0xFF0000;
  picture.At(1, 0) = 0x00FF00;
  picture.At(0, 1) = 0x0000FF;
  picture.At(1, 1) = 0xFFFFFF;
  ASSERT_TRUE(p_->SetDesktopWallpaper(dir_ + "Sea.scr.bmp", picture));
  Root root;
  ASSERT_NE(root.d, nullptr);
  struct Probe {
    int x, y;
    Color want;
  };
  const Probe probes[] = {{0, 0, 0xFF0000},     {200, 150, 0xFF0000},  {1023, 0, 0x00FF00},
                          {0, 767, 0x0000FF},   {1023, 767, 0xFFFFFF}, {800, 600, 0xFFFFFF}};
  for (const Probe& p : probes) EXPECT_EQ(root.Pixel(p.x, p.y), p.want) << p.x << "," << p.y;
  // Filtered in between, not blocky: the middle of the top edge mixes red and green.
  const Color mid = root.Pixel(512, 0);
  EXPECT_GT(mid >> 16, 0x40u);
  EXPECT_GT((mid >> 8) & 0xFF, 0x40u);

  // Programs that draw the desktop themselves find the picture through the root properties;
  // the pixmap outlives the connection that made it.
  const Pixmap first = root.Property("_XROOTPMAP_ID");
  ASSERT_NE(first, 0u);
  EXPECT_EQ(root.Property("ESETROOT_PMAP_ID"), first);
  EXPECT_EQ(root.PixmapSize(first), (Size{1024, 768}));

  // The next picture replaces it and the old pixmap is freed, not left in the server.
  ASSERT_TRUE(p_->SetDesktopWallpaper(dir_ + "Sea.scr.bmp", Bitmap(5, 3, 0x336699)));
  EXPECT_NE(root.Property("_XROOTPMAP_ID"), first);
  EXPECT_EQ(root.PixmapSize(first), (Size{0, 0}));
  EXPECT_EQ(root.Pixel(512, 384), 0x336699u);

  // Properties left by a setter whose pixmap is long gone do not stand in the way.
  const Pixmap stale = 0x7FFFF1;
  for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
    XChangeProperty(root.d, DefaultRootWindow(root.d), XInternAtom(root.d, name, False),
                    XA_PIXMAP, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&stale),
                    1);
  }
  XSync(root.d, False);
  ASSERT_TRUE(p_->SetDesktopWallpaper(dir_ + "Sea.scr.bmp", Bitmap(1, 1, 0x00FF00)));
  const Pixmap second = root.Property("_XROOTPMAP_ID");
  EXPECT_NE(second, stale);
  EXPECT_EQ(root.PixmapSize(second), (Size{1024, 768}));
  EXPECT_EQ(root.Pixel(512, 384), 0x00FF00u);

  EXPECT_FALSE(p_->SetDesktopWallpaper(dir_ + "Sea.scr.bmp", Bitmap()));
  env_.Set("WAYLAND_DISPLAY", "wayland-0");  // a root window nobody sees
  EXPECT_FALSE(p_->SetDesktopWallpaper(dir_ + "Sea.scr.bmp", picture));
  EXPECT_EQ(root.Property("_XROOTPMAP_ID"), second);
}

// The settings tools run without a shell and are waited for, but never for ever.
// A request about a window that is already gone (the events and requests for a dialog closed
// an instant ago) is an X error the server reports later, inside whatever call flushes next;
// it must never end the program.
TEST(SdlXErrors, AnErrorAboutAGoneWindowNeverEndsTheProgram) {
  ASSERT_TRUE(g_env->error_.empty()) << g_env->error_;
  auto platform = CreatePlatform("sdl");
  auto window = platform->OpenWindow(WindowOptions{}, nullptr);
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  const ::Window gone = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(d, gone);
  for (int i = 0; i < 3; ++i) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = gone;
    e.xclient.format = 32;
    XSendEvent(d, gone, False, 0, &e);
    XMapWindow(d, gone);
  }
  XSync(d, False);
  XCloseDisplay(d);
  platform->ProcessMessages();
  EXPECT_EQ(window->ClientSize(), (Size{640, 480}));
}

TEST(RunProgram, ExitStatusOutputAndTimeout) {
  struct Case {
    std::vector<std::string> args;
    uint32_t timeout_ms;
    int status;
    std::string output;
  };
  const Case cases[] = {
      {{"printf", "%s|", "a b", "$HOME;x"}, 5000, 0, "a b|$HOME;x|"},
      {{"sh", "-c", "echo out; exit 3"}, 5000, 3, "out\n"},
      {{"sh", "-c", "kill -9 $$"}, 5000, -1, ""},
      {{"no-such-program-here"}, 5000, -1, ""},
      {{}, 5000, -1, ""},
      {{"sleep", "30"}, 200, -1, ""},
      {{"head", "-c", "1000000", "/dev/zero"}, 5000, 0, std::string(256 * 1024, '\0')},
  };
  for (const Case& c : cases) {
    std::string output = "stale";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunProgram(c.args, c.timeout_ms, &output), c.status)
        << ::testing::PrintToString(c.args);
    EXPECT_EQ(output.size(), c.output.size()) << ::testing::PrintToString(c.args);
    EXPECT_TRUE(output == c.output) << ::testing::PrintToString(c.args);
    // A hanging program is killed at its limit, not waited for.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  }
}

// Each desktop's settings tool gets the file, as a file:// URI where the tool wants one; a
// desktop whose tool fails or is missing gives false.
TEST_F(SdlWallpaperTest, DesktopsGetThePictureThroughTheirSettingsTools) {
  const std::string bin = dir_ + "bin/";
  std::filesystem::create_directories(bin);
  const std::string log = dir_ + "calls.log";
  // Records "tool [arg] [arg]..."; fails when named in LPC_FAKE_FAIL; xfconf-query -l lists
  // two backdrops and a property that is not an image.
  WriteFileBytes(bin + "tool",
                 "#!/bin/sh\n"
                 "name=${0##*/}\nline=$name\n"
                 "for a in \"$@\"; do line=\"$line [$a]\"; done\n"
                 "printf '%s\\n' \"$line\" >> \"$LPC_FAKE_LOG\"\n"
                 "case \" $LPC_FAKE_FAIL \" in *\" $name \"*) exit 1;; esac\n"
                 "if [ \"$name\" = xfconf-query ] && [ \"$3\" = -l ]; then\n"
                 "  printf '%s\\n' /backdrop/screen0/monitorVirtual1/workspace0/last-image"
                 " /backdrop/screen0/monitorVirtual1/workspace0/image-style"
                 " /backdrop/screen0/monitor1/workspace1/last-image\n"
                 "fi\n");
  chmod((bin + "tool").c_str(), 0755);
  for (const char* name : {"gsettings", "plasma-apply-wallpaperimage", "qdbus", "xfconf-query",
                           "pcmanfm"}) {
    std::filesystem::create_symlink(bin + "tool", bin + name);
  }
  env_.Set("PATH", bin.c_str());
  env_.Set("LPC_FAKE_LOG", log.c_str());

  const std::string file = dir_ + "my pictures/Sea #1 100%.scr.bmp";
  const std::string uri =
      "file://" + dir_ + "my%20pictures/Sea%20%231%20100%25.scr.bmp";
  const std::string gnome = "gsettings [set] [org.gnome.desktop.background] ";
  const std::string xfconf = "xfconf-query [-c] [xfce4-desktop] ";
  struct Case {
    const char* current;  // XDG_CURRENT_DESKTOP
    const char* session;  // DESKTOP_SESSION
    const char* fail;     // tools that fail
    bool result;
    std::vector<std::string> calls;  // a trailing "*" matches any rest
  };
  const Case cases[] = {
      {"ubuntu:GNOME", nullptr, "", true,
       {gnome + "[picture-uri] [" + uri + "]", gnome + "[picture-uri-dark] [" + uri + "]"}},
      {"Budgie:GNOME", nullptr, "", true, {gnome + "[picture-uri] [" + uri + "]", "*"}},
      {"GNOME", nullptr, "gsettings", false, {gnome + "[picture-uri] [" + uri + "]"}},
      {"X-Cinnamon", nullptr, "", true,
       {"gsettings [set] [org.cinnamon.desktop.background] [picture-uri] [" + uri + "]"}},
      {"MATE", nullptr, "", true,
       {"gsettings [set] [org.mate.background] [picture-filename] [" + file + "]"}},
      {"KDE", nullptr, "", true, {"plasma-apply-wallpaperimage [" + file + "]"}},
      {"KDE", nullptr, "plasma-apply-wallpaperimage", true,
       {"plasma-apply-wallpaperimage [" + file + "]",
        "qdbus [org.kde.plasmashell] [/PlasmaShell] [org.kde.PlasmaShell.evaluateScript] [*"}},
      {"XFCE", nullptr, "", true,
       {xfconf + "[-l]",
        xfconf + "[-p] [/backdrop/screen0/monitorVirtual1/workspace0/last-image] [-s] [" + file +
            "]",
        xfconf + "[-p] [/backdrop/screen0/monitor1/workspace1/last-image] [-s] [" + file + "]"}},
      {nullptr, "/usr/share/xsessions/lxde", "", true, {"pcmanfm [--set-wallpaper=" + file + "]"}},
      {"LXQt", nullptr, "", false, {}},  // its tool is not installed
  };
  for (const Case& c : cases) {
    const std::string name = c.current ? c.current : c.session;
    std::remove(log.c_str());
    env_.Set("XDG_CURRENT_DESKTOP", c.current);
    env_.Set("DESKTOP_SESSION", c.session);
    env_.Set("LPC_FAKE_FAIL", c.fail);
    EXPECT_EQ(p_->SetDesktopWallpaper(file, Bitmap(2, 2, 0x123456)), c.result) << name;
    std::vector<std::string> calls;
    if (FileExists(log)) {
      const std::string text = ReadFileBytes(log);
      for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        calls.push_back(text.substr(start, end - start));
      }
    }
    ASSERT_EQ(calls.size(), c.calls.size()) << name << ": " << ::testing::PrintToString(calls);
    for (size_t i = 0; i < calls.size(); ++i) {
      const std::string& want = c.calls[i];
      if (!want.empty() && want.back() == '*') {
        EXPECT_EQ(calls[i].substr(0, want.size() - 1), want.substr(0, want.size() - 1)) << name;
      } else {
        EXPECT_EQ(calls[i], want) << name;
      }
    }
    // The script the Plasma shell runs carries the file as a URI, which needs no quoting.
    if (calls.size() == 2 && calls[1].rfind("qdbus", 0) == 0) {
      EXPECT_NE(calls[1].find("'" + uri + "'"), std::string::npos) << calls[1];
    }
  }
  // No desktop environment named: the root window takes it and no tool runs.
  std::remove(log.c_str());
  env_.Set("XDG_CURRENT_DESKTOP", "i3");
  env_.Set("DESKTOP_SESSION", nullptr);
  EXPECT_TRUE(p_->SetDesktopWallpaper(file, Bitmap(2, 2, 0x123456)));
  EXPECT_FALSE(FileExists(log));
}

}  // namespace
}  // namespace lpc::platform

// SDL's start-up leaves one allocation in the D-Bus library it loads; everything of ours stays
// leak-checked.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\nleak:libfontconfig.so\n"; }
