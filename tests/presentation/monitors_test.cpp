// Shows on several displays, headless: the show on the primary display, a black cover on every
// other one, input from any of them ending the show, and monitors that come and go.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "presentation/show_window.h"
#include "presentation/show_fixture.h"

namespace lpc {
namespace {

using platform::DisplayInfo;
using platform::HeadlessWindow;
namespace keys = platform::keys;

constexpr Color kRed = MakeColor(255, 0, 0);

const std::vector<DisplayInfo> kOne = {{MakeRect(0, 0, 1024, 768), true}};
const std::vector<DisplayInfo> kTwo = {{MakeRect(0, 0, 1024, 768), true},
                                       {MakeRect(1024, 0, 1280, 1024), false}};
// Listed out of order, one left of the primary and one above it, and a mirror of the primary.
const std::vector<DisplayInfo> kThree = {{MakeRect(-1280, -200, 1280, 1024), false},
                                         {MakeRect(0, 0, 800, 600), true},
                                         {MakeRect(100, -480, 640, 480), false},
                                         {MakeRect(0, 0, 800, 600), false}};

class MonitorsTest : public ::testing::Test {
 public:
  void SetUp() override {
    SharedExitState() = ExitState();
    env_.WorkFolder = dir_.Path();
    env_.SettingsFile = dir_.File("none.ini");
    testing::WritePlainPicture(dir_.File("a.bmp"), 8, 8, kRed);
    project_.FileList.Names = {dir_.File("a.bmp")};
    project_.FileList.Flags = {kFlagTrue};
    project_.Setting.Music = false;
    project_.Setting.Stretch = true;
    project_.Setting.Proportional = true;
    p_->SetTicks(start_);
  }

  // Runs the show until it closes; the covers stay for inspection until the form goes.
  void Run() {
    form_ = std::make_unique<ShowWindow>(*p_, project_, env_);
    p_->SetTickBudget(20000);
    p_->RunModal(form_->Open());
  }
  void At(uint32_t t, std::function<void()> action) {
    p_->Schedule(start_ + t, std::move(action));
  }
  // Window 0 is the show, 1.. the covers in display order.
  platform::Window& WindowNo(int i) {
    return i == 0 ? *form_->window() : *form_->Covers().Covers()[static_cast<size_t>(i - 1)].Window;
  }
  uint32_t Elapsed() { return p_->Ticks() - start_; }

  uint32_t start_ = 1000;
  testing::CurrentHeadless p_;
  testing::TempFolder dir_{"monitors"};
  ScreensaverProject project_;
  ShowEnvironment env_;
  std::unique_ptr<ShowWindow> form_;
};

TEST_F(MonitorsTest, TheShowFillsThePrimaryDisplayAndEveryOtherOneIsCoveredInBlack) {
  struct Case {
    const char* name;
    std::vector<DisplayInfo> displays;
    Size show;
    std::vector<Rect> covers;
    Point red;  // a pixel of the picture, fitted to the primary display
  } cases[] = {
      {"one", kOne, {1024, 768}, {}, {512, 384}},
      {"two", kTwo, {1024, 768}, {MakeRect(1024, 0, 1280, 1024)}, {512, 384}},
      {"three", kThree, {800, 600},
       {MakeRect(-1280, -200, 1280, 1024), MakeRect(100, -480, 640, 480)}, {400, 300}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    p_->SetDisplays(c.displays);
    start_ = p_->Ticks();
    bool checked = false;
    At(300, [&] {
      const auto& screen = static_cast<HeadlessWindow&>(WindowNo(0)).screen();
      EXPECT_EQ(screen.width(), c.show.width);
      EXPECT_EQ(screen.height(), c.show.height);
      EXPECT_EQ(screen.At(c.red.x, c.red.y), kRed);
      EXPECT_EQ(screen.At(0, 0), 0u) << "the square picture leaves black bars";
      const auto& covers = form_->Covers().Covers();
      ASSERT_EQ(covers.size(), c.covers.size());
      for (size_t i = 0; i < covers.size(); ++i) {
        auto& w = static_cast<HeadlessWindow&>(*covers[i].Window);
        const Rect& r = c.covers[i];
        EXPECT_EQ(w.options().kind, platform::WindowKind::kCover);
        EXPECT_EQ(Rect(MakeRect(w.options().left, w.options().top, w.screen().width(),
                                w.screen().height())),
                  r);
        EXPECT_TRUE(w.IsVisible());
        EXPECT_EQ(w.Caption(), kScreensaverCaption);
        Bitmap black(r.Width(), r.Height(), 0);
        EXPECT_EQ(w.screen(), black);
      }
      EXPECT_FALSE(p_->cursor_visible());
      checked = true;
    });
    At(500, [&] { p_->QueueClick(p_->Ticks(), WindowNo(0), 5, 5); });
    Run();
    EXPECT_TRUE(checked);
    // Closing the show closed every cover with it.
    for (const MonitorCover& cover : form_->Covers().Covers()) {
      EXPECT_TRUE(cover.Window->IsClosed());
      EXPECT_FALSE(cover.Window->IsVisible());
    }
    form_.reset();
  }
}

// Input fed from the show (window 0) and the covers of kThree: 1 is left of the primary
// display, at desktop x -1280..-1; 2 is above it, at desktop y -480..-1.
TEST_F(MonitorsTest, InputOnAnyWindowFollowsTheExitRules) {
  struct Input {
    int window;
    char what;  // 'm' move to x, y; 'k' key (with ch); 'c' click; 'x' close box
    int x = 0;
    int y = 0;
    int key = 0;
    char32_t ch = 0;
  };
  auto moves = [](int window, int n, int x, int y) {
    return std::vector<Input>(static_cast<size_t>(n), Input{window, 'm', x, y});
  };
  auto then = [](std::vector<Input> a, const std::vector<Input>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  struct Case {
    const char* name;
    std::vector<Input> inputs;
    bool closes;  // at the last input; otherwise the show runs on
  } cases[] = {
      {"five moves on a cover are ignored, the jump after the origin closes",
       then(moves(1, 6, 600, 500), {{1, 'm', 603, 500}}), true},
      {"the first five moves on a cover close nothing",
       {{2, 'm', 0, 0}, {2, 'm', 100, 0}, {2, 'm', 200, 0}, {2, 'm', 300, 0}, {2, 'm', 400, 0}},
       false},
      {"one pixel across the edge between the left cover and the show",
       then(moves(0, 6, 0, 300), {{1, 'm', 1279, 500}, {0, 'm', 1, 300}, {1, 'm', 1279, 501}}),
       false},
      {"one pixel across the edge between the show and the cover above",
       then(moves(0, 6, 300, 0), {{2, 'm', 200, 479}, {0, 'm', 299, 0}}), false},
      {"a move from the show to the far side of a cover closes",
       then(moves(0, 6, 0, 300), {{1, 'm', 1276, 500}}), true},
      {"a letter on a cover closes", {{2, 'k', 0, 0, 'A', U'a'}}, true},
      {"Escape on a cover closes", {{1, 'k', 0, 0, keys::kEscape, 0x1B}}, true},
      {"keys that type nothing on a cover close nothing",
       {{1, 'k', 0, 0, keys::kShift}, {2, 'k', 0, 0, keys::kF1}, {1, 'k', 0, 0, keys::kLeft}},
       false},
      {"a click on a cover closes", {{2, 'c', 5, 5}}, true},
      {"the close box of a cover closes the show", {{1, 'x'}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    p_->SetDisplays(kThree);
    SharedExitState() = ExitState();
    start_ = p_->Ticks();
    uint32_t t = 300;
    for (const Input& in : c.inputs) {
      At(t += 10, [this, in] {
        platform::Window& w = WindowNo(in.window);
        const uint32_t now = p_->Ticks();
        switch (in.what) {
          case 'm': p_->QueueMouseMove(now, w, in.x, in.y); break;
          case 'k': p_->QueueKey(now, w, in.key, in.ch); break;
          case 'c': p_->QueueClick(now, w, in.x, in.y); break;
          case 'x': p_->QueueCloseRequest(now, w); break;
        }
      });
    }
    const uint32_t last = t;
    if (!c.closes) At(5000, [this] { p_->QueueClick(p_->Ticks(), WindowNo(0), 5, 5); });
    Run();
    if (c.closes) {
      EXPECT_GE(Elapsed(), last);
      EXPECT_LT(Elapsed(), last + 100);
    } else {
      EXPECT_GE(Elapsed(), 5000u);
    }
    for (const MonitorCover& cover : form_->Covers().Covers())
      EXPECT_TRUE(cover.Window->IsClosed());
    form_.reset();
  }
}

TEST_F(MonitorsTest, CoversFollowMonitorsThatComeAndGoAndAChangedPrimaryEndsTheShow) {
  p_->SetDisplays(kTwo);
  std::vector<size_t> counts;
  auto count_at = [&](uint32_t t) {
    At(t, [&] { counts.push_back(form_->Covers().Covers().size()); });
  };
  count_at(500);
  At(1000, [&] {
    for (int i = 0; i < 6; ++i) p_->QueueMouseMove(p_->Ticks(), WindowNo(0), 500, 500);
  });
  At(1500, [&] {
    p_->SetDisplays({kTwo[0], kTwo[1], {MakeRect(-640, 0, 640, 480), false}});
  });
  count_at(2600);
  At(3000, [&] {
    // After the change the pointer is seen afresh, far from where it was last: small moves on
    // the new cover keep the show.
    for (int i = 0; i < 8; ++i) p_->QueueMouseMove(p_->Ticks(), WindowNo(2), 300 + i % 2, 200);
  });
  At(3500, [&] { p_->SetDisplays(kOne); });
  count_at(4600);
  At(5000, [&] { p_->SetDisplays({{MakeRect(0, 0, 1280, 1024), true}}); });
  Run();
  EXPECT_EQ(counts, (std::vector<size_t>{1, 2, 0}));
  EXPECT_GE(Elapsed(), 5000u);
  EXPECT_LE(Elapsed(), 6100u);
  EXPECT_TRUE(p_->cursor_visible());
}

TEST_F(MonitorsTest, APrimaryChangeThatThePasswordKeepsRunningAsksOnceAndIsCovered) {
  p_->SetDisplays(kTwo);
  p_->SetOsFamily(platform::OsFamily::kWindows9x);
  p_->registry().WriteInteger("Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
  p_->SetPasswordAnswer(platform::PasswordCheck::kRefused);
  At(500, [&] {
    p_->SetDisplays({{MakeRect(0, 0, 1280, 1024), true}, {MakeRect(1280, 0, 1024, 768), false}});
  });
  At(4500, [&] {
    EXPECT_EQ(std::count(p_->system_log().begin(), p_->system_log().end(), "password verify"), 1);
    const auto& covers = form_->Covers().Covers();
    ASSERT_EQ(covers.size(), 1u);
    EXPECT_EQ(covers[0].Bounds, MakeRect(1280, 0, 1024, 768));
    p_->SetPasswordAnswer(platform::PasswordCheck::kAccepted);
    p_->QueueClick(p_->Ticks(), WindowNo(1), 5, 5);
  });
  Run();
  EXPECT_GE(Elapsed(), 4500u);
  EXPECT_LT(Elapsed(), 4600u);
  EXPECT_EQ(std::count(p_->system_log().begin(), p_->system_log().end(), "password verify"), 2);
}

TEST(MonitorsHost, AHostThatCannotTellItsDisplaysStillRunsTheShow) {
  struct Blind : platform::HeadlessPlatform {
    std::vector<DisplayInfo> Displays() override { throw Error("no display list"); }
  } p;
  platform::SetCurrent(&p);
  SharedExitState() = ExitState();
  testing::TempFolder dir("blind");
  testing::WritePlainPicture(dir.File("a.bmp"), 8, 8, kRed);
  ScreensaverProject project;
  project.FileList.Names = {dir.File("a.bmp")};
  project.FileList.Flags = {kFlagTrue};
  ShowWindow form(p, project, ShowEnvironment{dir.File("none.ini"), dir.Path(), "", ""});
  size_t covers = 99;
  p.Schedule(3000, [&] {
    covers = form.Covers().Covers().size();
    p.QueueClick(p.Ticks(), *p.loop().TopModal(), 5, 5);
  });
  p.SetTickBudget(10000);
  form.ShowModal();
  EXPECT_EQ(covers, 0u);
  EXPECT_GE(p.Ticks(), 3000u);
  platform::SetCurrent(nullptr);
}

}  // namespace
}  // namespace lpc
