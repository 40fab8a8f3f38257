// Keyboard and mouse on the stock controls: the edit box's editing keys, the drop-down list,
// the spin box's auto-repeat on the virtual clock, the track bar, check boxes, pages, the memo.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/check_box.h"
#include "widgets/combo_box.h"
#include "widgets/edit.h"
#include "widgets/memo.h"
#include "widgets/page_control.h"
#include "widgets/scroll_bar.h"
#include "widgets/spin_edit.h"
#include "widgets/track_bar.h"
#include "widgets/widget_fixture.h"

namespace lpc::widgets {
namespace {

namespace keys = platform::keys;
using lpc::testing::WidgetTest;

class InputTest : public WidgetTest {
 protected:
  // Plays "ab<Left><S-Home><C-V>": characters are typed, <...> are keys with optional S-
  // (Shift), C- (Ctrl) and A- (Alt) prefixes.
  void Play(const std::string& script) {
    static const std::pair<const char*, int> kNames[] = {
        {"Left", keys::kLeft}, {"Right", keys::kRight}, {"Up", keys::kUp},
        {"Down", keys::kDown}, {"Home", keys::kHome},   {"End", keys::kEnd},
        {"BS", keys::kBack},   {"Del", keys::kDelete},  {"Ins", keys::kInsert},
        {"PgUp", keys::kPageUp}, {"PgDn", keys::kPageDown}, {"Enter", keys::kReturn},
        {"Esc", keys::kEscape}, {"Tab", keys::kTab},    {"F4", keys::kF1 + 3},
    };
    for (size_t i = 0; i < script.size(); ++i) {
      if (script[i] != '<') {
        const char c = script[i];
        Key(std::isalpha(static_cast<unsigned char>(c)) ? std::toupper(c) : 0, 0,
            static_cast<unsigned char>(c));
        continue;
      }
      const size_t end = script.find('>', i);
      std::string name = script.substr(i + 1, end - i - 1);
      i = end;
      unsigned mods = 0;
      while (name.size() > 2 && name[1] == '-') {
        mods |= name[0] == 'S' ? platform::kModShift : name[0] == 'C' ? platform::kModCtrl
                                                                         : platform::kModAlt;
        name = name.substr(2);
      }
      int key = name.size() == 1 ? name[0] : 0;
      for (const auto& [n, k] : kNames) {
        if (name == n) key = k;
      }
      ASSERT_NE(key, 0) << name;
      // Backspace produces its character too, as the platforms deliver it.
      Key(key, mods, key == keys::kBack ? U'\b' : 0);
    }
  }
};

TEST_F(InputTest, EditKeysTypeMoveSelectDeleteAndUseTheClipboard) {
  const struct {
    const char* start;
    const char* script;
    const char* text;
    int caret, sel_start, sel_length;
    const char* clipboard_after = nullptr;
  } cases[] = {
      {"", "abc", "abc", 3, 3, 0},
      {"abc", "<Left><Left>X", "aXbc", 2, 2, 0},
      {"hello", "<Home><S-Right><S-Right>", "hello", 2, 0, 2},
      {"hello", "<S-Home><BS>", "", 0, 0, 0},
      {"hello", "<Home><Del><Del>", "llo", 0, 0, 0},
      {"hello", "<Left><BS>", "helo", 3, 3, 0},
      {"hello", "<End><Del><Home><BS>", "hello", 0, 0, 0},  // nothing beyond either end
      {"hello", "<S-Home>x", "x", 1, 1, 0},                 // typing replaces the selection
      {"abc", "<S-Left><Right>", "abc", 3, 3, 0},           // an arrow collapses the selection
      {"abc", "<S-Left><S-Left><Left>", "abc", 1, 1, 0},
      {"one two", "<C-Left><S-End>", "one two", 7, 4, 3},
      {"one two", "<C-BS>", "one ", 4, 4, 0},
      {"hello", "<C-A><C-C><End>!<C-V>", "hello!hello", 11, 11, 0, "hello"},
      {"hello", "<S-Left><S-Left><C-X><Home><C-V>", "lohel", 2, 2, 0, "lo"},
      {"hello", "<S-Left><C-Ins><S-Del><S-Ins><S-Ins>", "helloo", 6, 6, 0, "o"},
  };
  for (const auto& c : cases) {
    form_ = std::make_unique<FormWindow>();
    auto& edit = form_->Create<Edit>();
    edit.AutoSelect = false;
    edit.SetFocus();
    edit.SetText(c.start);
    platform_->SetClipboardText("");
    Play(c.script);
    EXPECT_EQ(edit.Text(), c.text) << c.start << " " << c.script;
    EXPECT_EQ(edit.CaretPos(), c.caret) << c.script;
    EXPECT_EQ(edit.SelStart(), c.sel_start) << c.script;
    EXPECT_EQ(edit.SelLength(), c.sel_length) << c.script;
    if (c.clipboard_after) {
      EXPECT_EQ(platform_->ClipboardText(), c.clipboard_after) << c.script;
    }
  }
}

TEST_F(InputTest, EditLimitsReadOnlyPasswordsAndPastedLines) {
  auto& edit = form_->Create<Edit>();
  edit.AutoSelect = false;
  edit.SetFocus();
  edit.MaxLength = 4;
  Play("abcdef");
  EXPECT_EQ(edit.Text(), "abcd");
  edit.MaxLength = 0;
  edit.SetText("");
  platform_->SetClipboardText("first\r\nsecond");
  Play("<C-V>");
  EXPECT_EQ(edit.Text(), "first");  // one line only
  edit.ReadOnly = true;
  Play("x<BS><Del><C-X><C-V><C-A><C-C>");
  EXPECT_EQ(edit.Text(), "first");
  EXPECT_EQ(platform_->ClipboardText(), "first");  // copying still works
  edit.PasswordChar = '*';
  platform_->SetClipboardText("");
  Play("<C-A><C-C>");
  EXPECT_EQ(platform_->ClipboardText(), "");  // a password does not leave the box
  int changes = 0;
  edit.OnChange = [&](Component&) { ++changes; };
  edit.ReadOnly = false;
  Play("<End>z<BS><Left>");
  EXPECT_EQ(changes, 2);
  // Tabbing in selects everything with AutoSelect.
  auto& other = form_->Create<Edit>();
  other.SetText("all of it");
  other.SetFocus();
  EXPECT_EQ(other.SelLength(), 9);
}

TEST_F(InputTest, EditMouseSelectsByCharactersAndDoubleClickAWord) {
  auto& edit = form_->Create<Edit>();
  edit.SetBounds(10, 10, 100, 21);
  edit.SetText("hello world");
  // The headless font's cells are 5 pixels wide; the text starts 3 pixels in.
  Down(10 + 3 + 12, 20);  // nearest boundary: after 2 characters
  Move(10 + 3 + 24, 20);  // after 5
  Up(10 + 3 + 24, 20);
  EXPECT_EQ(edit.SelStart(), 2);
  EXPECT_EQ(edit.SelLength(), 3);
  EXPECT_EQ(edit.CaretPos(), 5);
  Down(10 + 3 + 41, 20, 2);  // a double click in "world"
  Up(10 + 3 + 41, 20);
  EXPECT_EQ(edit.SelText(), "world");
}

TEST_F(InputTest, DropDownListByKeyboardAndMouse) {
  auto& combo = form_->Create<ComboBox>();
  combo.SetBounds(10, 10, 100, 21);
  for (char c = 'a'; c <= 'j'; ++c) combo.Items.push_back(std::string(1, c));
  combo.DropDownCount = 4;
  int changes = 0;
  combo.OnChange = [&](Component&) { ++changes; };
  combo.SetFocus();
  const struct {
    const char* script;
    int index;
    bool open;
    int hot;  // checked while open
  } steps[] = {
      {"<Down>", 0, false, -1},      {"<Down><Down>", 2, false, -1}, {"<End>", 9, false, -1},
      {"<Home><Up>", 0, false, -1},  {"<A-Down>", 0, true, 0},      {"<Down><Down>", 0, true, 2},
      {"<Enter>", 2, false, -1},     {"<F4><Down>", 2, true, 3},     {"<Esc>", 2, false, -1},
      {"<F4><End><F4>", 9, false, -1},
  };
  for (const auto& s : steps) {
    Play(s.script);
    EXPECT_EQ(combo.ItemIndex(), s.index) << s.script;
    EXPECT_EQ(combo.DroppedDown(), s.open) << s.script;
    if (s.open) {
      EXPECT_EQ(combo.HotItem(), s.hot) << s.script;
    }
  }
  EXPECT_EQ(changes, 7);  // 0, 1, 2, 9, 0, 2, 9: a key that changes nothing fires nothing
  // Mouse: a click opens the list under the box; the pointer highlights; a click chooses.
  combo.SetItemIndex(0);
  Click(50, 20);
  ASSERT_TRUE(combo.DroppedDown());
  const int row = combo.ItemHeight();
  Move(50, 31 + 1 + row + row / 2);  // the second row
  EXPECT_EQ(combo.HotItem(), 1);
  Click(50, 31 + 1 + row + row / 2);
  EXPECT_FALSE(combo.DroppedDown());
  EXPECT_EQ(combo.ItemIndex(), 1);
  // A press outside the open list closes it and does nothing else.
  Click(50, 20);
  Click(250, 150);
  EXPECT_FALSE(combo.DroppedDown());
  EXPECT_EQ(combo.ItemIndex(), 1);
}

TEST_F(InputTest, SpinButtonsRepeatAfterADelayWhileHeld) {
  auto& spin = form_->Create<SpinEdit>();
  spin.SetBounds(10, 10, 121, 22);
  spin.MinValue = 0;
  spin.MaxValue = 100;
  spin.SetValue(0);
  const Rect up = spin.UpButton();
  const int x = 10 + (up.left + up.right) / 2;
  const int y = 10 + (up.top + up.bottom) / 2;
  std::vector<std::pair<uint32_t, int>> seen;
  auto at = [&](uint32_t t) { platform_->Schedule(t, [&, t] { seen.push_back({t, spin.Value()}); }); };
  platform_->Schedule(0, [&] { Down(x, y); });
  for (uint32_t t : {10u, 390u, 410u, 440u, 460u, 520u}) at(t);
  platform_->Schedule(525, [&] { Up(x, y); });
  at(700);
  platform_->Schedule(710, [&] { form_->Close(); });
  platform_->SetTickBudget(10000);
  form_->ShowModal();
  // One step on the press, one at 400 ms, then one every 50 ms until the release.
  const std::vector<std::pair<uint32_t, int>> expected = {
      {10, 1}, {390, 1}, {410, 2}, {440, 2}, {460, 3}, {520, 4}, {700, 4}};
  EXPECT_EQ(seen, expected);
}

TEST_F(InputTest, SpinValuesStayInRangeAndTakeDigitsOnly) {
  auto& spin = form_->Create<SpinEdit>();
  form_->Create<Edit>();  // somewhere for Tab to go
  spin.MinValue = -5;
  spin.MaxValue = 50;
  spin.SetValue(1000);
  EXPECT_EQ(spin.Value(), 50);
  spin.SetFocus();  // selects all
  Play("4x2");
  EXPECT_EQ(spin.Text(), "42");
  Play("<Up><Up>");
  EXPECT_EQ(spin.Value(), 44);
  Play("<C-A>-9");
  EXPECT_EQ(spin.Value(), -5);  // read clamped
  Play("<Tab>");                // leaving the box writes the clamped value back
  EXPECT_EQ(spin.Text(), "-5");
  spin.SetFocus();
  Play("<Down>");
  EXPECT_EQ(spin.Value(), -5);
}

TEST_F(InputTest, TrackBarKeysClicksAndDrag) {
  auto& track = form_->Create<TrackBar>();
  track.SetBounds(0, 0, 150, 45);
  track.Max = 10;
  track.SetPosition(5);
  int changes = 0;
  track.OnChange = [&](Component&) { ++changes; };
  track.SetFocus();
  const struct {
    const char* script;
    int position;
  } steps[] = {{"<Right>", 6}, {"<PgDn>", 8}, {"<End><Right>", 10}, {"<Up>", 9},
               {"<Home><Left>", 0}, {"<PgUp>", 0}};
  for (const auto& s : steps) {
    Play(s.script);
    EXPECT_EQ(track.Position(), s.position) << s.script;
  }
  // Beside the thumb: a page towards the pointer.
  Click(140, 10);
  EXPECT_EQ(track.Position(), 2);
  const Rect thumb = track.ThumbRect();
  const int cx = (thumb.left + thumb.right) / 2;
  Down(cx, 10);
  Move(cx + track.ChannelRect().right, 10);  // far past the end
  EXPECT_EQ(track.Position(), 10);
  Move(track.ThumbRect().left - 200, 10);
  Up(0, 10);
  EXPECT_EQ(track.Position(), 0);
  EXPECT_EQ(track.PositionAt(track.ChannelRect().left + 5 + 62), 5);  // the middle
  EXPECT_EQ(changes, 8);
}

TEST_F(InputTest, CheckBoxTogglesByClickSpaceAndAccelerator) {
  auto& box = form_->Create<CheckBox>();
  box.SetBounds(10, 10, 100, 17);
  box.SetCaption("&Loop");
  int changes = 0;
  box.OnChange = [&](Component&) { ++changes; };
  std::vector<bool> states;
  auto note = [&] { states.push_back(box.Checked()); };
  Click(15, 15);
  note();
  Down(15, 15);
  Up(200, 150);  // released outside: no toggle
  note();
  box.SetFocus();
  Play("< >");
  note();
  Key('L', platform::kModAlt);
  note();
  box.SetEnabled(false);
  Click(15, 15);
  note();
  EXPECT_EQ(states, (std::vector<bool>{true, true, false, true, true}));
  EXPECT_EQ(changes, 3);
  box.SetEnabled(true);
  box.AllowGrayed = true;
  Click(15, 15);  // checked -> grayed
  EXPECT_EQ(box.State(), CheckBox::cbGrayed);
  Click(15, 15);
  EXPECT_EQ(box.State(), CheckBox::cbUnchecked);
}

TEST_F(InputTest, PagesSwitchByClickAndKeys) {
  for (const auto place : {PageControl::tpTop, PageControl::tpBottom}) {
    SCOPED_TRACE(place == PageControl::tpTop ? "tabs on top" : "tabs below");
    auto& pages = form_->Create<PageControl>();
    pages.SetBounds(0, 0, 300, 200);
    pages.TabPosition = place;
    std::vector<TabSheet*> sheets;
    for (const char* caption : {"One", "Two", "Three"}) {
      auto& sheet = form_->Create<TabSheet>(&pages);
      sheet.SetCaption(caption);
      sheets.push_back(&sheet);
    }
    auto& on_two = form_->Create<CheckBox>(sheets[1]);
    pages.Loaded();
    EXPECT_EQ(pages.ActivePage(), sheets[0]);
    EXPECT_FALSE(on_two.Showing());
    const std::vector<Rect> tabs = pages.TabRects();
    ASSERT_EQ(tabs.size(), 3u);
    Click((tabs[1].left + tabs[1].right) / 2, tabs[1].top + 5);
    EXPECT_EQ(pages.ActivePage(), sheets[1]);
    EXPECT_TRUE(on_two.Showing());
    EXPECT_FALSE(sheets[0]->Showing());
    // The page fills the control inside its frame, beside the tabs.
    const Rect page = FormRect(*sheets[1]);
    EXPECT_EQ(page.left, 4);
    if (place == PageControl::tpTop) {
      EXPECT_GT(page.top, tabs[1].bottom);
    } else {
      EXPECT_EQ(page.top, 4);
      EXPECT_LT(page.bottom, tabs[1].top);
      EXPECT_EQ(tabs[1].bottom, 198);
    }
    pages.SetFocus();
    Play("<Right>");
    EXPECT_EQ(pages.TabIndex(), 2);
    Play("<C-Tab>");
    EXPECT_EQ(pages.TabIndex(), 0);
    sheets[0]->TabVisible = false;
    pages.SetTabIndex(0);
    EXPECT_EQ(pages.ActivePage(), sheets[1]);  // tab indexes count the visible tabs
    // Hot tracking follows the pointer over the tabs.
    pages.HotTrack = true;
    const std::vector<Rect> visible = pages.TabRects();
    EXPECT_EQ(pages.TabAt(visible[1].left + 3, visible[1].top + 3), 1);
    EXPECT_EQ(pages.TabAt(visible[1].left + 3, 100), -1);
    pages.SetVisible(false);
  }
}

TEST_F(InputTest, MemoWrapsAndScrollsWhenTheTextIsTaller) {
  auto& memo = form_->Create<Memo>();
  memo.SetBounds(0, 0, 120, 60);  // 4 lines of 13 pixels inside the frame
  memo.SetText("short\r\ntwo\r\nthree\r\nfour");
  form_->Render();
  EXPECT_FALSE(memo.ScrollBarShown());
  memo.SetText("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\nthe end of a long line that wraps");
  form_->Render();
  ASSERT_TRUE(memo.ScrollBarShown());
  EXPECT_GT(memo.WrappedLines().size(), 8u);
  const Rect down = memo.VerticalBar().DownArrow();
  Click(down.left + 3, down.top + 3);
  EXPECT_EQ(memo.TopLine(), 1);
  memo.SetFocus();
  Play("<End>");
  const int last = memo.TopLine();
  EXPECT_EQ(last + 4, static_cast<int>(memo.WrappedLines().size()));
  Play("<PgUp><Up>");
  EXPECT_EQ(memo.TopLine(), last - 4);
}

// A control that hands its mouse and timer to an embedded bar, as the memo and grids do.
class BarHost : public Component {
 public:
  BarHost() : bar(*this, true, 7) { bar.OnScroll = [this](int p) { scrolls.push_back(p); }; }
  void MouseDown(const MouseArgs& a) override { bar.MouseDown(a.x, a.y); }
  void MouseMove(const MouseArgs& a) override { bar.MouseMove(a.x, a.y); }
  void MouseUp(const MouseArgs& a) override { bar.MouseUp(a.x, a.y); }
  void Timer(int id) override { bar.HandleTimer(id); }
  ScrollBar bar;
  std::vector<int> scrolls;
};

TEST_F(InputTest, ScrollBarArrowsPagesAndThumb) {
  auto& host = form_->Create<BarHost>();
  host.SetBounds(0, 0, 16, 132);  // a 100-pixel track between the arrows
  host.bar.SetBounds(Rect{0, 0, 16, 132});
  host.bar.SetRange(0, 99, 20);   // positions 0..80, a 20-pixel thumb
  EXPECT_EQ(host.bar.MaxPosition(), 80);
  EXPECT_EQ(host.bar.Thumb(), (Rect{0, 16, 16, 36}));
  Click(8, 124);  // down arrow
  Click(8, 100);  // below the thumb: a page
  Click(8, 45);   // on the thumb: nothing
  Click(8, 4);    // up arrow
  EXPECT_EQ(host.scrolls, (std::vector<int>{1, 21, 20}));
  // Dragging the thumb by its middle to the end of the track, and past it.
  const Rect thumb = host.bar.Thumb();
  const int grab = (thumb.top + thumb.bottom) / 2;
  Down(8, grab);
  Move(8, grab + 40);  // half of the 80 free pixels
  EXPECT_EQ(host.bar.Position(), 20 + 40);
  Move(8, grab + 500);
  Up(8, grab + 500);
  EXPECT_EQ(host.bar.Position(), 80);
}

}  // namespace
}  // namespace lpc::widgets
