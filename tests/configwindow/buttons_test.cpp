#include <gtest/gtest.h>

#include <vector>

#include "configwindow/picture_button.h"
#include "configwindow/state_buttons.h"
#include "widgets/draw.h"
#include "widgets/picture_data.h"
#include "widgets/stock_classes.h"
#include "widgets/widget_fixture.h"

namespace lpc {
namespace {

using widgets::FromRGB;

// 80 x 24 in `background` with a black bar at x 10..69, y 4..19.
Bitmap BarBitmap(Color background, Color bar = 0x000000) {
  Bitmap b(80, 24, background);
  for (int y = 4; y < 20; ++y) {
    for (int x = 10; x < 70; ++x) b.At(x, y) = bar;
  }
  return b;
}

class JetTest : public testing::WidgetTest {
 protected:
  StateButton& MakeJet(Color background = 0xFFFFFF) {
    auto& j = form_->Create<StateButton>();
    j.SetBounds(10, 10, 200, 200);
    j.SetBitmapUp({BarBitmap(background), std::nullopt});
    j.OnClick = [this](widgets::Component&) { log_.push_back("click"); };
    j.OnMouseEnter = [this](widgets::Component&) { log_.push_back("enter"); };
    j.OnMouseLeave = [this](widgets::Component&) { log_.push_back("leave"); };
    return j;
  }
  std::vector<std::string> log_;
};

TEST_F(JetTest, UpBitmapGivesSizeAndClickableShape) {
  const struct {
    Color background;
    widgets::ColorValue transparent;
  } backgrounds[] = {{0xFFFFFF, widgets::clWhite}, {0x00FF00, FromRGB(0x00FF00)}};
  for (const auto& b : backgrounds) {
    auto& j = MakeJet(b.background);
    EXPECT_EQ(j.Width(), 80);
    EXPECT_EQ(j.Height(), 24);
    j.SetBounds(0, 0, 300, 300);  // the bitmap keeps deciding the size
    EXPECT_EQ(j.Width(), 80);
    EXPECT_EQ(j.TransparentColor, b.transparent);
    const Point points[] = {{0, 0}, {9, 10}, {10, 4}, {69, 19}, {70, 19}, {40, 23}, {-1, 5}, {80, 10}};
    for (const Point& p : points) {
      const bool expected = p.x >= 10 && p.x < 70 && p.y >= 4 && p.y < 20;
      EXPECT_EQ(j.Hit(p.x, p.y), expected) << p.x << "," << p.y;
    }
  }
}

TEST_F(JetTest, ClicksOnlyOnTheShapeAndNotAfterDraggingOff) {
  auto& j = MakeJet();
  Click(12, 12);  // white corner
  EXPECT_TRUE(log_.empty());
  Click(50, 20);
  EXPECT_EQ(log_, std::vector<std::string>{"click"});
  log_.clear();
  Move(50, 20);
  Down(50, 20);
  EXPECT_EQ(j.State(), StateButton::kPressed);
  Move(150, 150);
  Up(150, 150);
  EXPECT_EQ(j.State(), StateButton::kNormal);
  // The click before left the button "over" its shape, so leaving it is reported; no click.
  EXPECT_EQ(log_, std::vector<std::string>{"leave"});
}

TEST_F(JetTest, HoverIsTrackedOnlyWithAnOverBitmap) {
  auto& j = MakeJet();
  Move(50, 20);
  Move(12, 12);
  EXPECT_TRUE(log_.empty());
  EXPECT_FALSE(j.Over());
  j.SetBitmapOver({BarBitmap(0xFFFFFF, 0x808080), std::nullopt});
  Move(50, 20);
  EXPECT_TRUE(j.Over());
  Move(12, 12);  // onto a transparent pixel of the button
  Move(50, 20);
  Move(250, 150);  // off the button
  EXPECT_EQ(log_, (std::vector<std::string>{"enter", "leave", "enter", "leave"}));
  // Painted: the over bitmap's grey while hovered.
  Move(50, 20);
  EXPECT_EQ(form_->Render().At(50, 20), 0x808080u);
}

TEST_F(JetTest, LeaveTimerNoticesThePointerIsNoLongerOverTheShape) {
  auto& j = MakeJet();
  j.SetBitmapOver({BarBitmap(0xFFFFFF, 0x808080), std::nullopt});
  platform_->Schedule(0, [&] { Move(50, 20); });
  // The button moves away under a resting pointer: no event tells it so.
  platform_->Schedule(150, [&] { j.SetLeft(100); });
  bool over_at_190 = false;
  platform_->Schedule(190, [&] { over_at_190 = j.Over(); });
  bool over_at_210 = true;
  platform_->Schedule(210, [&] { over_at_210 = j.Over(); });
  platform_->Schedule(400, [&] { form_->Close(); });
  platform_->SetTickBudget(2000);
  form_->ShowModal();
  EXPECT_TRUE(over_at_190);   // the tick at 100 found it over; nothing has looked since
  EXPECT_FALSE(over_at_210);  // the tick at 200 saw it gone
  EXPECT_EQ(log_, (std::vector<std::string>{"enter", "leave"}));
}

TEST_F(JetTest, PicSeriesValuesAndErrors) {
  auto& j = MakeJet();
  const struct {
    const char* value;
    const char* stored;
    const char* error;
  } cases[] = {
      {" up; over ", "up; over", nullptr},
      {"Up;Down;Disabled;Over", "Up;Down;Disabled;Over", nullptr},
      {"Up;Hover", "Up;Down;Disabled;Over",
       "\"HOVER\" is not a valid PicSeries value. Available values: Up;Down;Disabled;Over"},
      {"Up;;Down", "Up;Down;Disabled;Over",
       "\"\" is not a valid PicSeries value. Available values: Up;Down;Disabled;Over"},
      {"   ", "", nullptr},
  };
  for (const auto& c : cases) {
    if (c.error) {
      try {
        j.SetPicSeries(c.value);
        ADD_FAILURE() << c.value;
      } catch (const PicSeriesError& e) {
        EXPECT_STREQ(e.what(), c.error);
      }
    } else {
      j.SetPicSeries(c.value);
    }
    EXPECT_EQ(j.PicSeries(), c.stored) << c.value;
  }
}

TEST_F(JetTest, DisabledStateAndBitmapsFromTheDescription) {
  widgets::ClassRegistry registry;
  widgets::RegisterStockClasses(registry);
  RegisterStateButton(registry);
  auto made = registry.Create("TJetButton");
  auto& j = static_cast<StateButton&>(form_->Adopt(std::move(made)));
  const widgets::ClassInfo* info = registry.Find("TJetButton");
  info->FindProperty("BitmapUp.Data")
      ->set(j, PropertyValue{BinaryValue{widgets::EncodeBitmapData(BarBitmap(0xFFFFFF))}});
  info->FindProperty("BitmapDisabled.Data")
      ->set(j, PropertyValue{BinaryValue{widgets::EncodeBitmapData(BarBitmap(0xFFFFFF, 0xA0A0A0))}});
  j.Loaded();
  EXPECT_EQ(j.Width(), 80);
  j.SetEnabled(false);
  EXPECT_EQ(j.State(), StateButton::kDisabled);
  EXPECT_EQ(form_->Render().At(40, 10), 0xA0A0A0u);
  j.SetEnabled(true);
  EXPECT_EQ(j.State(), StateButton::kNormal);
  EXPECT_EQ(form_->Render().At(40, 10), 0x000000u);
  EXPECT_EQ(form_->Render().At(2, 2), widgets::ToRGB(form_->Color()));  // transparent
}

class PictureButtonTest : public testing::WidgetTest {
 protected:
  PictureButton& MakeButton() {
    auto& b = form_->Create<PictureButton>();
    b.SetBounds(10, 10, 60, 30);
    b.OnMousePressed = [this](widgets::Component&) { ticks_.push_back(platform_->Ticks()); };
    return b;
  }
  std::vector<uint32_t> ticks_;
};

TEST_F(PictureButtonTest, AutoRepeatFiresAtPressThen500ThenEvery50AndPausesOutside) {
  const struct {
    std::vector<std::pair<uint32_t, Point>> moves;  // pointer moves while held
    uint32_t release;
    std::vector<uint32_t> fired;
  } cases[] = {
      {{}, 1120, {100, 600, 650, 700, 750, 800, 850, 900, 950, 1000, 1050, 1100}},
      {{{720, Point{200, 150}}, {1000, Point{20, 20}}}, 1220,
       {100, 600, 650, 700, 1050, 1100, 1150, 1200}},
  };
  for (const auto& c : cases) {
    auto& b = MakeButton();
    ticks_.clear();
    const uint32_t start = platform_->Ticks();
    platform_->Schedule(start + 100, [&] {
      Move(20, 20);
      Down(20, 20);
    });
    for (const auto& [at, p] : c.moves) {
      platform_->Schedule(start + at, [&, p] { Move(p.x, p.y); });
    }
    platform_->Schedule(start + c.release, [&] { Up(20, 20); });
    platform_->Schedule(start + c.release + 200, [&] { form_->Close(); });
    platform_->SetTickBudget(5000);
    form_->ShowModal();
    std::vector<uint32_t> fired;
    for (uint32_t t : ticks_) fired.push_back(t - start);
    EXPECT_EQ(fired, c.fired);
    EXPECT_FALSE(b.Pressed());
    b.SetVisible(false);
  }
}

TEST_F(PictureButtonTest, AllowDownLatchesEveryOtherClick) {
  auto& b = MakeButton();
  b.SetDown(true);
  EXPECT_FALSE(b.Down());
  b.SetAllowDown(true);
  Click(20, 20);
  EXPECT_TRUE(b.Down());
  Click(20, 20);
  EXPECT_FALSE(b.Down());
  b.SetDown(true);
  b.SetAllowDown(false);
  EXPECT_FALSE(b.Down());
}

TEST_F(PictureButtonTest, WithoutPicturesAStandardButtonThatSinksWhenPressed) {
  auto& b = MakeButton();
  auto expected = [](bool pressed) {
    Bitmap ref(60, 30, widgets::ToRGB(widgets::clBtnFace));
    Canvas c(ref);
    if (pressed) {
      widgets::DrawEdge(c, Rect{0, 0, 60, 30}, widgets::EdgeKind::kSunken);
    } else {
      widgets::DrawButtonFace(c, Rect{0, 0, 60, 30}, false, false);
    }
    return ref;
  };
  auto shown = [&] {
    const Bitmap& shot = form_->Render();
    Bitmap part(60, 30);
    Canvas(part).CopyRect(Rect{0, 0, 60, 30}, shot, Rect{10, 10, 70, 40});
    return part;
  };
  EXPECT_EQ(shown(), expected(false));
  Move(20, 20);
  Down(20, 20);
  EXPECT_EQ(shown(), expected(true));
  Up(20, 20);
  EXPECT_EQ(b.Width(), 60);
}

TEST_F(PictureButtonTest, AutoSizeTakesTheUpPictureAtTheNextPaint) {
  auto& b = MakeButton();
  b.SetButtonUp(Bitmap(64, 32, 0x00FF00));
  EXPECT_EQ(b.Width(), 60);
  form_->Render();
  EXPECT_EQ(b.Width(), 64);
  EXPECT_EQ(b.Height(), 32);
}

}  // namespace
}  // namespace lpc
