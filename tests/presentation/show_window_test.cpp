// Whole shows on the headless platform: the virtual clock runs a 30-second slideshow in
// microseconds, input is scripted, and sound calls are recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "base/random.h"
#include "effects/wave_generator.h"
#include "presentation/show_window.h"
#include "presentation/show_fixture.h"
#include "presentation/slideshow_rules.h"

namespace lpc {
namespace {

using platform::EventKind;
using platform::HeadlessWindow;
namespace keys = platform::keys;

constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kGreen = MakeColor(0, 255, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);

class ShowTest : public ::testing::Test {
 public:
  void SetUp() override {
    SharedExitState() = ExitState();
    env_.WorkFolder = dir_.Path();
    env_.ProgramFolder = dir_.Path() + "program/";
    env_.InstallPath = dir_.Path() + "install/";
    env_.SettingsFile = dir_.File("Sea.ini");
    project_.Setting.Transition = false;
    project_.Setting.ShowImageMode = 1;
    project_.Setting.Duration = 10;
    project_.Setting.Proportional = true;
    project_.Setting.Music = false;
    p_->SetTicks(start_);
  }

  void AddPicture(const std::string& name) {
    project_.FileList.Names.push_back(dir_.File(name));
    project_.FileList.Flags.push_back(kFlagTrue);
  }

  // Runs the window directly (flags as set) until it closes; budget bounds the virtual time.
  void RunForm(uint32_t budget_ms = 120000) {
    form_ = std::make_unique<ShowWindow>(*p_, project_, env_);
    p_->SetTickBudget(budget_ms);
    form_->ShowModal();
  }
  // Runs at start + t (ms) inside the show.
  void At(uint32_t t, std::function<void()> action) { p_->Schedule(start_ + t, std::move(action)); }
  platform::Window& Top() { return *p_->loop().TopModal(); }
  void MoveAt(uint32_t t, int x, int y) {
    At(t, [this, x, y] { p_->QueueMouseMove(p_->Ticks(), Top(), x, y); });
  }
  // Five ignored moves, one to set the origin, one jump that closes.
  void CloseByMouseAt(uint32_t t) {
    for (int i = 0; i < 6; ++i) MoveAt(t + i, 100, 100);
    MoveAt(t + 6, 200, 100);
  }
  void KeyAt(uint32_t t, int key, char32_t ch = 0) {
    At(t, [this, key, ch] { p_->QueueKey(p_->Ticks(), Top(), key, ch); });
  }
  void ClickAt(uint32_t t) {
    At(t, [this] { p_->QueueClick(p_->Ticks(), Top(), 10, 10); });
  }
  const Bitmap& Screen() { return static_cast<HeadlessWindow&>(Top()).screen(); }
  int AudioCount(const std::string& prefix) {
    return static_cast<int>(
        std::count_if(p_->audio_log().begin(), p_->audio_log().end(),
                      [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
  }
  uint32_t Elapsed() { return p_->Ticks() - start_; }

  uint32_t start_ = 1000;
  testing::CurrentHeadless p_;
  testing::TempFolder dir_{"show"};
  ScreensaverProject project_;
  ShowEnvironment env_;
  std::unique_ptr<ShowWindow> form_;
};

// A headless platform that writes the show's calls into one log, in the order they come.
class OrderPlatform : public platform::HeadlessPlatform {
 public:
  std::vector<std::string> calls;
  int ShowMessageBox(platform::Window* owner, const std::string& text, const std::string& caption,
                     platform::MessageKind kind) override {
    calls.push_back("message");
    return HeadlessPlatform::ShowMessageBox(owner, text, caption, kind);
  }
  bool PlayLoopingSound(const std::string& file) override {
    calls.push_back("sound " + ExtractFileName(file));
    return HeadlessPlatform::PlayLoopingSound(file);
  }
  void StopSound() override {
    calls.push_back("sound stop");
    HeadlessPlatform::StopSound();
  }
  std::unique_ptr<platform::MusicPlayer> CreateMusicPlayer() override {
    calls.push_back("music");
    return HeadlessPlatform::CreateMusicPlayer();
  }
  void SetScreenSaverRunning(bool running) override {
    calls.push_back(running ? "running 1" : "running 0");
    HeadlessPlatform::SetScreenSaverRunning(running);
  }
  void ShowCursor(bool show) override {
    calls.push_back(show ? "cursor shown" : "cursor hidden");
    HeadlessPlatform::ShowCursor(show);
  }
};

TEST(ShowOrder, SetUpAndCleanUpRunInOrder) {
  testing::TempFolder dir("order");
  OrderPlatform p;
  p.SetOsFamily(platform::OsFamily::kWindows9x);
  platform::SetCurrent(&p);
  SharedExitState() = ExitState();
  WriteFileBytes(dir.File("song.wav"), "RIFF");
  WriteFileBytes(dir.File("surf.wav"), "RIFF");
  testing::WritePackedPicture(dir.File("a.lpp"), 32, 24, "surf.wav");
  ShowEnvironment env{dir.File("none.ini"), dir.Path(), dir.Path(), dir.Path()};
  struct Case {
    bool deselected;
    std::vector<std::string> calls;
  } cases[] = {
      // Music starts before the first picture and its sound; the running flag and the hidden
      // pointer come last. Closing: flag off, pointer back, sound stopped.
      {false,
       {"music", "sound surf.wav", "running 1", "cursor hidden", "running 0", "cursor shown",
        "sound stop"}},
      // Nothing to show: the error box comes before the music, and no frames are set up;
      // closing clears the running flag all the same.
      {true, {"message", "music", "running 0", "cursor shown", "sound stop"}},
  };
  for (const Case& c : cases) {
    ScreensaverProject project;
    project.FileList.Names = {dir.File("a.lpp")};
    project.FileList.Flags = {c.deselected ? kFlagFalse : kFlagTrue};
    project.Setting.MusicFile = "song.wav";
    p.calls.clear();
    const uint32_t start = p.Ticks();
    for (int i = 0; i < 7; ++i) {
      p.Schedule(start + 100 + i,
                 [&p, i] { p.QueueMouseMove(p.Ticks(), *p.loop().TopModal(), i < 6 ? 5 : 50, 5); });
    }
    ShowWindow form(p, project, env);
    form.ShowModal();
    EXPECT_EQ(p.calls, c.calls) << (c.deselected ? "deselected" : "shown");
  }
  platform::SetCurrent(nullptr);
}

TEST_F(ShowTest, EmptyPictureListShowsAMessageAndNoWindow) {
  RunScreensaver(project_, env_);
  ASSERT_EQ(p_->message_boxes().size(), 1u);
  EXPECT_EQ(p_->message_boxes()[0].text, "No image found in Images List.");
  EXPECT_EQ(p_->message_boxes()[0].kind, platform::MessageKind::kInformation);
  EXPECT_EQ(p_->Ticks(), start_);
}

TEST_F(ShowTest, EverythingDeselectedLeavesABlackWindowThatAMoveCloses) {
  testing::WritePlainPicture(dir_.File("a.bmp"), 8, 8, kRed);
  AddPicture("a.bmp");
  WriteFileBytes(dir_.File("song.wav"), "RIFF");
  project_.Setting.Music = true;
  project_.Setting.MusicFile = "song.wav";
  WriteFileBytes(env_.SettingsFile, "[Setting]\nImageMode=2\n[Files]\n0=\n");
  bool checked = false;
  At(500, [&] {
    EXPECT_TRUE(p_->cursor_visible());  // no frames, pointer shown
    const Bitmap& screen = Screen();
    EXPECT_EQ(screen.At(512, 384), 0u);
    checked = true;
  });
  CloseByMouseAt(1000);
  p_->SetTickBudget(60000);
  RunScreensaver(project_, env_);
  EXPECT_TRUE(checked);
  ASSERT_EQ(p_->message_boxes().size(), 1u);
  EXPECT_EQ(p_->message_boxes()[0].text, "Unable to run screensaver.\r\nPlease configure!");
  EXPECT_EQ(p_->message_boxes()[0].kind, platform::MessageKind::kError);
  EXPECT_EQ(AudioCount("music play " + dir_.File("song.wav")), 1) << "music still starts";
  EXPECT_LT(Elapsed(), 2000u);
}

TEST_F(ShowTest, SequentialChangesEveryDurationAcrossTheTickWrap) {
  start_ = 0xFFFFFFFFu - 14999u;  // the tick count wraps 15 s into the show
  p_->SetTicks(start_);
  const Color colours[] = {kRed, kGreen, kBlue};
  for (int i = 0; i < 3; ++i) {
    const std::string name = "p" + std::to_string(i) + ".bmp";
    testing::WritePlainPicture(dir_.File(name), 64, 48, colours[i]);
    AddPicture(name);
  }
  // Seconds into the show and the picture on screen then.
  const std::pair<uint32_t, Color> expected[] = {{500, kRed},     {9900, kRed},   {10300, kGreen},
                                                 {19900, kGreen}, {20300, kBlue}, {30300, kRed},
                                                 {40300, kGreen}};
  for (const auto& [t, colour] : expected) {
    At(t,
       [this, t = t, colour = colour] { EXPECT_EQ(Screen().At(512, 384), colour) << t << " ms"; });
  }
  CloseByMouseAt(41000);
  RunScreensaver(project_, env_);
  EXPECT_GE(Elapsed(), 41006u);
  EXPECT_LT(Elapsed(), 41200u);
  EXPECT_TRUE(p_->cursor_visible());
}

TEST_F(ShowTest, RandomOrderNeverShowsThePictureTwiceInARow) {
  for (int i = 0; i < 4; ++i) {
    const std::string name = "p" + std::to_string(i) + ".bmp";
    testing::WritePlainPicture(dir_.File(name), 4, 4, MakeColor(i * 60, 0, 0));
    AddPicture(name);
  }
  project_.Setting.ShowImageMode = 0;
  project_.Setting.Duration = 0;  // a change in every frame
  std::vector<int> order;
  for (uint32_t t = 20; t < 2000; t += 33) {
    At(t, [&] { order.push_back(form_->ImageIndex()); });
  }
  CloseByMouseAt(2100);
  RunForm();
  ASSERT_GT(order.size(), 50u);
  for (size_t i = 1; i < order.size(); ++i) EXPECT_NE(order[i], order[i - 1]) << i;
}

TEST_F(ShowTest, AutoChangeOffKeepsTheFirstPicture) {
  testing::WritePlainPicture(dir_.File("a.bmp"), 4, 4, kRed);
  testing::WritePlainPicture(dir_.File("b.bmp"), 4, 4, kGreen);
  AddPicture("a.bmp");
  AddPicture("b.bmp");
  project_.Setting.Random = false;
  At(60000, [&] { EXPECT_EQ(form_->LoadedImage(), dir_.File("a.bmp")); });
  CloseByMouseAt(60100);
  RunForm();
}

// Plain pictures: display size and position on a 1024 x 768 screen.
TEST_F(ShowTest, PlainPicturesAreScaledAndPlaced) {
  struct Case {
    int w, h;
    bool stretch, proportional;
    int pw, ph, x, y;
  } cases[] = {
      {1000, 500, true, true, 1024, 512, 0, 128},
      {1000, 500, true, false, 1024, 768, 0, 0},
      {1600, 1200, false, false, 1600, 1200, -288, -216},
      {200, 100, false, true, 200, 100, 412, 334},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    project_ = ScreensaverProject();
    project_.Setting.Music = false;
    project_.Setting.Stretch = c.stretch;
    project_.Setting.Proportional = c.proportional;
    testing::WritePlainPicture(dir_.File("pic.bmp"), c.w, c.h, kGreen);
    AddPicture("pic.bmp");
    bool checked = false;
    At(Elapsed() + 100, [&] {
      EXPECT_EQ(form_->PictureWidth(), c.pw);
      EXPECT_EQ(form_->PictureHeight(), c.ph);
      EXPECT_EQ(form_->PicturePos(), (Point{c.x, c.y}));
      const Bitmap& s = Screen();
      const int inside_x = std::max(c.x, 0), inside_y = std::max(c.y, 0);
      EXPECT_EQ(s.At(inside_x, inside_y), kGreen);
      EXPECT_EQ(s.At(std::min(c.x + c.pw, 1024) - 1, std::min(c.y + c.ph, 768) - 1), kGreen);
      if (c.y > 0) {
        EXPECT_EQ(s.At(inside_x, c.y - 1), 0u);
      }
      if (c.x > 0) {
        EXPECT_EQ(s.At(c.x - 1, inside_y), 0u);
      }
      checked = true;
    });
    start_ = p_->Ticks();
    CloseByMouseAt(200);
    RunForm();
    EXPECT_TRUE(checked);
    SharedExitState() = ExitState();
  }
}

TEST_F(ShowTest, TransitionFadesInAboutTwoSecondsAndTheNextPictureWaitsItsFullDuration) {
  testing::WritePlainPicture(dir_.File("a.bmp"), 1024, 768, MakeColor(200, 0, 0));
  testing::WritePlainPicture(dir_.File("b.bmp"), 1024, 768, MakeColor(0, 0, 200));
  AddPicture("a.bmp");
  AddPicture("b.bmp");
  project_.Setting.Transition = true;
  project_.Setting.Duration = 5;
  uint32_t first_change = 0;
  At(7500, [&] { first_change = form_->LastChangeTick() - start_; });
  // Each step is too quick for the virtual clock to measure: one step per frame period.
  At(7600, [&] {
    EXPECT_EQ(form_->TransitionSteps(), 60);
    const std::vector<int>& a = form_->TransitionAmounts();
    ASSERT_EQ(a.size(), 61u);
    EXPECT_EQ(a.front(), 10);
    EXPECT_EQ(a[1], 14);  // Round(245 / 60) + 10
    EXPECT_EQ(a.back(), 255);
    EXPECT_EQ(Screen().At(10, 10), MakeColor(0, 0, 200));
  });
  At(11900, [&] { EXPECT_EQ(form_->LoadedImage(), dir_.File("b.bmp")); });
  At(12100, [&] { EXPECT_EQ(form_->LoadedImage(), dir_.File("a.bmp")); });
  CloseByMouseAt(12200);
  RunForm();
  // The change starts at 5 s and the timer restarts once the fade is done, about 2 s later.
  EXPECT_GE(first_change, 6990u);
  EXPECT_LE(first_change, 7100u);
}

TEST_F(ShowTest, FramesArePacedToThirtyThreeMilliseconds) {
  testing::WritePackedPicture(dir_.File("sea.lpp"), 320, 240);
  AddPicture("sea.lpp");
  int presents_at_1s = 0, presents_at_2s = 0;
  At(1000, [&] { presents_at_1s = static_cast<HeadlessWindow&>(Top()).present_count(); });
  At(2000, [&] { presents_at_2s = static_cast<HeadlessWindow&>(Top()).present_count(); });
  CloseByMouseAt(2100);
  RunForm();
  EXPECT_NEAR(presents_at_2s - presents_at_1s, 30, 1);
}

TEST_F(ShowTest, WaterMovesAndLandStaysStill) {
  testing::WritePackedPicture(dir_.File("sea.lpp"), 512, 384);
  AddPicture("sea.lpp");
  project_.Setting.Stretch = false;
  Bitmap first, second, picture;
  At(500, [&] { first = Screen(); });
  At(1500, [&] {
    second = Screen();
    picture = form_->PackedPicture()->Picture;
  });
  CloseByMouseAt(1600);
  RunForm();
  ASSERT_EQ(form_->PicturePos(), (Point{256, 192}));
  int land_changed = 0, water_changed = 0, land_wrong = 0;
  for (int y = 192; y < 192 + 384; ++y) {
    for (int x = 256; x < 256 + 512; ++x) {
      const bool changed = first.At(x, y) != second.At(x, y);
      (y < 192 + 192 ? land_changed : water_changed) += changed;
      if (y < 192 + 192) land_wrong += second.At(x, y) != picture.At(x - 256, y - 192);
    }
  }
  EXPECT_EQ(land_changed, 0);
  EXPECT_EQ(land_wrong, 0);
  EXPECT_GT(water_changed, 512 * 192 / 10);
  EXPECT_EQ(first.At(100, 100), 0u);  // outside the picture stays black
}

// The water is drawn into the window's own pixels; when the window changes size they go, and
// the show carries on with a frame of its own (under the sanitizers: never into freed pixels).
TEST_F(ShowTest, WaterGoesOnWhenTheWindowChangesSize) {
  testing::WritePackedPicture(dir_.File("sea.lpp"), 512, 384);
  AddPicture("sea.lpp");
  project_.Setting.Stretch = false;
  Bitmap first, second;
  At(400, [&] { static_cast<HeadlessWindow&>(Top()).ResizeClient(900, 700); });
  At(800, [&] { first = form_->Screen(); });
  At(1200, [&] { second = form_->Screen(); });
  CloseByMouseAt(1300);
  RunForm();
  int water_changed = 0;
  for (int y = 192 + 200; y < 192 + 384; ++y) {
    for (int x = 256; x < 256 + 512; ++x) water_changed += first.At(x, y) != second.At(x, y);
  }
  EXPECT_GT(water_changed, 512 * 150 / 10);
}

TEST_F(ShowTest, EveryKindOfPackedPictureRunsThroughChangesAndFades) {
  testing::WritePackedPicture(dir_.File("a.lpp"), 1024, 576, {}, 0, kRed, true);
  testing::WritePackedPicture(dir_.File("b.lpp"), 1024, 576, {}, 2, kGreen, false);
  testing::WritePackedPicture(dir_.File("c.lpp"), 1024, 576, {}, 1, kBlue, true);
  testing::WritePlainPicture(dir_.File("d.bmp"), 1024, 576, kRed);
  for (const char* n : {"a.lpp", "b.lpp", "c.lpp", "d.bmp", "a.lpp"}) AddPicture(n);
  project_.Setting.Duration = 1;
  project_.Setting.Transition = true;
  // Each change: one second shown, then a two-second fade.
  At(12500, [&] { EXPECT_EQ(form_->ImageIndex(), 4); });
  At(13500, [&] {
    // Back to the first entry, the same file: no reload, no fade.
    EXPECT_EQ(form_->ImageIndex(), 0);
    EXPECT_EQ(form_->LoadedImage(), dir_.File("a.lpp"));
  });
  CloseByMouseAt(13600);
  RunForm();
}

TEST_F(ShowTest, PackedPictureStretchedWithWeatherDrawsTheOverlay) {
  testing::WritePackedPicture(dir_.File("snow.lpp"), 400, 300, {}, 1);
  AddPicture("snow.lpp");
  At(500, [&] {
    ASSERT_TRUE(form_->WaveEngine());
    EXPECT_TRUE(form_->WaveEngine()->WeatherOn());
    EXPECT_EQ(form_->PictureWidth(), 1024);
    EXPECT_EQ(form_->PictureHeight(), 768);
  });
  CloseByMouseAt(600);
  RunForm();
}

TEST_F(ShowTest, PictureSoundsLoopAcrossChangesAndStopForPlainPictures) {
  WriteFileBytes(dir_.File("surf.wav"), "RIFF");
  testing::WritePackedPicture(dir_.File("a.lpp"), 64, 48, "C:\\Author\\surf.wav");
  testing::WritePackedPicture(dir_.File("b.lpp"), 64, 48, "surf.wav", 0, kGreen);
  testing::WritePlainPicture(dir_.File("c.bmp"), 8, 8, kRed);
  testing::WritePackedPicture(dir_.File("d.lpp"), 64, 48, "<No Sound>");
  for (const char* n : {"a.lpp", "b.lpp", "c.bmp", "a.lpp", "d.lpp"}) AddPicture(n);
  project_.Setting.Duration = 1;
  CloseByMouseAt(4500);  // a, b, c, a, d, then the window closes
  RunForm();
  const std::string play = "sound play " + dir_.File("surf.wav");
  const std::vector<std::string> expected = {play, "sound stop", play, "sound stop", "sound stop"};
  EXPECT_EQ(p_->audio_log(), expected);
}

TEST_F(ShowTest, SoundOffPlaysNoPictureSound) {
  WriteFileBytes(dir_.File("surf.wav"), "RIFF");
  testing::WritePackedPicture(dir_.File("a.lpp"), 64, 48, "surf.wav");
  AddPicture("a.lpp");
  project_.Setting.Sound = false;
  CloseByMouseAt(300);
  RunForm();
  EXPECT_EQ(AudioCount("sound play"), 0);
}

TEST_F(ShowTest, MusicPlaysTheListInOrderAndPassesOverBrokenTracks) {
  testing::WritePlainPicture(dir_.File("a.bmp"), 8, 8, kRed);
  AddPicture("a.bmp");
  WriteFileBytes(dir_.File("a.wav"), "RIFF");
  WriteFileBytes(dir_.File("c.wav"), "RIFF");
  project_.Setting.Music = true;
  project_.Setting.MusicFile = "a.wav;missing.wav;;c.wav";
  project_.Setting.MusicMode = 1;
  p_->SetMusicLength(1000);
  CloseByMouseAt(3500);
  RunForm();
  std::vector<std::string> plays;
  for (const std::string& line : p_->audio_log()) {
    if (line.rfind("music play", 0) == 0 || line.rfind("music open", 0) == 0) {
      plays.push_back(line.substr(0, 10) + " " + ExtractFileName(line.substr(11)));
    }
  }
  const std::vector<std::string> expected = {"music open a.wav",
                                             "music play a.wav",
                                             "music open missing.wav failed",
                                             "music open c.wav",
                                             "music play c.wav",
                                             "music open a.wav",
                                             "music play a.wav",
                                             "music open missing.wav failed",
                                             "music open c.wav",
                                             "music play c.wav"};
  EXPECT_EQ(plays, expected);
}

TEST_F(ShowTest, KeysThatProduceNoCharacterDoNotClose) {
  testing::WritePackedPicture(dir_.File("a.lpp"), 64, 48);
  AddPicture("a.lpp");
  const int silent[] = {keys::kShift,  keys::kControl, keys::kAlt, keys::kLeft,
                        keys::kF1 + 4, keys::kF1,      keys::kF1};
  uint32_t t = 100;
  for (int key : silent) KeyAt(t += 50, key);
  KeyAt(2000, 'A', U'a');
  RunForm();
  EXPECT_GE(Elapsed(), 2000u);
  EXPECT_LT(Elapsed(), 2100u);
}

TEST_F(ShowTest, EnterEscapeAndClicksClose) {
  testing::WritePlainPicture(dir_.File("a.bmp"), 8, 8, kRed);
  AddPicture("a.bmp");
  const std::function<void(ShowTest&)> inputs[] = {
      [](ShowTest& t) { t.KeyAt(700, keys::kReturn, U'\r'); },
      [](ShowTest& t) { t.KeyAt(700, keys::kEscape, 0x1B); },
      [](ShowTest& t) { t.ClickAt(700); },
  };
  for (const auto& input : inputs) {
    start_ = p_->Ticks();
    input(*this);
    RunForm();
    EXPECT_GE(Elapsed(), 700u);
    EXPECT_LT(Elapsed(), 800u);
  }
}

// An author's window (lpctool show): pointer, clicks and keys leave it open, Escape ends it. A
// change its owner reports is shown in the same window; a reload that fails keeps the picture.
TEST_F(ShowTest, WindowedShowReloadsInPlaceAndOnlyEscapeEnds) {
  testing::WritePlainPicture(dir_.File("a.bmp"), 8, 8, kRed);
  AddPicture("a.bmp");
  WindowedShow windowed;
  windowed.ClientSizeFor = [](Size) { return Size{80, 60}; };
  int polls = 0;
  windowed.Reload = [&](ScreensaverProject&, ShowEnvironment&) {
    if (++polls == 2) testing::WritePlainPicture(dir_.File("a.bmp"), 8, 8, kGreen);
    if (polls == 4) throw Error("a.bmp: broken");
    return polls == 2;
  };
  std::vector<std::string> failures;
  windowed.Failed = [&](const std::exception& e) { return failures.emplace_back(e.what()), true; };
  env_.Windowed = &windowed;
  CloseByMouseAt(100);
  ClickAt(200);
  KeyAt(300, 'A', U'a');
  std::vector<Color> seen;
  for (uint32_t t : {400, 700, 1200}) At(t, [&] { seen.push_back(Screen().At(40, 30)); });
  KeyAt(1500, keys::kEscape, 0x1B);
  RunForm();
  EXPECT_GE(Elapsed(), 1500u);
  EXPECT_LT(Elapsed(), 1600u);
  EXPECT_EQ(seen, (std::vector<Color>{kRed, kGreen, kGreen}));
  EXPECT_EQ(failures, std::vector<std::string>{"a.bmp: broken"});
}

TEST_F(ShowTest, WindowsNinetyFiveAsksForThePasswordBeforeClosing) {
  testing::WritePlainPicture(dir_.File("a.bmp"), 8, 8, kRed);
  AddPicture("a.bmp");
  p_->SetOsFamily(platform::OsFamily::kWindows9x);
  p_->registry().WriteInteger("Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
  p_->SetPasswordAnswer(platform::PasswordCheck::kRefused);
  ClickAt(500);
  At(900, [&] { p_->SetPasswordAnswer(platform::PasswordCheck::kAccepted); });
  // After a refused close the next five moves are ignored.
  for (int i = 0; i < 5; ++i) MoveAt(600 + i, 10 * i, 700);
  ClickAt(1000);
  RunForm();
  EXPECT_GE(Elapsed(), 1000u);
  const std::vector<std::string> expected = {"screensaver running 1", "password verify",
                                             "password verify", "screensaver running 0"};
  EXPECT_EQ(p_->system_log(), expected);
  EXPECT_TRUE(p_->cursor_visible());
}

TEST_F(ShowTest, NoPasswordWhenTheSettingIsOffOrOnOtherSystems) {
  testing::WritePlainPicture(dir_.File("a.bmp"), 8, 8, kRed);
  AddPicture("a.bmp");
  p_->SetPasswordAnswer(platform::PasswordCheck::kRefused);
  struct Case {
    platform::OsFamily os;
    int use_password;
  } cases[] = {{platform::OsFamily::kWindowsNT, 1},
               {platform::OsFamily::kOther, 1},
               {platform::OsFamily::kWindows9x, 0}};
  for (const Case& c : cases) {
    p_->SetOsFamily(c.os);
    p_->registry().WriteInteger("Control Panel\\Desktop", "ScreenSaveUsePassword", c.use_password);
    start_ = p_->Ticks();
    ClickAt(300);
    RunForm(5000);
    EXPECT_LT(Elapsed(), 400u);
  }
  EXPECT_EQ(std::count(p_->system_log().begin(), p_->system_log().end(), "password verify"), 0);
}

// Broken pictures and pictures the package does not carry never stop the show; a missing one
// is passed over at once (never an interval of black) and named once in the error report, a
// broken one named once and left out of the rest of the show. What the package's own list
// carries is never reported missing, even when its file is gone (a stop removed it).
TEST_F(ShowTest, BrokenAndMissingPicturesNeverStopTheShow) {
  WriteFileBytes(dir_.File("broken.bmp"), "BM not a bitmap");
  WriteFileBytes(dir_.File("broken.lpp"), "LP060697 and then nothing");
  testing::WritePlainPicture(dir_.File("good.bmp"), 8, 8, kGreen);
  testing::WritePlainPicture(dir_.File("red.bmp"), 8, 8, kRed);
  const auto line = [](const char* name) {
    return std::string("Picture \"") + name +
           "\" is in the show's list but not in the package; the show passes over it.\n";
  };
  const std::string broken_bmp =
      "Picture \"broken.bmp\" cannot be read (truncated bitmap file header); the show leaves it "
      "out.\n";
  const std::string broken_lpp =
      "Picture \"broken.lpp\" cannot be read (Read beyond end of file (title needs 1684955424 "
      "bytes, 13 left)); the show leaves it out.\n";
  const std::string music_line =
      "Music \"absent.wav\" is in the play list but not in the package; the music passes over "
      "it.\n";
  struct Case {
    std::vector<const char*> pictures;
    int duration;
    uint32_t at;  // when the screen's centre shows colour
    Color colour;
    std::string report;
    std::vector<std::string> in_package = {};  // the package's list; empty: what is on disk
    std::string music = "";
  } cases[] = {
      {{"broken.bmp", "missing.lpp", "broken.lpp", "good.bmp"},
       1,
       3500,
       kGreen,
       broken_bmp + line("missing.lpp") + broken_lpp},
      // The first picture: the next one shows from the start.
      {{"missing.bmp", "good.bmp"}, 10, 300, kGreen, line("missing.bmp")},
      // At a change: the one after it follows within frames, and keeps its whole interval.
      {{"red.bmp", "missing.jpg", "good.bmp"}, 2, 2150, kGreen, line("missing.jpg")},
      {{"red.bmp", "missing.jpg", "good.bmp"}, 2, 3900, kGreen, line("missing.jpg")},
      // None there: black, each named once however often the show comes round to it.
      {{"gone.bmp", "gone.lpp"}, 1, 5000, 0, line("gone.bmp") + line("gone.lpp")},
      // Left out after the first try: the show goes on with the other one alone.
      {{"red.bmp", "broken.bmp"}, 1, 4500, kRed, broken_bmp},
      // Gone from disk but in the package: passed over without a word, music too.
      {{"taken.bmp", "good.bmp"}, 10, 300, kGreen, "", {"taken.bmp", "taken.wav"}, "taken.wav"},
      {{"good.bmp"}, 10, 300, kGreen, music_line, {"good.bmp"}, "absent.wav"},
  };
  for (const Case& c : cases) {
    project_.FileList.Names.clear();
    project_.FileList.Flags.clear();
    for (const char* name : c.pictures) AddPicture(name);
    project_.Setting.Duration = c.duration;
    project_.Setting.Music = !c.music.empty();
    project_.Setting.MusicFile = c.music;
    env_.InPackage = nullptr;
    if (!c.in_package.empty()) {
      env_.InPackage = [&](const std::string& path) {
        return std::count(c.in_package.begin(), c.in_package.end(), ExtractFileName(path)) > 0;
      };
    }
    std::filesystem::remove(dir_.File("Sea.error.txt"));
    start_ = p_->Ticks();
    At(c.at, [&] {
      EXPECT_EQ(Screen().At(512, 384), c.colour) << c.pictures[0] << " " << c.at;
      EXPECT_EQ(form_->CurrentImage().find("broken"), std::string::npos) << "left out";
    });
    CloseByMouseAt(c.at + 100);
    RunForm();
    EXPECT_EQ(FileExists(dir_.File("Sea.error.txt")) ? ReadFileBytes(dir_.File("Sea.error.txt"))
                                                     : std::string(),
              c.report)
        << c.pictures[0];
    SharedExitState() = ExitState();
  }
}

TEST_F(ShowTest, JpegExtensionIsAPackedPicture) {
  testing::WritePackedPicture(dir_.File("sea.jpeg"), 64, 48);
  AddPicture("sea.jpeg");
  At(300, [&] {
    EXPECT_FALSE(form_->IsPlainPicture());
    EXPECT_EQ(form_->LoadedImage(), dir_.File("sea.jpeg"));
  });
  CloseByMouseAt(400);
  RunForm();
}

TEST_F(ShowTest, PreviewSingleImageShowsOnePictureWithSoundAndNoMusic) {
  WriteFileBytes(dir_.File("a.wav"), "RIFF");
  WriteFileBytes(dir_.File("surf.wav"), "RIFF");
  testing::WritePackedPicture(dir_.File("a.lpp"), 64, 48, "surf.wav");
  project_.Setting.Sound = false;
  project_.Setting.Music = true;
  project_.Setting.MusicFile = "a.wav";
  project_.Setting.Stretch = false;
  bool checked = false;
  At(300, [&] {
    EXPECT_NE(Screen().At(512 - 30, 384 - 22), 0u);  // the 64 x 48 picture, unscaled
    EXPECT_EQ(Screen().At(512 - 34, 384 - 22), 0u);
    checked = true;
  });
  CloseByMouseAt(400);
  PreviewSingleImage(project_, dir_.File("a.lpp"), env_);
  EXPECT_TRUE(checked);
  EXPECT_EQ(AudioCount("sound play " + dir_.File("surf.wav")), 1);
  EXPECT_EQ(AudioCount("music"), 0);
}

}  // namespace
}  // namespace lpc

namespace lpc {
namespace {

// A clock that moves on each time it is read, so a frame stops waiting for a picture that is
// still loading and the show goes on with the old one, as on a real screen.
class HurriedPlatform : public platform::HeadlessPlatform {
 public:
  uint32_t Ticks() override { return now_ += 3; }
  void Sleep(uint32_t ms) override { now_ += ms; }

 private:
  uint32_t now_ = 1000;
};

// Pictures decoded on the worker reach the screen in the order the frame thread drew them, and
// the draws are the ones a show that loads on the frame thread makes: for plain pictures (no
// random numbers of their own) exactly the sequence NextImageIndex gives the seeded generator.
TEST(ShowLoading, ChangesLoadedBesideTheFramesKeepTheRandomOrder) {
  testing::TempFolder dir("loading");
  struct Case {
    const char* name;
    int mode;
    int weather;  // 0: plain pictures; else packed pictures with this weather
  } cases[] = {{"random, plain", 0, 0},
               {"in order, plain", 1, 0},
               {"random, packed with snow", 0, 2},
               {"in order, packed with rain", 1, 1}};
  SetFixedSeed(true);
  for (const Case& c : cases) {
    HurriedPlatform p;
    p.SetScreenSize({320, 240});
    platform::SetCurrent(&p);
    ScreensaverProject project;
    for (int i = 0; i < 4; ++i) {
      const std::string file = dir.File("p" + std::to_string(i) + (c.weather ? ".lpp" : ".bmp"));
      if (c.weather) {
        testing::WritePackedPicture(file, 200, 150, {}, c.weather, MakeColor(i * 60, 90, 40));
      } else {
        testing::WritePlainPicture(file, 200, 150, MakeColor(i * 60, 90, 40));
      }
      project.FileList.Names.push_back(file);
      project.FileList.Flags.push_back(kFlagTrue);
    }
    project.Setting.Random = true;
    project.Setting.Duration = 0;
    project.Setting.Transition = false;
    project.Setting.Music = false;
    project.Setting.ShowImageMode = c.mode;
    RandSeed(11);
    std::vector<int> shown;
    {
      ShowWindow form(p, project, ShowEnvironment{});
      platform::Window& window = form.Open();
      form.FormShow(window);
      shown.push_back(form.ImageIndex());
      for (int frame = 0; frame < 120; ++frame) {
        form.IdleFrame();
        if (form.ChangePending()) continue;
        EXPECT_EQ(form.LoadedImage(), form.CurrentImage()) << c.name;
        if (form.ImageIndex() != shown.back()) shown.push_back(form.ImageIndex());
      }
      form.FormClose(window);
    }
    platform::SetCurrent(nullptr);
    EXPECT_GT(shown.size(), 5u) << c.name;
    if (c.weather == 0) {
      RandSeed(11);
      int index = NextImageIndex(c.mode, 4, -1);
      for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i], index) << c.name << ", change " << i;
        index = NextImageIndex(c.mode, 4, index);
      }
    }
  }
  SetFixedSeed(false);
}

}  // namespace
}  // namespace lpc

namespace lpc {
namespace {

// Every step of a fade shows the old screen blended with the new picture on black by the step's
// amount: inside both pictures, inside the old one only, on either side of the new one's edges
// and outside both.
TEST(ShowFade, EveryStepBlendsTheOldScreenWithTheNewPictureOnBlack) {
  testing::TempFolder dir("fade");
  struct Probe : platform::HeadlessPlatform {
    std::function<void()> on_sleep;
    void Sleep(uint32_t ms) override {
      HeadlessPlatform::Sleep(ms);
      if (on_sleep) on_sleep();
    }
  } p;
  p.SetScreenSize({320, 240});
  platform::SetCurrent(&p);
  ScreensaverProject project;
  const Color colours[] = {MakeColor(200, 40, 0), MakeColor(0, 90, 250)};
  const int sizes[][2] = {{200, 150}, {101, 51}};
  for (int i = 0; i < 2; ++i) {
    const std::string file = dir.File("p" + std::to_string(i) + ".bmp");
    testing::WritePlainPicture(file, sizes[i][0], sizes[i][1], colours[i]);
    project.FileList.Names.push_back(file);
    project.FileList.Flags.push_back(kFlagTrue);
  }
  project.Setting.Random = true;
  project.Setting.Duration = 0;
  project.Setting.Stretch = false;
  project.Setting.Transition = true;
  project.Setting.Music = false;
  project.Setting.ShowImageMode = 1;  // in order
  int checked = 0;
  {
    ShowWindow form(p, project, ShowEnvironment{});
    platform::Window& window = form.Open();
    form.FormShow(window);
    form.DrawFrame();
    const auto mix = [](Color a, Color b, int amount) {
      const auto ch = [&](int shift) {
        return (((a >> shift) & 0xFF) * amount + ((b >> shift) & 0xFF) * (256 - amount)) >> 8;
      };
      return static_cast<Color>(ch(16) << 16 | ch(8) << 8 | ch(0));
    };
    p.on_sleep = [&] {
      if (form.TransitionAmounts().empty()) return;
      const int amount = form.TransitionAmounts().back();
      const Bitmap& s = static_cast<HeadlessWindow&>(*form.window()).screen();
      const Point n = form.PicturePos();  // the new picture's corner
      const struct {
        int x, y;
        Color a, b;
      } px[] = {{160, 120, colours[1], colours[0]},
                {n.x, n.y, colours[1], colours[0]},
                {n.x - 1, n.y, 0, colours[0]},
                {n.x + 100, n.y + 50, colours[1], colours[0]},
                {n.x + 101, n.y + 50, 0, colours[0]},
                {n.x, n.y + 51, 0, colours[0]},
                {5, 5, 0, 0},
                {319, 239, 0, 0}};
      for (const auto& q : px) {
        ASSERT_EQ(s.At(q.x, q.y), mix(q.a, q.b, amount))
            << "amount " << amount << " at " << q.x << "," << q.y;
      }
      ++checked;
    };
    form.IdleFrame();
    p.on_sleep = nullptr;
    EXPECT_EQ(form.LoadedImage(), dir.File("p1.bmp"));
    form.FormClose(window);
  }
  platform::SetCurrent(nullptr);
  EXPECT_GT(checked, 10);
}

}  // namespace
}  // namespace lpc

namespace lpc {
namespace {

// Input that comes while a fade runs ends the show after the step under way: the fade goes no
// further and touches nothing of the pictures the close let go. A tremor of the pointer is not
// input that ends it, and the fade then runs all its steps.
TEST(ShowFade, InputBetweenStepsEndsTheShowThere) {
  testing::TempFolder dir("fade-input");
  struct Probe : platform::HeadlessPlatform {
    std::function<void()> on_sleep;
    void Sleep(uint32_t ms) override {
      HeadlessPlatform::Sleep(ms);
      if (on_sleep) on_sleep();
    }
  } p;
  p.SetScreenSize({320, 240});
  platform::SetCurrent(&p);
  ScreensaverProject project;
  for (int i = 0; i < 2; ++i) {
    const std::string file = dir.File("p" + std::to_string(i) + ".bmp");
    testing::WritePlainPicture(file, 200, 150, MakeColor(200, 40 * i, 0));
    project.FileList.Names.push_back(file);
    project.FileList.Flags.push_back(kFlagTrue);
  }
  project.Setting.Random = true;
  project.Setting.Duration = 0;
  project.Setting.Transition = true;
  project.Setting.Music = false;
  project.Setting.ShowImageMode = 1;
  struct Case {
    const char* name;
    EventKind kind;
    std::vector<int> xs;  // one event at each
    bool ends;
    unsigned modifiers = 0;
  } cases[] = {
      {"a key that types", EventKind::kKeyChar, {0}, true},
      {"Alt+A typed as text", EventKind::kKeyChar, {0}, false, platform::kModAlt},
      {"a click", EventKind::kMouseDown, {5}, true},
      {"a jump of the pointer", EventKind::kMouseMove, {5, 5, 5, 5, 5, 5, 60}, true},
      {"a tremor of the pointer", EventKind::kMouseMove, {5, 6}, false},
  };
  for (const Case& c : cases) {
    SharedExitState() = ExitState();
    ShowWindow form(p, project, ShowEnvironment{});
    platform::Window& window = form.Open();
    form.FormShow(window);
    form.DrawFrame();
    int sleeps = 0;
    p.on_sleep = [&] {
      if (++sleeps != 10) return;
      for (int x : c.xs) {
        platform::Delivery d;
        d.window = static_cast<platform::BasicWindow*>(&window);
        d.event.kind = c.kind;
        d.event.x = x;
        d.event.ch = U'a';
        d.event.modifiers = c.modifiers;
        p.loop().Post(d);
      }
    };
    form.IdleFrame();
    p.on_sleep = nullptr;
    EXPECT_EQ(window.IsClosed(), c.ends) << c.name;
    // The step after the one the input came in is the last.
    const size_t expected = c.ends ? 12u : static_cast<size_t>(form.TransitionSteps()) + 1;
    EXPECT_EQ(form.TransitionAmounts().size(), expected) << c.name;
    if (!window.IsClosed()) form.FormClose(window);
  }
  platform::SetCurrent(nullptr);
}

}  // namespace
}  // namespace lpc
