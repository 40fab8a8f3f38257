// Picture sound and music rules, and the user settings file laid over the project.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "base/fileio.h"
#include "base/ini.h"
#include "base/random.h"
#include "presentation/audio_rules.h"
#include "presentation/user_settings.h"

namespace lpc {
namespace {

TEST(PictureSoundLookup, FirstExistingCandidateElseTheProgramsFolder) {
  const std::string stored = "C:\\Authoring\\Sounds\\surf.wav";
  const auto candidates = PictureSoundCandidates(stored, "/work/", "/install/", "/prog/");
  ASSERT_EQ(candidates.size(), 4u);
  EXPECT_EQ(candidates[0], stored);
  EXPECT_EQ(candidates[1], "/work/surf.wav");
  EXPECT_EQ(candidates[2], "/install/sounds/surf.wav");
  EXPECT_EQ(candidates[3], "/prog/sounds/surf.wav");

  struct Case {
    std::set<std::string> existing;
    std::string found;
  } cases[] = {
      {{stored, "/work/surf.wav"}, stored},
      {{"/work/surf.wav", "/install/sounds/surf.wav"}, "/work/surf.wav"},
      {{"/install/sounds/surf.wav"}, "/install/sounds/surf.wav"},
      {{"/prog/sounds/surf.wav"}, "/prog/sounds/surf.wav"},
      {{}, "/prog/sounds/surf.wav"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindPictureSound(stored, "/work/", "/install/", "/prog/",
                               [&](const std::string& f) { return c.existing.count(f) > 0; }),
              c.found);
  }
  // A bare name is never looked up relative to the current folder.
  EXPECT_EQ(FindPictureSound("surf.wav", "/work", "/install", "/prog",
                             [](const std::string& f) { return f == "surf.wav"; }),
            "/prog/sounds/surf.wav");
  // No sound named: nothing to look for.
  for (const char* none : {"", "<No Sound>"}) {
    EXPECT_EQ(FindPictureSound(none, "/w", "/i", "/p", [](const std::string&) { return true; }),
              "");
  }
}

TEST(PictureSound, SameSoundKeepsLoopingAndStopClearsIt) {
  std::vector<std::string> calls;
  PictureSoundLoop sound([&](const std::string& f) { calls.push_back("play " + f); },
                         [&] { calls.push_back("stop"); });
  sound.PlayImageSound("/w/a.wav", "/lib");
  sound.PlayImageSound("/w/a.wav", "/lib");  // same sound: no restart
  sound.PlayImageSound("/w/b.wav", "/lib");
  sound.PlayImageSound("bare.wav", "/lib");  // bare: from the sound library
  sound.PlayImageSound("", "/lib");          // empty: the default sound
  sound.PlayImageSound("<No Sound>", "/lib");
  EXPECT_EQ(sound.LastSound(), "<No Sound>");
  sound.StopImageSound();  // a plain picture
  EXPECT_EQ(sound.LastSound(), "");
  sound.PlayImageSound("/w/b.wav", "/lib");  // starts afresh after the stop
  const std::vector<std::string> expected = {
      "play /w/a.wav",           "play /w/b.wav", "play /lib/sounds/bare.wav",
      "play /lib/sounds/Default.wav", "stop",       "play /w/b.wav"};
  EXPECT_EQ(calls, expected);
}

TEST(MusicPlayList, PiecesInOrderEmptyOnesSkipped) {
  EXPECT_EQ(MusicPlayList("a.mid;b.wav;;c.mp3", "/work"),
            (std::vector<std::string>{"/work/a.mid", "/work/b.wav", "/work/c.mp3"}));
  EXPECT_EQ(MusicPlayList(";C:\\Music\\x.mp3;", "/work"),
            (std::vector<std::string>{"C:\\Music\\x.mp3"}));
  EXPECT_TRUE(MusicPlayList(";;", "/work").empty());
  // Sequential mode: a, b, c, a, ...
  int index = -1;
  std::vector<int> order;
  for (int i = 0; i < 5; ++i) order.push_back(index = NextMusicIndex(1, 3, index));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 0, 1}));
  // Random mode: one track repeats, more never play twice in a row.
  EXPECT_EQ(NextMusicIndex(0, 1, 0), 0);
  RandSeed(3);
  index = -1;
  for (int i = 0; i < 200; ++i) {
    const int next = NextMusicIndex(0, 3, index);
    ASSERT_NE(next, index);
    index = next;
  }
}

class UserSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("lpc-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    ini_ = (folder_ / "Sea.ini").string();
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  static ScreensaverProject Project(int pictures) {
    ScreensaverProject p;
    for (int i = 0; i < pictures; ++i) {
      p.FileList.Names.push_back("p" + std::to_string(i) + ".lpp");
      p.FileList.Flags.push_back(kFlagTrue);
    }
    return p;
  }
  static std::string Flags(const ScreensaverProject& p) {
    std::string s;
    for (const auto& f : p.FileList.Flags) s += f == kFlagTrue ? '1' : '0';
    return s;
  }

  std::filesystem::path folder_;
  std::string ini_;
};

TEST_F(UserSettingsTest, FileNameBesideTheProgram) {
  EXPECT_EQ(UserSettingsFileName("C:\\My.Savers\\Sea.scr"), "C:\\My.Savers\\Sea.ini");
  EXPECT_EQ(UserSettingsFileName("C:\\Windows\\Harbour Lights.scr"),
            "C:\\Windows\\Harbour Lights.ini");
  EXPECT_EQ(UserSettingsFileName("/opt/sea.d/lpcsaver"), "/opt/sea.d/lpcsaver.ini");
  EXPECT_TRUE(UserSettingsAvailable("/x/Sea.SCR", ""));
  EXPECT_TRUE(UserSettingsAvailable("/x/lpcsaver", "/c"));
  EXPECT_FALSE(UserSettingsAvailable("/x/lpcsaver", "/S"));
}

TEST_F(UserSettingsTest, SelectionAndSettingsPrecedence) {
  struct Case {
    const char* what;
    int pictures;
    std::string text;
    std::string flags;
  } cases[] = {
      {"mode 3 keeps the picture at Index", 5, "[Setting]\nImageMode=3\nIndex=2\n", "00100"},
      {"mode 3 with an Index outside the list", 5, "[Setting]\nImageMode=3\nIndex=7\n", "10000"},
      {"mode 2 drops deselected pictures", 3, "[Setting]\nImageMode=2\n[Files]\n0=\n1=\n",
       "001"},
      {"mode 2 may drop every picture", 3, "[Setting]\nImageMode=2\n[Files]\n0=\n1=\n2=\n",
       "000"},
      {"mode 2 ignores keys that name no picture", 3,
       "[Setting]\nImageMode=2\n[Files]\n9=\n-1=\nx=\n1=\n", "101"},
      {"mode 0 ignores Files", 3, "[Setting]\nImageMode=0\n[Files]\n0=\n1=\n", "111"},
      {"mode 1 ignores Files", 2, "[Setting]\nImageMode=1\n[Files]\n0=\n", "11"},
  };
  for (const Case& c : cases) {
    WriteFileBytes(ini_, c.text);
    ScreensaverProject p = Project(c.pictures);
    ApplyUserSettings(p, ini_);
    EXPECT_EQ(Flags(p), c.flags) << c.what;
  }
}

TEST_F(UserSettingsTest, SettingsOverrideTheProject) {
  struct Case {
    const char* text;
    bool stretch, proportional;
    int speed, duration, mode;
    bool sound, music, transition;
  } cases[] = {
      // ImageSize absent: the project's scaling stays (Stretch on, Proportional off)
      {"[Setting]\n", true, false, 100, 30, 0, true, true, true},
      {"[Setting]\nImageSize=0\n", false, false, 100, 30, 0, true, true, true},
      {"[Setting]\nImageSize=2\n", true, true, 100, 30, 0, true, true, true},
      {"[Setting]\nImageSize=1\n", true, false, 100, 30, 0, true, true, true},
      {"[Setting]\nSpeed=10\n", true, false, 100, 30, 0, true, true, true},
      {"[Setting]\nSpeed=20\n", true, false, 500, 30, 0, true, true, true},
      {"[Setting]\nSpeed=0\n", true, false, 10, 30, 0, true, true, true},
      {"[Setting]\nSpeed=21\n", true, false, 100, 30, 0, true, true, true},
      {"[Setting]\nSpeed=-5\n", true, false, 100, 30, 0, true, true, true},
      {"[Setting]\nDuration=0x1E\nImageMode=1\n", true, false, 100, 30, 1, true, true, true},
      {"[Setting]\nDuration=abc\n", true, false, 100, 30, 0, true, true, true},
      {"[Setting]\nDuration=12\nSound=0\nMusic=0\nTransition=0\n", true, false, 100, 12, 0,
       false, false, false},
      {"[Setting]\nSound=7\nMusic=yes\n", true, false, 100, 30, 0, true, true, true},
  };
  for (const Case& c : cases) {
    WriteFileBytes(ini_, c.text);
    ScreensaverProject p = Project(2);
    ApplyUserSettings(p, ini_);
    const ProjectSettings& s = p.Setting;
    EXPECT_EQ(s.Stretch, c.stretch) << c.text;
    EXPECT_EQ(s.Proportional, c.proportional) << c.text;
    EXPECT_EQ(s.Speed, c.speed) << c.text;
    EXPECT_EQ(s.Duration, c.duration) << c.text;
    EXPECT_EQ(s.ShowImageMode, c.mode) << c.text;
    EXPECT_EQ(s.Sound, c.sound) << c.text;
    EXPECT_EQ(s.Music, c.music) << c.text;
    EXPECT_EQ(s.Transition, c.transition) << c.text;
    EXPECT_EQ(s.Random, true) << "never from the user's file";
  }
  // No file: nothing changes.
  ScreensaverProject p = Project(2);
  p.FileList.Flags[1] = kFlagFalse;
  ApplyUserSettings(p, (folder_ / "none.ini").string());
  EXPECT_EQ(Flags(p), "10");
}

TEST_F(UserSettingsTest, ConfigurationWindowReadsAndWritesTheSameFile) {
  ScreensaverProject p = Project(4);
  p.Setting.Speed = 110;  // not in the table: the nearest entry (100, index 10)
  UserSettings defaults = ReadUserSettings(p, ini_);
  EXPECT_EQ(defaults.ImageSize, 1);
  EXPECT_EQ(defaults.SpeedIndex, 10);

  UserSettings u{0, 3, 19, false, true, false, 45};
  WriteUserSettings(ini_, u);
  EXPECT_EQ(IniFile(ini_).ReadSection("Setting"),
            (std::vector<std::string>{"ImageSize", "ImageMode", "Speed", "Sound", "Music",
                                      "Transition", "Duration"}));
  EXPECT_EQ(ReadUserSettings(p, ini_), u);
  StoreUserSettings(p, u);
  EXPECT_FALSE(p.Setting.Stretch);
  EXPECT_EQ(p.Setting.Speed, 480);
  EXPECT_EQ(p.Setting.Duration, 45);

  WriteImageIndex(ini_, 3);
  EXPECT_EQ(ReadImageIndex(ini_, 4), 3);
  EXPECT_EQ(ReadImageIndex(ini_, 3), 0);  // names no picture of a shorter list
  WriteChecks(ini_, {true, false, false, true}, {true, true, false, true});
  EXPECT_EQ(IniFile(ini_).ReadSection("Files"), (std::vector<std::string>{"1"}));
  EXPECT_EQ(ReadChecks(ini_, 4), (std::vector<bool>{true, false, true, true}));
  WriteChecks(ini_, {false, true, false, true});
  EXPECT_EQ(IniFile(ini_).ReadSection("Files"), (std::vector<std::string>{"0", "2"}));
  // The screensaver side sees the same keys.
  WriteFileBytes(ini_, IniFile(ini_).Text());
  IniFile ini(ini_);
  ini.WriteInteger("Setting", "ImageMode", 2);
  ScreensaverProject q = Project(4);
  ApplyUserSettings(q, ini_);
  EXPECT_EQ(Flags(q), "0101");
}

}  // namespace
}  // namespace lpc
