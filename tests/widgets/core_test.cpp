#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/colors.h"
#include "widgets/properties.h"
#include "widgets/standard_controls.h"
#include "widgets/stock_classes.h"
#include "widgets/widget_fixture.h"

namespace lpc::widgets {
namespace {

using lpc::testing::WidgetTest;

TEST(Colors, NamesIntegersAndSystemPalette) {
  const struct {
    PropertyValue value;
    Color rgb;
  } cases[] = {
      {{Identifier{"clRed"}}, 0xFF0000},
      {{Identifier{"CLBLUE"}}, 0x0000FF},
      {{Identifier{"clBtnFace"}}, 0xD4D0C8},
      {{Identifier{"clWindow"}}, 0xFFFFFF},
      {{Identifier{"clHighlight"}}, 0x0A246A},
      {{int64_t{0x00336699}}, 0x996633},  // $00BBGGRR
      {{int64_t{-16777201}}, 0xD4D0C8},   // clBtnFace written as an integer
  };
  for (const auto& c : cases) EXPECT_EQ(ToRGB(ValueToColor(c.value)), c.rgb);
  EXPECT_THROW(ValueToColor(PropertyValue{Identifier{"clNoSuch"}}), PropertyValueError);
  EXPECT_THROW(ValueToColor(PropertyValue{std::string("red")}), PropertyValueError);
}

TEST(Registry, PropertiesAreFoundThroughBaseClassesWithoutRegardToCase) {
  const ClassRegistry& r = ClassRegistry::Stock();
  const ClassInfo* button = r.Find("tbutton");
  ASSERT_NE(button, nullptr);
  for (const char* name : {"caption", "LEFT", "TabOrder", "Font.Style", "font.height", "Anchors"}) {
    EXPECT_NE(button->FindProperty(name), nullptr) << name;
  }
  EXPECT_EQ(button->FindProperty("NoSuchProperty"), nullptr);
  EXPECT_EQ(r.Find("TLabel")->FindProperty("TabOrder"), nullptr);  // not windowed
  EXPECT_THROW(r.Create("TNoSuchClass"), Error);
  EXPECT_EQ(r.Create("tlabel")->ClassName(), "TLabel");
}

TEST(Font, HeightAndSizeAtNinetySixDots) {
  FontSettings f;
  f.SetSize(8);
  EXPECT_EQ(f.Height, -11);
  f.SetSize(12);
  EXPECT_EQ(f.Height, -16);
  f.Height = -13;
  EXPECT_EQ(f.Size(), 10);
  EXPECT_EQ(f.Resolved().height, -13);
}

TEST_F(WidgetTest, AlignPlacesChildrenTopBottomLeftRightThenClient) {
  // Made in a mixed order: each kind takes its place in creation order.
  auto& client = form_->Create<Component>();
  client.SetAlign(Alignment::alClient);
  auto& top1 = form_->Create<Component>();
  top1.SetBounds(0, 0, 10, 20);
  top1.SetAlign(Alignment::alTop);
  auto& left = form_->Create<Component>();
  left.SetBounds(0, 0, 30, 10);
  left.SetAlign(Alignment::alLeft);
  auto& bottom = form_->Create<Component>();
  bottom.SetBounds(0, 0, 10, 15);
  bottom.SetAlign(Alignment::alBottom);
  auto& top2 = form_->Create<Component>();
  top2.SetBounds(0, 0, 10, 5);
  top2.SetAlign(Alignment::alTop);
  auto& right = form_->Create<Component>();
  right.SetBounds(0, 0, 40, 10);
  right.SetAlign(Alignment::alRight);
  form_->Render();
  const struct {
    Component* c;
    Rect r;
  } expected[] = {
      {&top1, MakeRect(0, 0, 300, 20)},      {&top2, MakeRect(0, 20, 300, 5)},
      {&bottom, MakeRect(0, 185, 300, 15)},  {&left, MakeRect(0, 25, 30, 160)},
      {&right, MakeRect(260, 25, 40, 160)},  {&client, MakeRect(30, 25, 230, 160)},
  };
  for (const auto& e : expected) EXPECT_EQ(e.c->BoundsRect(), e.r);
  form_->SetClientSize(400, 200);
  form_->Render();
  EXPECT_EQ(client.BoundsRect(), MakeRect(30, 25, 330, 160));
}

TEST_F(WidgetTest, ClickNeedsPressAndReleaseInsideTheSameControl) {
  auto& a = form_->Create<Button>();
  a.SetBounds(10, 10, 50, 20);
  auto& b = form_->Create<Button>();
  b.SetBounds(100, 10, 50, 20);
  std::vector<std::string> log;
  a.OnClick = [&](Component&) { log.push_back("a"); };
  b.OnClick = [&](Component&) { log.push_back("b"); };
  std::vector<std::string> moves;
  a.OnMouseMove = [&](Component&, const MouseArgs& m) {
    moves.push_back(std::to_string(m.x) + "," + std::to_string(m.y));
  };

  Click(20, 20);  // inside a
  Down(20, 20);
  Move(120, 20);  // dragged onto b: a keeps the mouse (capture) and sees b's point locally
  Up(120, 20);    // released outside a: no click on either
  Down(120, 20);
  Up(20, 20);     // pressed on b, released on a: nothing
  EXPECT_EQ(log, (std::vector<std::string>{"a"}));
  EXPECT_EQ(moves.back(), "110,10");
}

TEST_F(WidgetTest, EnterAndLeaveFollowThePointer) {
  auto& a = form_->Create<Component>();
  a.SetBounds(10, 10, 50, 50);
  auto& inner = form_->Create<Component>(&a);
  inner.SetBounds(5, 5, 10, 10);
  std::vector<std::string> log;
  a.OnMouseEnter = [&](Component&) { log.push_back("+a"); };
  a.OnMouseLeave = [&](Component&) { log.push_back("-a"); };
  inner.OnMouseEnter = [&](Component&) { log.push_back("+inner"); };
  inner.OnMouseLeave = [&](Component&) { log.push_back("-inner"); };
  Move(12, 12);
  Move(17, 17);  // into the child
  Move(40, 40);
  Send(platform::EventKind::kMouseLeave, 0, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"+a", "-a", "+inner", "-inner", "+a", "-a"}));
}

TEST_F(WidgetTest, TabFollowsTabOrderAndSkipsHiddenAndDisabledControls) {
  std::vector<Button*> buttons;
  for (int order : {2, 0, 3, 1}) {
    auto& b = form_->Create<Button>();
    b.TabOrder = order;
    b.Name = "b" + std::to_string(order);
    buttons.push_back(&b);
  }
  buttons[2]->SetEnabled(false);  // b3
  auto names = [&] {
    std::vector<std::string> out;
    for (int i = 0; i < 4; ++i) {
      form_->SelectNext(false);
      out.push_back(form_->FocusedControl()->Name);
    }
    return out;
  };
  EXPECT_EQ(names(), (std::vector<std::string>{"b0", "b1", "b2", "b0"}));
  Key(platform::keys::kTab, platform::kModShift);
  EXPECT_EQ(form_->FocusedControl()->Name, "b2");
  buttons[0]->SetVisible(false);  // b2 loses the focus with its visibility
  EXPECT_EQ(form_->FocusedControl(), nullptr);
}

TEST_F(WidgetTest, EnterClicksTheDefaultButtonEscapeTheCancelButtonAltTheAccelerator) {
  auto& ok = form_->Create<Button>();
  ok.Default = true;
  auto& cancel = form_->Create<Button>();
  cancel.Cancel = true;
  auto& reset = form_->Create<Button>();
  reset.SetCaption("&Reset");
  std::string log;
  ok.OnClick = [&](Component&) { log += "ok "; };
  cancel.OnClick = [&](Component&) { log += "cancel "; };
  reset.OnClick = [&](Component&) { log += "reset "; };
  Key(platform::keys::kReturn);
  Key(platform::keys::kEscape);
  Key('R', platform::kModAlt);
  cancel.SetFocus();
  Key(platform::keys::kReturn);  // a focused button takes Enter itself
  Key(platform::keys::kSpace);
  EXPECT_EQ(log, "ok cancel reset cancel cancel ");
}

TEST_F(WidgetTest, HintShowsAfterAPauseAndGoesWithThePointer) {
  auto& b = form_->Create<Button>();
  b.SetBounds(10, 10, 50, 20);
  b.Hint = "Visit our website";
  b.ShowHint = true;
  b.ParentShowHint = false;
  platform::WindowOptions options;
  form_->WindowStyle = options;
  // Through the real loop, so the hint timer runs on the virtual clock.
  platform_->Schedule(0, [&] {
    platform::Event e;
    e.kind = platform::EventKind::kMouseMove;
    e.x = 20;
    e.y = 20;
    form_->HandleEvent(e);
  });
  std::string shown_at_400, shown_at_600;
  platform_->Schedule(400, [&] { shown_at_400 = form_->ShownHint(); });
  platform_->Schedule(600, [&] { shown_at_600 = form_->ShownHint(); });
  platform_->Schedule(700, [&] { form_->Close(); });
  platform_->SetTickBudget(10000);
  form_->ShowModal();
  EXPECT_EQ(shown_at_400, "");
  EXPECT_EQ(shown_at_600, "Visit our website");
}

TEST_F(WidgetTest, ChildrenPaintOverTheirParentAndAreClippedToIt) {
  form_->SetColor(FromRGB(0x102030));
  auto& panel = form_->Create<Component>();
  panel.SetBounds(10, 10, 20, 20);
  auto& label = form_->Create<Label>(&panel);
  label.AutoSize = false;
  label.SetBounds(15, 15, 30, 30);  // reaches past the panel's right and bottom edges
  label.SetColor(FromRGB(0xFF0000));
  const Bitmap& shot = form_->Render();
  EXPECT_EQ(shot.At(5, 5), 0x102030u);
  EXPECT_EQ(shot.At(26, 26), 0xFF0000u);  // label inside the panel
  EXPECT_EQ(shot.At(29, 29), 0xFF0000u);
  EXPECT_EQ(shot.At(31, 31), 0x102030u);  // clipped by the panel
}

// A size a layout can state by mistake: the giant control shows its colour and its children
// paint as usual, without a picture of gigabytes.
TEST_F(WidgetTest, GiantDescribedSizesPaintWithoutGiantPictures) {
  form_->SetColor(FromRGB(0x102030));
  auto& panel = form_->Create<Component>();
  panel.SetBounds(-50000, 10, 100000, 100000);
  panel.SetColor(FromRGB(0x00FF00));
  auto& label = form_->Create<Label>(&panel);
  label.AutoSize = false;
  label.SetBounds(50000, 0, 5, 5);  // at the form's left edge, inside the giant panel
  label.SetColor(FromRGB(0xFF0000));
  const Bitmap& shot = form_->Render();
  EXPECT_EQ(shot.At(5, 5), 0x102030u);
  EXPECT_EQ(shot.At(100, 100), 0x00FF00u);
  EXPECT_EQ(shot.At(2, 12), 0xFF0000u);
}

}  // namespace
}  // namespace lpc::widgets
