// The SDL backend in a real X server (a private Xvfb when DISPLAY is unset) with SDL's disk
// audio driver: windows on screen, input from xdotool, drawing into foreign windows, sound
// that reaches the mixer output, text from real fonts.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/fileio.h"
#include "platform/backends.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"
#include "xserver.h"

namespace lpc::platform {
namespace {

testing_x::XServer* g_server = nullptr;

class XEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    g_server = &server_;
    error_ = server_.Start();
  }
  void TearDown() override { server_.Stop(); }
  std::string error_;

 private:
  testing_x::XServer server_;
};

XEnvironment* g_env = static_cast<XEnvironment*>(
    ::testing::AddGlobalTestEnvironment(new XEnvironment));

// Runs a command with a hard time limit; its exit status.
int RunCommand(const std::string& command) {
  return std::system(("timeout -s KILL 10 " + command + " >/dev/null 2>&1").c_str());
}

// The colour of the screen at (x, y), read back from the X server.
Color ScreenPixel(::Window window, int x, int y) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 0xDEADBEEF;
  if (window == 0) window = DefaultRootWindow(d);
  XImage* img = XGetImage(d, window, x, y, 1, 1, AllPlanes, ZPixmap);
  Color c = 0xDEADBEEF;
  if (img) {
    c = static_cast<Color>(XGetPixel(img, 0, 0)) & 0xFFFFFF;
    XDestroyImage(img);
  }
  XCloseDisplay(d);
  return c;
}

// Runs a window's modal loop with hooks, ending it after `limit_ms` of real time.
struct Driver : WindowHandler {
  Platform* p = nullptr;
  uint32_t start = 0;
  uint32_t limit_ms = 8000;
  bool timed_out = false;
  int idles = 0;
  std::vector<Event> events;
  std::function<void(Window&, int)> on_idle;  // idle number
  std::function<void(Window&, const Event&)> on_event;
  std::function<bool(Window&)> on_close_query;

  void OnShow(Window&) override { start = p->Ticks(); }
  void OnEvent(Window& w, const Event& e) override {
    events.push_back(e);
    if (on_event) on_event(w, e);
  }
  bool OnIdle(Window& w) override {
    if (p->Ticks() - start > limit_ms) {
      timed_out = true;
      w.Close();
      return false;
    }
    if (on_idle) on_idle(w, idles);
    ++idles;
    p->Sleep(10);
    return true;
  }
  bool OnCloseQuery(Window& w) override { return on_close_query ? on_close_query(w) : true; }
};

class SdlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g_env->error_.empty()) GTEST_SKIP() << "no X display: " << g_env->error_;
    p_ = CreatePlatform("sdl");
    driver_.p = p_.get();
  }
  std::unique_ptr<Platform> p_;
  Driver driver_;
};

TEST_F(SdlTest, FullScreenWindowCoversTheScreen) {
  EXPECT_EQ(p_->ScreenSize(), (Size{1024, 768}));
  WindowOptions o;
  o.kind = WindowKind::kFullScreen;
  auto w = p_->OpenWindow(o, &driver_);
  Color seen_corner = 0, seen_far = 0, seen_mid = 0;
  driver_.on_idle = [&](Window& win, int n) {
    if (n == 0) {
      EXPECT_EQ(win.ClientSize(), (Size{1024, 768}));
      win.Present(Bitmap(1024, 768, 0xFF0000));
      // A green square in the middle through a part of a bigger bitmap at a negative offset.
      Bitmap big(300, 300, 0x00FF00);
      win.Present(big, Rect{100, 100, 200, 200}, 462, 334);
      // A band made row by row into the window: blue rows and white rows in turn.
      win.PresentRows(Rect{10, 700, 30, 710}, [](int y, Color* px) {
        std::fill(px, px + 20, y % 2 ? 0xFFFFFFu : 0x0000FFu);
      });
    }
    if (n == 20) {
      seen_corner = ScreenPixel(0, 0, 0);
      seen_far = ScreenPixel(0, 1023, 767);
      seen_mid = ScreenPixel(0, 512, 384);
      const struct {
        int x, y;
        Color want;
      } band[] = {{10, 700, 0x0000FF}, {29, 709, 0xFFFFFF}, {30, 700, 0xFF0000}, {9, 705, 0xFF0000},
                  {20, 710, 0xFF0000}};
      for (const auto& b : band) EXPECT_EQ(ScreenPixel(0, b.x, b.y), b.want) << b.x << "," << b.y;
      win.Close(kModalOk);
    }
  };
  EXPECT_EQ(p_->RunModal(*w), kModalOk);
  EXPECT_FALSE(driver_.timed_out);
  EXPECT_EQ(seen_corner, 0xFF0000u);
  EXPECT_EQ(seen_far, 0xFF0000u);
  EXPECT_EQ(seen_mid, 0x00FF00u);
  EXPECT_NE(w->Handle(), 0u);
}

TEST_F(SdlTest, ClipboardKeepsWindows1252Text) {
  WindowOptions o;
  auto w = p_->OpenWindow(o, &driver_);
  // e acute, the euro sign (0x80 in the code page) and a line break survive the UTF-8 trip.
  p_->SetClipboardText("caf\xE9 \x80\r\n2");
  EXPECT_EQ(p_->ClipboardText(), "caf\xE9 \x80\r\n2");
  p_->SetClipboardText("");
  EXPECT_EQ(p_->ClipboardText(), "");
}

TEST_F(SdlTest, KeysArriveWithCodesAndCharacters) {
  struct Case {
    const char* xdotool_key;
    int key;
    char32_t ch;  // 0: the key produces no character
  };
  const Case cases[] = {
      {"a", 'A', U'a'},          {"F1", keys::kF1, 0},         {"Escape", keys::kEscape, 0x1B},
      {"Return", keys::kReturn, U'\r'}, {"shift", keys::kShift, 0}, {"Left", keys::kLeft, 0},
      {"space", keys::kSpace, U' '},     {"BackSpace", keys::kBack, 0x08}, {"7", '7', U'7'},
      {"ctrl+b", 'B', 2},  // a control character, as Windows types it
  };
  WindowOptions o;
  o.kind = WindowKind::kFullScreen;
  auto w = p_->OpenWindow(o, &driver_);
  size_t next = 0;
  bool sent = false;
  int sent_at = 0;
  std::vector<std::string> problems;
  driver_.on_idle = [&](Window& win, int n) {
    if (n == 2) RunCommand("xdotool mousemove 500 400");
    if (n < 5) return;
    if (next == std::size(cases)) {
      win.Close();
      return;
    }
    if (!sent || n - sent_at > 100) {  // a key lost before the window had focus: again
      driver_.events.clear();
      RunCommand(std::string("xdotool key ") + cases[next].xdotool_key);
      sent = true;
      sent_at = n;
      return;
    }
    // Once the key is back up, everything the press produced has arrived.
    bool up = false, down = false;
    char32_t ch = 0;
    for (const Event& e : driver_.events) {
      if (e.kind == EventKind::kKeyDown && e.key == cases[next].key) down = true;
      if (e.kind == EventKind::kKeyChar) ch = e.ch;
      if (e.kind == EventKind::kKeyUp && e.key == cases[next].key) up = true;
    }
    if (!up) return;
    if (!down) problems.push_back(std::string(cases[next].xdotool_key) + ": no key down");
    if (ch != cases[next].ch) {
      problems.push_back(std::string(cases[next].xdotool_key) + ": char " + std::to_string(ch));
    }
    ++next;
    sent = false;
  };
  p_->RunModal(*w);
  EXPECT_FALSE(driver_.timed_out) << "stopped at case " << next;
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

TEST_F(SdlTest, MouseMovesAndClicksArrive) {
  WindowOptions o;
  o.kind = WindowKind::kFullScreen;
  auto w = p_->OpenWindow(o, &driver_);
  bool moved = false, down = false, up = false;
  driver_.on_idle = [&](Window&, int n) {
    // Again every second, in case the window was not yet on screen for the first try.
    if (n % 100 == 3) RunCommand("xdotool mousemove 100 120");
    if (n % 100 == 10) RunCommand("xdotool mousemove 300 200 click 3");
  };
  driver_.on_event = [&](Window& win, const Event& e) {
    if (e.kind == EventKind::kMouseMove && e.x == 300 && e.y == 200) moved = true;
    if (e.kind == EventKind::kMouseDown && e.button == MouseButton::kRight) down = true;
    if (e.kind == EventKind::kMouseUp && e.button == MouseButton::kRight) up = true;
    if (up) win.Close();
  };
  p_->RunModal(*w);
  EXPECT_FALSE(driver_.timed_out);
  EXPECT_TRUE(moved && down && up);
}

TEST_F(SdlTest, ACoverIsBlackAtItsBoundsAndItsInputIsItsOwners) {
  // Xvfb has one monitor: the whole screen, primary.
  const std::vector<DisplayInfo> one = {{Rect{0, 0, 1024, 768}, true}};
  EXPECT_EQ(p_->Displays(), one);
  WindowOptions o;
  o.caption = "owner";
  o.client_width = 200;
  o.client_height = 100;
  auto owner = p_->OpenWindow(o, &driver_);
  struct Recorder : WindowHandler {
    std::vector<Event> events;
    void OnEvent(Window&, const Event& e) override { events.push_back(e); }
  } cover_handler;
  std::unique_ptr<Window> cover;
  Color inside = 0xDEADBEEF;
  bool visible = false;
  driver_.on_idle = [&](Window& win, int n) {
    if (n == 0) {
      WindowOptions c;
      c.kind = WindowKind::kCover;
      c.left = 600;
      c.top = 400;
      c.client_width = 300;
      c.client_height = 200;
      c.owner = &win;
      cover = p_->OpenWindow(c, &cover_handler);
    }
    if (n == 20) {
      visible = cover->IsVisible();
      inside = ScreenPixel(0, 750, 500);
    }
    // Again every second, in case the cover was not yet on screen for the first try.
    if (n % 100 == 25) RunCommand("xdotool mousemove 700 450");
    for (const Event& e : cover_handler.events) {
      if (e.kind == EventKind::kMouseMove && e.x == 100 && e.y == 50) win.Close();
    }
  };
  p_->RunModal(*owner);
  EXPECT_FALSE(driver_.timed_out) << "the move on the cover did not reach its handler";
  EXPECT_TRUE(visible);
  EXPECT_EQ(inside, 0u);
  ASSERT_TRUE(cover);
  EXPECT_EQ(cover->ClientSize(), (Size{300, 200}));
}

TEST_F(SdlTest, RefusedCloseFromTheSystemKeepsRunningThenEnds) {
  // SIGTERM (how XScreenSaver ends a saver) reaches the window as a close request.
  WindowOptions o;
  o.kind = WindowKind::kFullScreen;
  auto w = p_->OpenWindow(o, &driver_);
  int asked = 0;
  driver_.on_close_query = [&](Window&) { return ++asked == 2 || driver_.timed_out; };
  driver_.on_idle = [&](Window&, int n) {
    if (n == 2 || n == 10) kill(getpid(), SIGTERM);
  };
  p_->RunModal(*w);
  EXPECT_FALSE(driver_.timed_out);
  EXPECT_EQ(asked, 2);
  EXPECT_GE(driver_.idles, 10);
}

TEST_F(SdlTest, TimersTick) {
  auto w = p_->OpenWindow(WindowOptions{}, &driver_);
  p_->StartTimer(*w, 5, 30);
  int ticks = 0;
  driver_.on_event = [&](Window& win, const Event& e) {
    if (e.kind == EventKind::kTimer && e.timer_id == 5 && ++ticks == 3) win.Close();
  };
  const uint32_t start = p_->Ticks();
  p_->RunModal(*w);
  EXPECT_FALSE(driver_.timed_out);
  EXPECT_GE(p_->Ticks() - start, 90u);
}

// A plain X window made by the test, as the screensaver settings dialog would make one.
class ForeignWindow {
 public:
  ForeignWindow(int w, int h, bool mapped) {
    d_ = XOpenDisplay(nullptr);
    if (!d_) throw std::runtime_error("cannot connect to the X server");
    win_ = XCreateSimpleWindow(d_, DefaultRootWindow(d_), 10, 10, w, h, 0, 0, 0);
    if (mapped) XMapWindow(d_, win_);
    XSync(d_, False);
  }
  ~ForeignWindow() {
    XDestroyWindow(d_, win_);
    XCloseDisplay(d_);
  }
  void Map() {
    XMapWindow(d_, win_);
    XSync(d_, False);
  }
  ::Window id() const { return win_; }

 private:
  Display* d_;
  ::Window win_;
};

TEST_F(SdlTest, DrawsIntoAHostWindow) {
  ForeignWindow host(152, 112, false);
  WindowOptions o;
  o.kind = WindowKind::kHosted;
  o.host = host.id();
  auto w = p_->OpenWindow(o, nullptr);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->ClientSize(), (Size{152, 112}));
  EXPECT_FALSE(w->IsVisible());
  host.Map();
  EXPECT_TRUE(w->IsVisible());
  EXPECT_EQ(w->Handle(), static_cast<NativeHandle>(host.id()));
  w->FillRect(Rect{0, 0, 152, 112}, 0x0000FF);
  w->Present(Bitmap(10, 10, 0xFFFF00), 145, 105);  // cut off at the corner
  EXPECT_EQ(ScreenPixel(host.id(), 5, 5), 0x0000FFu);
  EXPECT_EQ(ScreenPixel(host.id(), 151, 111), 0xFFFF00u);
}

TEST_F(SdlTest, BadHostHandlesGiveNoWindow) {
  for (NativeHandle h : {NativeHandle{0}, NativeHandle{0x7FFFFFF}, NativeHandle{1} << 40}) {
    WindowOptions o;
    o.kind = WindowKind::kHosted;
    o.host = h;
    EXPECT_EQ(p_->OpenWindow(o, nullptr), nullptr) << h;
  }
}

TEST_F(SdlTest, ScreensaverWindowFromTheEnvironment) {
  ForeignWindow host(320, 200, true);
  // XScreenSaver writes the id in hexadecimal, xsecurelock in decimal.
  for (const char* format : {"0x%lx", "%lu"}) {
    SCOPED_TRACE(format);
    char id[32];
    snprintf(id, sizeof id, format, static_cast<unsigned long>(host.id()));
    setenv("XSCREENSAVER_WINDOW", id, 1);
    WindowOptions o;
    o.kind = WindowKind::kFullScreen;
    auto w = p_->OpenWindow(o, nullptr);
    // XScreenSaver starts a saver for each monitor itself: no covers of ours.
    WindowOptions c;
    c.kind = WindowKind::kCover;
    c.client_width = c.client_height = 100;
    EXPECT_FALSE(p_->OpenWindow(c, nullptr));
    unsetenv("XSCREENSAVER_WINDOW");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Handle(), static_cast<NativeHandle>(host.id()));
    EXPECT_EQ(w->ClientSize(), (Size{320, 200}));
  }
}

// 16-bit mono PCM: a sine of `hz` for `ms` milliseconds.
void WriteWav(const std::string& path, int ms, double hz) {
  const int rate = 22050, n = rate * ms / 1000;
  std::string data;
  for (int i = 0; i < n; ++i) {
    const auto s = static_cast<int16_t>(12000 * std::sin(2 * M_PI * hz * i / rate));
    data += static_cast<char>(s & 0xFF);
    data += static_cast<char>((s >> 8) & 0xFF);
  }
  auto u32 = [](uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  auto u16 = [](uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
  std::string wav = "RIFF" + u32(36 + data.size()) + "WAVEfmt " + u32(16) + u16(1) + u16(1) +
                    u32(rate) + u32(rate * 2) + u16(2) + u16(16) + "data" + u32(data.size()) + data;
  WriteFileBytes(path, wav);
}

// Largest absolute sample in the mixer's disk output (16-bit stereo).
int Loudest(const std::string& raw) {
  int best = 0;
  for (size_t i = 0; i + 1 < raw.size(); i += 2) {
    const int s = static_cast<int16_t>(static_cast<uint8_t>(raw[i]) | (raw[i + 1] << 8));
    best = std::max(best, std::abs(s));
  }
  return best;
}

class SdlAudioTest : public SdlTest {
 protected:
  void SetUp() override {
    out_ = ::testing::TempDir() + "lpc_sdl_audio_" + std::to_string(getpid()) + ".raw";
    wav_ = ::testing::TempDir() + "lpc_sdl_tone_" + std::to_string(getpid()) + ".wav";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out_.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "5", 1);
    WriteWav(wav_, 300, 440);
    SdlTest::SetUp();
  }
  void TearDown() override {
    p_.reset();
    std::remove(out_.c_str());
    std::remove(wav_.c_str());
  }
  std::string out_, wav_;
};

TEST_F(SdlAudioTest, LoopingSoundReachesTheOutput) {
  EXPECT_FALSE(p_->PlayLoopingSound(wav_ + ".missing"));
  ASSERT_TRUE(p_->PlayLoopingSound(wav_));
  p_->Sleep(700);  // longer than the sound: it loops
  p_->StopSound();
  p_.reset();  // closes the device and flushes the file
  const std::string raw = ReadFileBytes(out_);
  EXPECT_GT(raw.size(), 1000u);
  EXPECT_GT(Loudest(raw), 5000);
}

TEST_F(SdlAudioTest, MusicEndsWithANotification) {
  auto w = p_->OpenWindow(WindowOptions{}, &driver_);
  auto music = p_->CreateMusicPlayer();
  ASSERT_TRUE(music->Open(wav_)) << music->LastError();
  EXPECT_NEAR(static_cast<double>(music->Length()), 300.0, 5.0);
  uint32_t position_at_end = 0;
  driver_.on_event = [&](Window& win, const Event& e) {
    if (e.kind != EventKind::kMusicEnded) return;
    EXPECT_EQ(e.player, music.get());
    position_at_end = music->Position();
    win.Close();
  };
  ASSERT_TRUE(music->Play(w.get()));
  p_->RunModal(*w);
  EXPECT_FALSE(driver_.timed_out);
  EXPECT_EQ(position_at_end, music->Length());
  // Stopping sends nothing.
  driver_.events.clear();
  ASSERT_TRUE(music->Play(w.get()));
  music->Stop();
  music->Close();
  p_->ProcessMessages();
  p_->Sleep(50);
  p_->ProcessMessages();
  EXPECT_TRUE(driver_.events.empty());
}

TEST_F(SdlAudioTest, MidiPlaysThroughTheSoundFont) {
  // One middle C, a quarter note at the default tempo (half a second).
  const std::string track = std::string("\x00\x90\x3C\x64", 4) + std::string("\x60\x80\x3C\x40", 4) +
                            std::string("\x00\xFF\x2F\x00", 4);
  const std::string midi = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60", 14) + "MTrk" +
                           std::string("\0\0\0", 3) + static_cast<char>(track.size()) + track;
  const std::string path = ::testing::TempDir() + "lpc_sdl_note_" + std::to_string(getpid()) + ".mid";
  WriteFileBytes(path, midi);
  auto w = p_->OpenWindow(WindowOptions{}, &driver_);
  auto music = p_->CreateMusicPlayer();
  ASSERT_TRUE(music->Open(path)) << music->LastError();
  bool ended = false;
  driver_.on_event = [&](Window& win, const Event& e) {
    if (e.kind != EventKind::kMusicEnded) return;
    ended = true;
    EXPECT_EQ(music->Position(), music->Length());
    win.Close();
  };
  ASSERT_TRUE(music->Play(w.get()));
  p_->RunModal(*w);
  EXPECT_TRUE(ended);
  music.reset();
  w.reset();
  p_.reset();
  EXPECT_GT(Loudest(ReadFileBytes(out_)), 500);
  std::remove(path.c_str());
}

TEST_F(SdlAudioTest, BadMusicFilesFailWithAReason) {
  auto music = p_->CreateMusicPlayer();
  EXPECT_FALSE(music->Open(wav_ + ".missing"));
  EXPECT_NE(music->LastError().find("file not found"), std::string::npos);
  const std::string junk = ::testing::TempDir() + "lpc_junk.mp3";
  WriteFileBytes(junk, std::string(100, '\x7F'));
  EXPECT_FALSE(music->Open(junk));
  EXPECT_FALSE(music->LastError().empty());
  EXPECT_FALSE(music->Play(nullptr));
  std::remove(junk.c_str());
}

TEST_F(SdlTest, WithoutAnAudioDeviceAudioFailsSoftly) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  auto p = CreatePlatform("sdl");
  const std::string wav = ::testing::TempDir() + "lpc_sdl_noaudio.wav";
  WriteWav(wav, 50, 440);
  EXPECT_FALSE(p->PlayLoopingSound(wav));
  auto music = p->CreateMusicPlayer();
  EXPECT_FALSE(music->Open(wav));
  EXPECT_EQ(music->LastError(), "no audio device is available");
  unsetenv("SDL_AUDIODRIVER");
  std::remove(wav.c_str());
}

// The box blocks its thread, so it runs in a child process that the test can always kill;
// the parent presses a key over it until the child returns the answer as its exit status.
TEST_F(SdlTest, MessageBoxesReturnTheAnswer) {
  p_.reset();
  struct Case {
    MessageKind kind;
    const char* key;
    int answer;
  };
  const Case cases[] = {{MessageKind::kYesNo, "Return", kModalYes},
                        {MessageKind::kYesNo, "Escape", kModalNo},
                        {MessageKind::kYesNo, "n", kModalNo},
                        {MessageKind::kInformation, "Return", kModalOk},
                        {MessageKind::kError, "Escape", kModalOk}};
  for (const Case& c : cases) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      auto p = CreatePlatform("sdl");
      _exit(p->ShowMessageBox(nullptr, "Do you want to proceed?", "LPCSaver", c.kind));
    }
    int status = 0;
    bool done = false;
    for (int i = 0; i < 40 && !done; ++i) {
      usleep(250000);
      // The box waits for its answer: it has not returned by itself.
      if (i == 0) {
        ASSERT_EQ(waitpid(child, &status, WNOHANG), 0) << c.key;
      }
      RunCommand(std::string("xdotool mousemove 512 384 key ") + c.key);
      done = waitpid(child, &status, WNOHANG) == child;
    }
    if (!done) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
    }
    ASSERT_TRUE(done) << c.key;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.answer) << c.key;
  }
}

// A long reason (a broken UI description, a path) wraps inside the box instead of running
// off its edge; every character of it is still there.
TEST_F(SdlTest, MessageTextWrapsAndKeepsEveryWord) {
  TextRenderer& t = p_->Text();
  const FontSpec font{"Tahoma", 14, false, false, false};
  const std::string path = "/home/someone/" + std::string(200, 'x') + "/LPC.res";
  const struct {
    std::string text;
    size_t min_lines;
  } cases[] = {
      {"Short.", 1},
      {"First line\nsecond line", 2},
      {"LPGUI.lui: form \"MainWindow\": line 12: 'wide' is not a valid integer value for the "
       "property Width of the component LPThumbnail21, which the description sets there",
       2},
      {path + ": the record is damaged", 2},  // one word wider than the box
      {"", 1},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> lines = WrapMessageText(t, font, c.text, 300);
    EXPECT_GE(lines.size(), c.min_lines) << c.text;
    std::string joined;
    for (const std::string& line : lines) {
      EXPECT_LE(t.MeasureText(line, font).width, 300) << line;
      joined += line;
    }
    std::string expected = c.text;  // line ends and the blanks where lines break go
    std::erase_if(expected, [](char ch) { return ch == ' ' || ch == '\n'; });
    std::erase_if(joined, [](char ch) { return ch == ' '; });
    EXPECT_EQ(joined, expected);
  }
}

TEST_F(SdlTest, TextFromSystemFonts) {
  TextRenderer& t = p_->Text();
  FontSpec f;  // "MS Sans Serif", 13: fontconfig finds a stand-in
  const Size one = t.MeasureText("Settings", f);
  EXPECT_GT(one.width, 20);
  EXPECT_GE(one.height, 12);
  EXPECT_LE(one.height, 14);
  EXPECT_GT(t.MeasureText("Settings Settings", f).width, one.width * 2 - 2);
  struct Case {
    int height;
    bool empty;
  };
  for (const Case c : {Case{0, true}, Case{100000, true}, Case{-13, false}, Case{40, false}}) {
    f.height = c.height;
    EXPECT_EQ(t.MeasureText("Hg", f).width == 0, c.empty) << c.height;
  }
  f.height = 20;
  Bitmap b(100, 30, 0xFFFFFF);
  t.DrawText(b, 2, 2, "Hello", f, 0x000000);
  t.DrawText(b, -50, -10, "clipped \xE9\xFF", f, 0x000000);  // Latin-1 bytes, off the edge
  int dark = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 100; ++x) dark += b.At(x, y) == 0;
  EXPECT_GT(dark, 20);
}

TEST_F(SdlTest, OpenDocumentPassesTheTargetWithoutAShell) {
  const std::string dir = ::testing::TempDir();
  const std::string log = dir + "lpc_open_log.txt";
  const std::string script = dir + "lpc_open_cmd.sh";
  WriteFileBytes(script, "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + log + "'\n");
  chmod(script.c_str(), 0755);
  setenv("LPC_OPEN_COMMAND", script.c_str(), 1);
  const std::string target = "http://example.com/a b;touch " + dir + "lpc_pwned";
  EXPECT_TRUE(p_->OpenDocument(target));
  std::string got;
  for (int i = 0; i < 200 && got.empty(); ++i) {
    p_->Sleep(10);
    if (FileExists(log)) got = ReadFileBytes(log);
  }
  EXPECT_EQ(got, "1|" + target);
  EXPECT_FALSE(FileExists(dir + "lpc_pwned"));
  setenv("LPC_OPEN_COMMAND", (dir + "no-such-program").c_str(), 1);
  EXPECT_FALSE(p_->OpenDocument("x"));
  unsetenv("LPC_OPEN_COMMAND");
  EXPECT_FALSE(p_->OpenDocument(""));
  std::remove(log.c_str());
  std::remove(script.c_str());
}

TEST_F(SdlTest, HostServicesThatLinuxLacks) {
  auto w = p_->OpenWindow(WindowOptions{}, nullptr);
  EXPECT_FALSE(p_->HasPasswordProvider());
  EXPECT_FALSE(p_->ChangePassword(1234));
  EXPECT_EQ(p_->VerifyScreenSavePassword(*w), PasswordCheck::kUnavailable);
  EXPECT_EQ(p_->GetOsFamily(), OsFamily::kOther);
}

TEST_F(SdlTest, RegistryLivesInTheConfigFolder) {
  const std::string base = ::testing::TempDir() + "lpc_sdl_xdg_" + std::to_string(getpid());
  setenv("XDG_CONFIG_HOME", base.c_str(), 1);
  auto p = CreatePlatform("sdl");
  // The desktop key is there from the start, as in every Windows profile.
  EXPECT_TRUE(p->RegistryKeyExists("Control Panel\\Desktop"));
  EXPECT_FALSE(p->RegistryKeyExists("Control Panel\\Colors"));
  EXPECT_TRUE(p->WriteRegistryString("\\Control Panel\\desktop", "TileWallpaper", "0"));
  const std::string text = ReadFileBytes(base + "/lpcsaver/registry.ini");
  EXPECT_NE(text.find("[Control Panel\\desktop]"), std::string::npos) << text;
  EXPECT_NE(text.find("TileWallpaper=0"), std::string::npos) << text;
  unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace lpc::platform

// Shown windows leave small allocations behind in X libraries that SDL loads and unloads
// itself, where no suppression can name them. Our own objects are leak-checked by the headless
// tests, which run the same event loop.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
