// The headless backend and the shared event loop: virtual clock, scripted input, modal loops,
// close protocol, timers, recorded audio and system calls.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/headless/headless_platform.h"

namespace lpc::platform {
namespace {

// Records what a window saw, as short lines, and runs optional hooks.
struct Recorder : WindowHandler {
  std::vector<std::string> log;
  std::function<void(Window&, const Event&)> on_event;
  std::function<bool(Window&)> on_idle;
  std::function<bool(Window&)> on_close_query;
  HeadlessPlatform* platform = nullptr;

  std::string Stamp() const { return platform ? "@" + std::to_string(platform->Ticks()) : ""; }
  void OnShow(Window&) override { log.push_back("show"); }
  void OnEvent(Window& w, const Event& e) override {
    switch (e.kind) {
      case EventKind::kMouseMove:
        log.push_back("move " + std::to_string(e.x) + "," + std::to_string(e.y) + Stamp());
        break;
      case EventKind::kMouseDown: log.push_back("down" + Stamp()); break;
      case EventKind::kMouseUp: log.push_back("up" + Stamp()); break;
      case EventKind::kKeyDown: log.push_back("key " + std::to_string(e.key) + Stamp()); break;
      case EventKind::kKeyUp: log.push_back("keyup " + std::to_string(e.key)); break;
      case EventKind::kKeyChar: log.push_back("char " + std::to_string(e.ch)); break;
      case EventKind::kMusicEnded: log.push_back("music ended" + Stamp()); break;
      case EventKind::kTimer: log.push_back("timer " + std::to_string(e.timer_id) + Stamp()); break;
      case EventKind::kMouseLeave: log.push_back("leave" + Stamp()); break;
    }
    if (on_event) on_event(w, e);
  }
  bool OnIdle(Window& w) override { return on_idle ? on_idle(w) : false; }
  bool OnCloseQuery(Window& w) override {
    log.push_back("closequery");
    return on_close_query ? on_close_query(w) : true;
  }
  void OnClose(Window&) override { log.push_back("close"); }
  void OnPaint(Window&) override { log.push_back("paint"); }
};

WindowOptions Framed(int w = 100, int h = 50) {
  WindowOptions o;
  o.client_width = w;
  o.client_height = h;
  return o;
}

TEST(HeadlessClock, WrapsAt32Bits) {
  HeadlessPlatform p;
  p.SetTicks(0xFFFFFFF0u);
  const uint32_t start = p.Ticks();
  p.Sleep(0x20);
  EXPECT_EQ(p.Ticks(), 0x10u);
  EXPECT_EQ(p.Ticks() - start, 0x20u);  // elapsed time survives the wrap
}

TEST(HeadlessClock, TimerFiresAcrossTheWrap) {
  HeadlessPlatform p;
  p.SetTicks(0xFFFFFFC0u);
  Recorder r;
  r.platform = &p;
  auto w = p.OpenWindow(Framed(), &r);
  p.StartTimer(*w, 7, 100);
  int fired = 0;
  r.on_event = [&](Window& win, const Event& e) {
    if (e.kind == EventKind::kTimer && ++fired == 3) win.Close();
  };
  p.RunModal(*w);
  // 0xFFFFFFC0 + 100 = 0x24 after the wrap, then every 100 ms.
  const std::vector<std::string> want = {"show", "paint", "timer 7@36", "timer 7@136",
                                         "timer 7@236", "closequery", "close"};
  EXPECT_EQ(r.log, want);
}

TEST(HeadlessLoop, ScriptedInputArrivesInTickOrder) {
  HeadlessPlatform p;
  Recorder r;
  r.platform = &p;
  auto w = p.OpenWindow(Framed(), &r);
  p.QueueMouseMove(30, *w, 5, 6);
  p.QueueKey(10, *w, keys::kF1);
  p.QueueKey(20, *w, 'A', U'a');
  p.QueueClick(20, *w, 1, 1);  // same tick as the key: after it, as queued
  p.QueueCloseRequest(40, *w);
  EXPECT_EQ(p.RunModal(*w), kModalCancel);
  const std::vector<std::string> want = {
      "show", "paint", "key 112@10", "keyup 112", "key 65@20", "char 97", "keyup 65",
      "down@20", "up@20", "move 5,6@30", "closequery", "close"};
  EXPECT_EQ(r.log, want);
  EXPECT_TRUE(w->IsClosed());
  EXPECT_FALSE(w->IsVisible());
}

TEST(HeadlessLoop, IdleNeverWaitsAndPacesFramesBySleeping) {
  // A screensaver-like idle handler: one frame, then sleep the rest of 33 ms.
  HeadlessPlatform p;
  Recorder r;
  auto w = p.OpenWindow(Framed(), &r);
  int frames = 0;
  r.on_idle = [&](Window&) {
    ++frames;
    p.Sleep(33);
    return true;
  };
  p.QueueKey(1000, *w, 'Q', U'q');
  r.on_event = [](Window& win, const Event& e) {
    if (e.kind == EventKind::kKeyChar) win.Close();
  };
  p.RunModal(*w);
  // Frames at 0, 33, ..., 990: 31 of them; the key is seen before the frame at 1023.
  EXPECT_EQ(frames, 31);
  EXPECT_EQ(p.Ticks(), 1023u);
}

TEST(HeadlessLoop, ThirtySecondsOfFramesTakeNoRealTime) {
  HeadlessPlatform p;
  Recorder r;
  auto w = p.OpenWindow(Framed(), &r);
  int frames = 0;
  r.on_idle = [&](Window& win) {
    p.Sleep(33);
    if (++frames == 30 * 30) win.Close();
    return true;
  };
  p.RunModal(*w);
  EXPECT_EQ(p.Ticks(), 900u * 33u);
}

TEST(HeadlessLoop, RefusedCloseKeepsTheWindowRunning) {
  HeadlessPlatform p;
  Recorder r;
  auto w = p.OpenWindow(Framed(), &r);
  int asked = 0;
  r.on_close_query = [&](Window&) { return ++asked >= 2; };
  p.QueueCloseRequest(10, *w);
  p.QueueMouseMove(20, *w, 3, 3);
  p.QueueCloseRequest(30, *w);
  EXPECT_EQ(p.RunModal(*w), kModalCancel);
  const std::vector<std::string> want = {"show",       "paint",      "closequery", "move 3,3",
                                         "closequery", "close"};
  EXPECT_EQ(r.log, want);
  EXPECT_EQ(p.Ticks(), 30u);
}

TEST(HeadlessLoop, CloseReturnsItsModalResult) {
  struct Case {
    int result;
  };
  for (const Case c : {Case{kModalOk}, Case{kModalCancel}, Case{kModalYes}, Case{kModalNo}}) {
    HeadlessPlatform p;
    Recorder r;
    auto w = p.OpenWindow(Framed(), &r);
    r.on_event = [&](Window& win, const Event&) { EXPECT_TRUE(win.Close(c.result)); };
    p.QueueMouseMove(5, *w, 0, 0);
    EXPECT_EQ(p.RunModal(*w), c.result);
    EXPECT_TRUE(w->Close(kModalOk));  // already closed: nothing more happens
    EXPECT_EQ(r.log.back(), "close");
  }
}

TEST(HeadlessLoop, ModalLoopsNestAndOuterWindowsGetNoInput) {
  HeadlessPlatform p;
  Recorder outer_r, inner_r;
  outer_r.platform = inner_r.platform = &p;
  auto outer = p.OpenWindow(Framed(), &outer_r);
  auto inner = p.OpenWindow(Framed(), &inner_r);
  int inner_result = -1;
  outer_r.on_event = [&](Window&, const Event& e) {
    if (e.kind == EventKind::kMouseDown) {
      EXPECT_EQ(p.modal_depth(), 1);
      inner_result = p.RunModal(*inner);
      EXPECT_EQ(p.modal_depth(), 1);
    }
    if (e.kind == EventKind::kKeyChar) outer->Close(kModalOk);
  };
  inner_r.on_event = [&](Window& w, const Event& e) {
    if (e.kind == EventKind::kKeyChar) w.Close(kModalYes);
  };
  p.StartTimer(*outer, 1, 25);
  p.QueueClick(10, *outer, 0, 0);
  p.QueueMouseMove(20, *outer, 9, 9);  // outer is behind the inner modal: dropped
  p.QueueCloseRequest(30, *outer);     // dropped too
  p.QueueKey(60, *inner, 'X', U'x');
  p.QueueKey(70, *outer, 'Y', U'y');
  EXPECT_EQ(p.RunModal(*outer), kModalOk);
  EXPECT_EQ(inner_result, kModalYes);
  // The outer window's timer kept running while the inner loop ran; its mouse-up, move and
  // close request came while the inner window was modal and were dropped.
  const std::vector<std::string> outer_want = {"show",       "paint",      "down@10",
                                               "timer 1@25", "timer 1@50", "key 89@70",
                                               "char 121",   "closequery", "close"};
  EXPECT_EQ(outer_r.log, outer_want);
  const std::vector<std::string> inner_want = {"show", "paint", "key 88@60", "char 120",
                                               "closequery", "close"};
  EXPECT_EQ(inner_r.log, inner_want);
}

TEST(HeadlessLoop, QuitClosesEveryModalWindowInnermostFirst) {
  HeadlessPlatform p;
  std::vector<std::string> order;
  struct Closer : Recorder {
    std::vector<std::string>* order;
    std::string name;
    void OnClose(Window&) override { order->push_back(name); }
  };
  Closer outer_r, inner_r;
  outer_r.order = inner_r.order = &order;
  outer_r.name = "outer";
  inner_r.name = "inner";
  auto outer = p.OpenWindow(Framed(), &outer_r);
  auto inner = p.OpenWindow(Framed(), &inner_r);
  outer_r.on_event = [&](Window&, const Event& e) {
    if (e.kind == EventKind::kMouseDown) p.RunModal(*inner);
  };
  p.QueueClick(10, *outer, 0, 0);
  p.QueueQuit(20);
  p.RunModal(*outer);
  EXPECT_EQ(order, (std::vector<std::string>{"inner", "outer"}));
  EXPECT_EQ(p.Ticks(), 20u);
}

TEST(HeadlessLoop, WaitingForInputThatNeverComesFailsInsteadOfHanging) {
  HeadlessPlatform p;
  Recorder r;
  auto w = p.OpenWindow(Framed(), &r);
  EXPECT_THROW(p.RunModal(*w), Error);
}

TEST(HeadlessLoop, TickBudgetStopsARunaway) {
  HeadlessPlatform p;
  Recorder r;
  auto w = p.OpenWindow(Framed(), &r);
  r.on_idle = [&](Window&) {
    p.Sleep(33);
    return true;
  };
  p.SetTickBudget(5000);
  EXPECT_THROW(p.RunModal(*w), Error);
  EXPECT_LE(p.Ticks(), 5000u);
}

TEST(HeadlessLoop, DestroyingAWindowDropsItsPendingInput) {
  HeadlessPlatform p;
  Recorder r, other_r;
  auto w = p.OpenWindow(Framed(), &r);
  auto other = p.OpenWindow(Framed(), &other_r);
  p.QueueMouseMove(5, *other, 1, 1);
  p.StartTimer(*other, 3, 1);
  other.reset();
  p.QueueCloseRequest(10, *w);
  p.RunModal(*w);
  EXPECT_TRUE(other_r.log.empty());
}

// Input waiting in the loop is what long work on the UI thread gives way to; timers, music and
// paints are not, and input that has been handled is no longer pending.
TEST(HeadlessLoop, InputPendingMeansInputWaitsInTheLoop) {
  struct Case {
    EventKind kind;
    bool input;
  } cases[] = {{EventKind::kKeyDown, true},   {EventKind::kKeyChar, true},
               {EventKind::kMouseMove, true}, {EventKind::kMouseDown, true},
               {EventKind::kTimer, false},    {EventKind::kMusicEnded, false}};
  for (const Case& c : cases) {
    HeadlessPlatform p;
    Recorder r;
    auto w = p.OpenWindow(Framed(), &r);
    EXPECT_FALSE(p.InputPending());
    Delivery d;
    d.window = static_cast<BasicWindow*>(w.get());
    d.event.kind = c.kind;
    p.loop().Post(d);
    EXPECT_EQ(p.InputPending(), c.input) << static_cast<int>(c.kind);
    p.ProcessMessages();
    EXPECT_FALSE(p.InputPending()) << static_cast<int>(c.kind);
  }
}

TEST(HeadlessWindow, PresentClipsToBitmapAndClientArea) {
  struct Case {
    const char* name;
    Rect src;
    int x, y;
    int painted;  // pixels that change
  };
  const Case cases[] = {
      {"whole bitmap inside", {0, 0, 4, 4}, 2, 2, 16},
      {"negative offset crops left and top", {0, 0, 4, 4}, -1, -2, 6},
      {"past the right and bottom edges", {0, 0, 4, 4}, 8, 8, 4},
      {"source larger than the bitmap", {-2, -2, 10, 10}, 0, 0, 16},
      {"source outside the bitmap", {5, 5, 9, 9}, 0, 0, 0},
      {"empty source", {2, 2, 2, 4}, 0, 0, 0},
      {"entirely off screen", {0, 0, 4, 4}, 50, 0, 0},
      {"far negative", {0, 0, 4, 4}, -100000, 0, 0},
  };
  Bitmap red(4, 4, 0xFF0000);
  for (const Case& c : cases) {
    HeadlessPlatform p;
    auto w = p.OpenWindow(Framed(10, 10), nullptr);
    w->Present(red, c.src, c.x, c.y);
    const auto& screen = static_cast<HeadlessWindow&>(*w).screen();
    int n = 0;
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) n += screen.At(x, y) == 0xFF0000;
    EXPECT_EQ(n, c.painted) << c.name;
  }
}

TEST(HeadlessWindow, PresentPlacesTheSourceCorner) {
  HeadlessPlatform p;
  auto w = p.OpenWindow(Framed(10, 10), nullptr);
  Bitmap b(3, 3, 0);
  b.At(1, 1) = 0x123456;
  w->Present(b, Rect{1, 1, 3, 3}, 4, 5);  // pixel (1,1) of the bitmap lands on (4,5)
  const auto& screen = static_cast<HeadlessWindow&>(*w).screen();
  EXPECT_EQ(screen.At(4, 5), 0x123456u);
  EXPECT_EQ(static_cast<HeadlessWindow&>(*w).present_count(), 1);
}

TEST(HeadlessWindow, SizesByKind) {
  HeadlessPlatform p;
  p.SetScreenSize({800, 600});
  p.AddHostWindow(42, {152, 112}, false);
  WindowOptions full;
  full.kind = WindowKind::kFullScreen;
  WindowOptions maxed = Framed(10, 10);
  maxed.maximized = true;
  WindowOptions hosted;
  hosted.kind = WindowKind::kHosted;
  hosted.host = 42;
  WindowOptions missing = hosted;
  missing.host = 43;
  EXPECT_EQ(p.OpenWindow(full, nullptr)->ClientSize(), (Size{800, 600}));
  EXPECT_EQ(p.OpenWindow(maxed, nullptr)->ClientSize(), (Size{800, 600}));
  EXPECT_EQ(p.OpenWindow(Framed(375, 188), nullptr)->ClientSize(), (Size{375, 188}));
  auto host = p.OpenWindow(hosted, nullptr);
  ASSERT_TRUE(host);
  EXPECT_EQ(host->ClientSize(), (Size{152, 112}));
  EXPECT_EQ(host->Handle(), 42u);
  EXPECT_FALSE(host->IsVisible());
  p.Schedule(0, [&] { p.SetHostVisible(42, true); });
  p.ProcessMessages();
  EXPECT_TRUE(host->IsVisible());
  EXPECT_EQ(p.OpenWindow(missing, nullptr), nullptr);
}

TEST(HeadlessWindow, ObserverSeesEveryFrameWithItsTick) {
  HeadlessPlatform p;
  Recorder r;
  WindowOptions o;
  o.kind = WindowKind::kFullScreen;
  auto w = p.OpenWindow(o, &r);
  std::vector<std::pair<uint32_t, Color>> frames;
  p.SetPresentObserver([&](HeadlessWindow& win) {
    frames.emplace_back(p.Ticks(), win.screen().At(512, 384));
  });
  const Color colours[] = {0x110000, 0x002200, 0x000033};
  int n = 0;
  r.on_idle = [&](Window& win) {
    win.Present(Bitmap(1024, 768, colours[n]));
    p.Sleep(33);
    if (++n == 3) win.Close();
    return true;
  };
  p.RunModal(*w);
  const std::vector<std::pair<uint32_t, Color>> want = {
      {0, 0x110000}, {33, 0x002200}, {66, 0x000033}};
  EXPECT_EQ(frames, want);
}

TEST(HeadlessAudio, RecordsSoundsAndFailsSoftly) {
  const std::string wav = testing::TempDir() + "lpc_headless_sound.wav";
  std::ofstream(wav) << "RIFF";
  HeadlessPlatform p;
  EXPECT_TRUE(p.PlayLoopingSound(wav));
  EXPECT_FALSE(p.PlayLoopingSound(wav + ".missing"));
  p.StopSound();
  p.SetAudioAvailable(false);
  EXPECT_FALSE(p.PlayLoopingSound(wav));
  auto music = p.CreateMusicPlayer();
  EXPECT_FALSE(music->Open(wav));
  EXPECT_FALSE(music->LastError().empty());
  const std::vector<std::string> want = {"sound play " + wav, "sound play " + wav + ".missing failed",
                                         "sound stop", "sound play " + wav + " failed",
                                         "music open " + wav + " failed"};
  EXPECT_EQ(p.audio_log(), want);
  std::remove(wav.c_str());
}

TEST(HeadlessAudio, TrackEndIsNotifiedThroughTheLoop) {
  const std::string mid = testing::TempDir() + "lpc_headless_track.mid";
  std::ofstream(mid) << "MThd";
  HeadlessPlatform p;
  p.SetMusicLength(5000);
  Recorder r;
  r.platform = &p;
  auto w = p.OpenWindow(Framed(), &r);
  auto music = p.CreateMusicPlayer();
  ASSERT_TRUE(music->Open(mid));
  EXPECT_EQ(music->Length(), 5000u);
  int ends = 0;
  r.on_event = [&](Window& win, const Event& e) {
    if (e.kind != EventKind::kMusicEnded) return;
    EXPECT_EQ(e.player, music.get());
    EXPECT_EQ(music->Position(), music->Length());  // how the window knows the end came
    if (++ends == 1) {
      music->Close();
      ASSERT_TRUE(music->Open(mid));
      ASSERT_TRUE(music->Play(&win));
    } else {
      win.Close();
    }
  };
  p.Schedule(2000, [&] { EXPECT_EQ(music->Position(), 2000u); });
  ASSERT_TRUE(music->Play(w.get()));
  p.RunModal(*w);
  EXPECT_EQ(ends, 2);
  EXPECT_EQ(p.Ticks(), 10000u);
  const std::vector<std::string> want = {"music open " + mid, "music play " + mid,
                                         "music end " + mid,  "music close",
                                         "music open " + mid, "music play " + mid,
                                         "music end " + mid};
  EXPECT_EQ(p.audio_log(), want);
  std::remove(mid.c_str());
}

TEST(HeadlessAudio, StoppedOrClosedTracksSendNoNotification) {
  const std::string mid = testing::TempDir() + "lpc_headless_stop.mid";
  std::ofstream(mid) << "MThd";
  HeadlessPlatform p;
  p.SetMusicLength(1000);
  Recorder r;
  auto w = p.OpenWindow(Framed(), &r);
  auto music = p.CreateMusicPlayer();
  ASSERT_TRUE(music->Open(mid));
  ASSERT_TRUE(music->Play(w.get()));
  p.Schedule(500, [&] { music->Stop(); });
  p.QueueCloseRequest(3000, *w);
  p.RunModal(*w);
  EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "music ended"), 0);
  EXPECT_EQ(music->Position(), 500u);
  // A player destroyed while its track plays leaves nothing behind.
  ASSERT_TRUE(music->Play(w.get()));
  music.reset();
  p.FinishMusic();
  std::remove(mid.c_str());
}

TEST(HeadlessSystem, MessageBoxesAnswerAsQueued) {
  HeadlessPlatform p;
  EXPECT_EQ(p.ShowMessageBox(nullptr, "No image found in Images List.", "LPCSaver",
                             MessageKind::kInformation),
            kModalOk);
  EXPECT_EQ(p.ShowMessageBox(nullptr, "Proceed?", "Confirm", MessageKind::kYesNo), kModalNo);
  p.QueueMessageBoxAnswer(kModalYes);
  EXPECT_EQ(p.ShowMessageBox(nullptr, "Proceed?", "Confirm", MessageKind::kYesNo), kModalYes);
  ASSERT_EQ(p.message_boxes().size(), 3u);
  EXPECT_EQ(p.message_boxes()[0].text, "No image found in Images List.");
  EXPECT_EQ(p.message_boxes()[2].answer, kModalYes);
}

TEST(HeadlessSystem, RecordsSystemCalls) {
  HeadlessPlatform p;
  auto w = p.OpenWindow(Framed(), nullptr);
  EXPECT_FALSE(p.HasPasswordProvider());
  EXPECT_FALSE(p.ChangePassword(1234));
  EXPECT_EQ(p.VerifyScreenSavePassword(*w), PasswordCheck::kUnavailable);
  p.SetPasswordProvider(true);
  p.SetPasswordAnswer(PasswordCheck::kRefused);
  EXPECT_TRUE(p.ChangePassword(1234));
  EXPECT_EQ(p.VerifyScreenSavePassword(*w), PasswordCheck::kRefused);
  p.SetScreenSaverRunning(true);
  EXPECT_TRUE(p.OpenDocument("http://example.com/"));
  EXPECT_TRUE(p.SetDesktopWallpaper("/x/Sea.scr.bmp", Bitmap(2, 2, 0x112233)));
  EXPECT_EQ(p.wallpaper_picture(), Bitmap(2, 2, 0x112233));
  p.SetOsFamily(OsFamily::kWindows9x);
  EXPECT_EQ(p.GetOsFamily(), OsFamily::kWindows9x);
  const std::vector<std::string> want = {
      "password change 1234 failed", "password verify", "password change 1234",
      "password verify",             "screensaver running 1", "open http://example.com/",
      "wallpaper /x/Sea.scr.bmp"};
  EXPECT_EQ(p.system_log(), want);
}

TEST(HeadlessText, CellsArePredictable) {
  CellTextRenderer t;
  FontSpec f;
  f.height = 13;
  EXPECT_EQ(t.MeasureText("ab c", f), (Size{24, 13}));
  EXPECT_EQ(t.MeasureText("", f), (Size{0, 0}));
  f.bold = true;
  EXPECT_EQ(t.MeasureText("ab", f), (Size{14, 13}));
  Bitmap b(20, 20, 0);
  f.bold = false;
  t.DrawText(b, -3, 18, "a b", f, 0xFFFFFF);  // clipped, never out of bounds
  t.DrawText(b, 0, 0, "a b", f, 0xFFFFFF);
  EXPECT_EQ(b.At(1, 1), 0xFFFFFFu);
  EXPECT_EQ(b.At(0, 0), 0u);
  EXPECT_EQ(b.At(8, 5), 0u);  // the blank
  EXPECT_EQ(b.At(13, 5), 0xFFFFFFu);
}

}  // namespace
}  // namespace lpc::platform
