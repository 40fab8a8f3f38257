// The configuration window's side of the user settings file: when it may be used, the
// defaults it offers, the values it refuses, and writes that never lose the file.
#include "configwindow/user_choices.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "../package/temp_dir.h"
#include "base/errors.h"
#include "base/fileio.h"
#include "base/ini.h"

namespace lpc {
namespace {

using testing_support::TempDir;

ScreensaverProject Project(int pictures) {
  ScreensaverProject p;
  for (int i = 0; i < pictures; ++i) {
    p.FileList.Names.push_back("p" + std::to_string(i) + ".jpg");
    p.FileList.Flags.push_back("TRUE");
  }
  return p;
}

TEST(UserChoicesTest, PlaceFollowsExtensionAndArgument) {
  struct Case {
    const char* exe;
    const char* argument;
    const char* settings;
    bool available;
  } cases[] = {
      {"/s/My.Folder/Show.scr", "", "/s/My.Folder/Show.ini", true},
      {"/s/Show.SCR", "/p", "/s/Show.ini", true},
      {"/s/Show.exe", "", "/s/Show.ini", false},
      {"/s/Show.exe", "/c", "/s/Show.ini", true},
      {"/s/Show.exe", "/S", "/s/Show.ini", false},
  };
  for (const Case& c : cases) {
    const UserChoicesPlace place = UserChoicesPlaceOf(c.exe, c.argument);
    EXPECT_EQ(place.SettingsFile, c.settings) << c.exe;
    EXPECT_EQ(place.Available, c.available) << c.exe << " " << c.argument;
  }
}

// "Setting" as the settings dialog and the window build see it; the project's speed is 95,
// which the table lacks, and its scaling is stretch-full.
TEST(UserChoicesTest, ReadsSettingOverTheProjectAndRefusesWhatItCannotShow) {
  struct Case {
    const char* ini;  // nullptr: no file
    UserSettings expected;
  } cases[] = {
      {nullptr, {1, 0, 0, true, true, true, 30}},
      {"[Setting]\nSpeed=20\nImageSize=2\nImageMode=3\nSound=0\nDuration=0x10\n",
       {2, 3, 20, false, true, true, 16}},
      {"[Setting]\nSpeed=21\nImageSize=3\nImageMode=4\n", {1, 0, 0, true, true, true, 30}},
      {"[Setting]\nSpeed=-1\nImageSize=-1\nImageMode=-1\nMusic=7\n", {1, 0, 0, true, true, true, 30}},
      {"[Setting]\nSpeed=fast\nDuration=long\nTransition=0\n", {1, 0, 0, true, true, false, 30}},
  };
  TempDir dir;
  const UserChoicesPlace place{dir / "Show.ini", true};
  ScreensaverProject p = Project(3);
  p.Setting.Speed = 95;
  for (const Case& c : cases) {
    std::filesystem::remove(place.SettingsFile);
    if (c.ini) WriteFileBytes(place.SettingsFile, c.ini);
    UserSettings got;
    EXPECT_TRUE(ReadUserSettings(p, place, got));
    EXPECT_EQ(got, c.expected) << (c.ini ? c.ini : "no file");
  }
}

TEST(UserChoicesTest, SettingsIntoTheProject) {
  TempDir dir;
  const UserChoicesPlace place{dir / "Show.ini", true};
  WriteFileBytes(place.SettingsFile,
                 "[Setting]\nImageSize=0\nImageMode=2\nSpeed=19\nSound=0\nMusic=0\nDuration=9\n");
  ScreensaverProject p = Project(2);
  TakeOverUserSettings(p, place);
  EXPECT_FALSE(p.Setting.Stretch);
  EXPECT_FALSE(p.Setting.Proportional);
  EXPECT_EQ(p.Setting.ShowImageMode, 2);
  EXPECT_EQ(p.Setting.Speed, 480);
  EXPECT_FALSE(p.Setting.Sound);
  EXPECT_FALSE(p.Setting.Music);
  EXPECT_TRUE(p.Setting.Transition);
  EXPECT_EQ(p.Setting.Duration, 9);

  // The same file for a program that may not use it: the project stays as it was.
  ScreensaverProject q = Project(2);
  TakeOverUserSettings(q, UserChoicesPlace{place.SettingsFile, false});
  EXPECT_TRUE(q.Setting.Stretch);
  EXPECT_EQ(q.Setting.Speed, 100);
}

TEST(UserChoicesTest, IndexAndChecks) {
  TempDir dir;
  const UserChoicesPlace place{dir / "Show.ini", true};
  WriteFileBytes(place.SettingsFile,
                 "[Setting]\nIndex=6\n[Files]\n3=\n5=\nabc=\n-1=\n99=\n 5 =\n");
  EXPECT_EQ(ReadImageIndex(place, 6), 0) << "Index = count opens on the first picture";
  EXPECT_EQ(ReadImageIndex(place, 7), 6);
  std::vector<bool> checks = *ReadChecks(place, 6);
  EXPECT_EQ(checks, (std::vector<bool>{true, true, true, false, true, false}));

  checks[3] = true;
  WriteImageIndex(place, 4);
  WriteChecks(place, checks);
  const IniFile ini(place.SettingsFile);
  EXPECT_EQ(ini.ReadSection("Files"), std::vector<std::string>{"5"});
  EXPECT_EQ(ini.ReadInteger("Setting", "Index", -1), 4);
}

TEST(UserChoicesTest, UnavailableReadsAndWritesNothing) {
  TempDir dir;
  const UserChoicesPlace place{dir / "Show.ini", false};
  ScreensaverProject p = Project(4);
  UserSettings s;
  EXPECT_FALSE(ReadUserSettings(p, place, s));
  EXPECT_EQ(s.SpeedIndex, 10);
  WriteUserSettings(place, s);
  WriteImageIndex(place, 2);
  WriteChecks(place, {false, false, true, true});
  EXPECT_FALSE(FileExists(place.SettingsFile));
  WriteFileBytes(place.SettingsFile, "[Setting]\nIndex=2\n[Files]\n1=\n");
  EXPECT_EQ(ReadImageIndex(place, 4), 0);
  EXPECT_FALSE(ReadChecks(place, 4).has_value());
}

// A write that cannot complete leaves what is on disk alone.
TEST(UserChoicesTest, FailedWritesKeepTheFile) {
  TempDir dir;
  const UserChoicesPlace missing_folder{dir / "gone/Show.ini", true};
  EXPECT_THROW(WriteImageIndex(missing_folder, 1), IOError);
  EXPECT_FALSE(DirectoryExists(dir / "gone"));

  // Too large to read back: refused, not replaced by a file holding only the new key.
  const UserChoicesPlace huge{dir / "Huge.ini", true};
  WriteFileBytes(huge.SettingsFile, "[Setting]\nIndex=1\n");
  std::filesystem::resize_file(huge.SettingsFile, kMaxSettingsFileBytes + 1);
  EXPECT_THROW(WriteChecks(huge, {false}), Error);
  EXPECT_EQ(FileSize(huge.SettingsFile), static_cast<int64_t>(kMaxSettingsFileBytes + 1));
  EXPECT_EQ(ReadImageIndex(huge, 3), 0);
}

}  // namespace
}  // namespace lpc
