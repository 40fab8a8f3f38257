// The configuration window's behaviour, headless on the virtual clock: the saved picture and
// marks, the click actions, the settings dialog, the preview and the wallpaper, and faults
// that end one event while the window stays.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../package/temp_dir.h"
#include "base/fileio.h"
#include "base/ini.h"
#include "configwindow/config_window.h"
#include "configwindow/form_builder.h"
#include "configwindow/preview_pane.h"
#include "configwindow/settings_dialog.h"
#include "configwindow/thumbnail_strip.h"
#include "imaging/picture.h"
#include "platform/headless/headless_platform.h"
#include "presentation/wallpaper.h"

namespace lpc {
namespace {

using testing_support::TempDir;

constexpr char kMain[] = R"(object MainWindow: TfmForm
  ClientWidth = 400
  ClientHeight = 200
  object Preview: TLPPreview
    Tag = 1
    Left = 0
    Top = 0
    Width = 40
    Height = 30
  end
  object Strip: TLPThumbnail2
    Tag = 1
    Left = 0
    Top = 100
    Width = 400
    Height = 92
    ShowCheckBox = True
    MultiRows = False
  end
  object Next: TBitBtn
    Tag = 1
    Left = 100
    Top = 0
    Width = 40
    Height = 20
  end
  object Prev: TBitBtn
    Tag = 1
    Left = 150
    Top = 0
    Width = 40
    Height = 20
  end
  object PlainNext: TButton
    Tag = 1
    Left = 200
    Top = 0
    Width = 40
    Height = 20
  end
  object Show: TBitBtn
    Tag = 1
    Left = 250
    Top = 0
    Width = 40
    Height = 20
  end
  object Wall: TBitBtn
    Tag = 1
    Left = 300
    Top = 0
    Width = 40
    Height = 20
  end
  object Site: TLabel
    Tag = 1
    Left = 100
    Top = 40
    Width = 40
    Height = 13
    Caption = 'site'
  end
  object Missing: TLabel
    Tag = 1
    Left = 200
    Top = 40
    Width = 40
    Height = 13
    Caption = 'more'
  end
end)";

constexpr char kActions[] =
    "7\nNext\n2\n\n\n\nPrev\n3\n\n\n\nPlainNext\n2\n\n\n\nShow\n4\n\n\n\n"
    "Wall\n9\n\n\n\nSite\n0\n<Website>/x\n\n\nMissing\n1\n NoSuchForm\n\n\n";

class ConfigWindowTest : public ::testing::Test {
 protected:
  ConfigWindowTest() {
    platform::SetCurrent(&platform_);
    forms_.AddForm(kMain, kActions);
    project_.Setting.Website = "http://example.org";
    std::filesystem::create_directories(dir_ / "My.Folder");
    SetProgram(dir_ / "My.Folder/Show.scr", "");
  }
  ~ConfigWindowTest() override { platform::SetCurrent(nullptr); }

  void SetProgram(const std::string& exe, const std::string& argument) {
    ConfigEnvironment env;
    env.ExeLongPath = exe;
    env.FirstArgument = argument;
    context_.env = env;
  }
  std::string Ini() const { return dir_ / "My.Folder/Show.ini"; }
  void Pictures(int count) {
    for (int i = 0; i < count; ++i) {
      const std::string name = dir_ / ("p" + std::to_string(i) + ".bmp");
      WriteFileBytes(name, EncodeBmp(Bitmap(4, 3, 0x102030u * static_cast<uint32_t>(i + 1))));
      project_.FileList.Names.push_back(name);
      project_.FileList.Flags.push_back("TRUE");
    }
  }

  // Runs the main window; each step gets the window 10 ticks after the one before it has
  // returned (a step may open a modal window); the window closes after the last one.
  void Run(std::vector<std::function<void(ConfigWindow&)>> steps) {
    steps.push_back([](ConfigWindow& w) { w.Close(); });
    size_t next = 0;
    std::function<void()> run_next = [&] {
      const size_t i = next++;
      steps[i](*ActiveConfigWindow());
      if (next < steps.size()) platform_.Schedule(platform_.Ticks() + 10, run_next);
    };
    platform_.Schedule(platform_.Ticks() + 10, run_next);
    platform_.SetTickBudget(platform_.Ticks() + 100000);
    ShowDescribedForm(context_, "MainWindow", nullptr);
    EXPECT_EQ(next, steps.size()) << "every step ran";
    EXPECT_EQ(ActiveConfigWindow(), nullptr);
  }
  static void ClickOn(ConfigWindow& w, const char* name) {
    const Rect r = widgets::FormRect(*w.FindComponent(name));
    platform::Event e;
    e.x = (r.left + r.right) / 2;
    e.y = (r.top + r.bottom) / 2;
    for (auto kind : {platform::EventKind::kMouseMove, platform::EventKind::kMouseDown,
                      platform::EventKind::kMouseUp}) {
      e.kind = kind;
      w.HandleEvent(e);
    }
  }
  static ThumbnailStrip& Strip(ConfigWindow& w) {
    return dynamic_cast<ThumbnailStrip&>(*w.FindComponent("Strip"));
  }
  static std::string Shown(ConfigWindow& w) {
    const std::string& f = dynamic_cast<PreviewPane&>(*w.FindComponent("Preview")).FileName();
    return f.empty() ? "-" : std::filesystem::path(f).stem().string();
  }

  TempDir dir_;
  platform::HeadlessPlatform platform_;
  UiDescription forms_;
  ScreensaverProject project_;
  ConfigContext context_{forms_, project_, {}};
};

// Which picture the window opens on and where the buttons take it.
TEST_F(ConfigWindowTest, PicturesFromTheSavedIndexThroughTheButtons) {
  struct Case {
    int count;
    const char* ini;
    std::vector<const char*> clicks;
    std::string expected;  // index and picture shown after opening, then after each click
  } cases[] = {
      {3, "[Setting]\nIndex=3\n", {"Prev", "Next", "Next", "Next"}, "0p0 0p0 1p1 2p2 2p2"},
      {3, "[Setting]\nIndex=2\n", {"Prev", "PlainNext", "Prev", "Prev"}, "2p2 1p1 1p1 0p0 0p0"},
      {3, "[Setting]\nIndex=-1\n", {}, "0p0"},
      {0, "[Setting]\nIndex=2\n", {"Next", "Prev", "Show", "Wall"}, "0- 0- 0- 0- 0-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    project_.FileList = {};
    Pictures(c.count);
    WriteFileBytes(Ini(), c.ini);
    std::string seen;
    auto note = [&](ConfigWindow& w) {
      seen += (seen.empty() ? "" : " ") + std::to_string(w.ImageIndex) + Shown(w);
    };
    std::vector<std::function<void(ConfigWindow&)>> steps{note};
    for (const char* name : c.clicks) {
      steps.push_back([name, note](ConfigWindow& w) {
        ClickOn(w, name);
        note(w);
      });
    }
    Run(steps);
    EXPECT_EQ(seen, c.expected);
    EXPECT_TRUE(platform_.message_boxes().empty());
    EXPECT_TRUE(platform_.system_log().empty()) << "no preview, no wallpaper";
  }
}

// "Files" 3 and 5: those start unchecked; checking 3 and closing leaves key 5 alone, in the
// settings file beside the program in its dotted folder.
TEST_F(ConfigWindowTest, MarksAndIndexComeBackNextTime) {
  Pictures(6);
  WriteFileBytes(Ini(), "[Setting]\nIndex=4\n[Files]\n3=\n5=\nx=\n9=\n");
  std::vector<bool> marks;
  Run({[&](ConfigWindow& w) {
    for (int i = 0; i < 6; ++i) marks.push_back(Strip(w).GetChecked(i));
    Strip(w).SetChecked(3, true);
    Strip(w).SelectIndex(1);
  }});
  EXPECT_EQ(marks, (std::vector<bool>{true, true, true, false, true, false}));
  const IniFile ini(Ini());
  EXPECT_EQ(ini.ReadSection("Files"), std::vector<std::string>{"5"});
  EXPECT_EQ(ini.ReadInteger("Setting", "Index", -1), 1);
  EXPECT_FALSE(FileExists(dir_ / "Show.ini"));
}

// A program that is neither a screensaver nor started with "/C" leaves the file alone.
TEST_F(ConfigWindowTest, ExeWithoutArgumentsReadsAndWritesNothing) {
  Pictures(4);
  SetProgram(dir_ / "My.Folder/Show.exe", "");
  WriteFileBytes(Ini(), "[Setting]\nIndex=2\n[Files]\n1=\n");
  const std::string before = ReadFileBytes(Ini());
  std::vector<bool> marks;
  int index = -1;
  Run({[&](ConfigWindow& w) {
    index = w.ImageIndex;
    for (int i = 0; i < 4; ++i) marks.push_back(Strip(w).GetChecked(i));
    ClickOn(w, "Next");
  }});
  EXPECT_EQ(index, 0);
  EXPECT_EQ(marks, std::vector<bool>(4, false));
  EXPECT_EQ(ReadFileBytes(Ini()), before);
}

TEST_F(ConfigWindowTest, PreviewShowsThePictureFullScreenOverTheWindow) {
  Pictures(3);
  platform::WindowOptions seen;
  int depth = 0;
  Run({[&](ConfigWindow& w) {
    ClickOn(w, "Next");
    platform_.Schedule(platform_.Ticks() + 50, [&] {
      auto* top = dynamic_cast<platform::HeadlessWindow*>(platform_.loop().TopModal());
      seen = top->options();
      depth = platform_.modal_depth();
      platform_.QueueKey(platform_.Ticks() + 10, *top, 'A', U'a');
    });
    ClickOn(w, "Show");
    EXPECT_EQ(platform_.modal_depth(), 1);
  }});
  EXPECT_EQ(seen.kind, platform::WindowKind::kFullScreen);
  EXPECT_EQ(depth, 2);
  EXPECT_TRUE(platform_.message_boxes().empty());
}

// The question, then the picture beside the program; No writes nothing, and a desktop that
// cannot take it is told about once the file is there.
TEST_F(ConfigWindowTest, WallpaperAsksWritesAndTellsWhenTheDesktopRefuses) {
  Pictures(2);
  const std::string bmp = dir_ / "My.Folder/Show.scr.bmp";
  const auto click_wall = [](ConfigWindow& w) { ClickOn(w, "Wall"); };
  platform_.registry().WriteString("Control Panel\\Desktop", "TileWallpaper", "1");
  platform_.QueueMessageBoxAnswer(platform::kModalNo);
  Run({click_wall});
  EXPECT_FALSE(FileExists(bmp));
  ASSERT_EQ(platform_.message_boxes().size(), 1u);
  EXPECT_EQ(platform_.message_boxes()[0].text,
            "You are about to set selected picture as a wallpaper.\r\nDo you want to proceed?");
  EXPECT_EQ(platform_.message_boxes()[0].kind, platform::MessageKind::kYesNo);

  platform_.QueueMessageBoxAnswer(platform::kModalYes);
  Run({[](ConfigWindow& w) { ClickOn(w, "Next"); }, click_wall});
  EXPECT_EQ(LoadPicture(bmp).At(0, 0), 0x204060u);
  ASSERT_FALSE(platform_.system_log().empty());
  EXPECT_EQ(platform_.system_log().back(), "wallpaper " + bmp);
  EXPECT_EQ(platform_.ReadRegistryString("Control Panel\\Desktop", "TileWallpaper"), "0");
  EXPECT_EQ(platform_.message_boxes().size(), 2u);

  platform_.SetWallpaperSupported(false);
  platform_.QueueMessageBoxAnswer(platform::kModalYes);
  Run({click_wall});
  ASSERT_EQ(platform_.message_boxes().size(), 4u);
  EXPECT_EQ(platform_.message_boxes()[3].text, WallpaperNotSetText(bmp));
  EXPECT_EQ(platform_.message_boxes()[3].kind, platform::MessageKind::kInformation);
}

TEST_F(ConfigWindowTest, LinkOpensTheExpandedAddress) {
  Pictures(1);
  Run({[](ConfigWindow& w) { ClickOn(w, "Site"); }});
  EXPECT_EQ(platform_.system_log(), std::vector<std::string>{"open http://example.org/x"});
}

// A picture that does not decode, a form the description lacks and a folder that cannot take
// the settings: an error box each, and the window goes on.
TEST_F(ConfigWindowTest, FaultsEndOneEventAndTheWindowStays) {
  Pictures(3);
  WriteFileBytes(project_.FileList.Names[1], "not a picture");
  std::string seen;
  Run({[&](ConfigWindow& w) { ClickOn(w, "Next"); },
       [&](ConfigWindow& w) { ClickOn(w, "Missing"); },
       [&](ConfigWindow& w) {
         ClickOn(w, "Next");
         seen = std::to_string(w.ImageIndex) + Shown(w);
       }});
  EXPECT_EQ(seen, "2p2");
  ASSERT_EQ(platform_.message_boxes().size(), 2u);
  EXPECT_NE(platform_.message_boxes()[0].text.find("p1.bmp"), std::string::npos);
  EXPECT_EQ(platform_.message_boxes()[0].kind, platform::MessageKind::kError);
  EXPECT_EQ(platform_.message_boxes()[1].text, "Form 'NoSuchForm' not found");

  SetProgram(dir_ / "gone/Show.scr", "");
  Run({});
  ASSERT_EQ(platform_.message_boxes().size(), 3u);
  EXPECT_NE(platform_.message_boxes()[2].text.find("gone"), std::string::npos);
  EXPECT_FALSE(DirectoryExists(dir_ / "gone"));
}

// The dialog: the project's speed 95 is in no table position, so the track bar starts at 0;
// "Reset" puts it on 10; Enter writes "Setting" in its order, Escape writes nothing, and OK
// cannot confirm for a program that may not use the file.
TEST_F(ConfigWindowTest, SettingsDialog) {
  project_.Setting.Speed = 95;
  const UserChoicesPlace place{Ini(), true};
  SettingsDialog dialog;
  UserSettings s;
  ReadUserSettings(project_, place, s);
  dialog.LoadSettings(s, true);
  EXPECT_EQ(dialog.speed.Position(), 0);
  dialog.ResetSpeed();
  EXPECT_EQ(dialog.speed.Position(), 10);
  EXPECT_EQ(dialog.ClientWidth(), 375);
  EXPECT_EQ(dialog.ClientHeight(), 188);

  struct Case {
    UserChoicesPlace place;
    int key;
    bool confirmed;
  } cases[] = {
      {{Ini(), true}, platform::keys::kEscape, false},
      {{Ini(), false}, platform::keys::kReturn, false},
      {{Ini(), true}, platform::keys::kReturn, true},
  };
  for (const Case& c : cases) {
    platform_.Schedule(platform_.Ticks() + 10, [&] {
      platform::Window& open = *platform_.loop().TopModal();
      const char32_t ch = c.key == platform::keys::kReturn ? U'\r' : U'\x1b';
      platform_.QueueKey(platform_.Ticks() + 1, open, c.key, ch);
      // A disabled OK leaves the dialog open: Escape then ends it.
      if (!c.place.Available) platform_.QueueKey(platform_.Ticks() + 2, open, 0x1B, U'\x1b');
    });
    EXPECT_EQ(ShowSettingsDialog(project_, c.place, nullptr), c.confirmed);
    EXPECT_EQ(FileExists(Ini()), c.confirmed);
  }
  EXPECT_EQ(ReadFileBytes(Ini()),
            "[Setting]\r\nImageSize=1\r\nImageMode=0\r\nSpeed=0\r\nSound=1\r\nMusic=1\r\n"
            "Transition=1\r\nDuration=30\r\n");
}

}  // namespace
}  // namespace lpc
