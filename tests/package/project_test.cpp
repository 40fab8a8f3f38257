#include "package/project.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/errors.h"
#include "package/package.h"
#include "package/work_folder.h"
#include "package/temp_dir.h"

namespace lpc {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing_support::TempDir;

ProjectSettings SettingFrom(const std::string& text) {
  ProjectSettings s;
  s.LoadFromIni(IniFile::FromText(text));
  return s;
}

TEST(Setting, FreshObjectHoldsTheDefaults) {
  const ProjectSettings s = SettingFrom("");
  EXPECT_TRUE(s.Stretch);
  EXPECT_FALSE(s.Proportional);
  EXPECT_TRUE(s.Sound);
  EXPECT_TRUE(s.Random);
  EXPECT_EQ(s.Duration, 30);
  EXPECT_TRUE(s.Transition);
  EXPECT_EQ(s.ZoomDuration, 5);
  EXPECT_EQ(s.Speed, 100);
  EXPECT_TRUE(s.Music);
  EXPECT_TRUE(s.Animation);
  EXPECT_EQ(s.ShowImageMode, 0);
  EXPECT_EQ(s.BuildMethod, 1);
  EXPECT_TRUE(s.BuildSmallThumbs);
  EXPECT_EQ(s.ProductName, "");
}

// Each key follows its own value; unreadable values give the default.
struct SettingCase {
  const char* text;
  bool sound;
  bool music;
  int32_t duration;
};

TEST(Setting, EachKeyIsReadOnItsOwn) {
  const SettingCase cases[] = {
      {"[Default]\r\nSound=0\r\n", false, true, 30},
      {"[Default]\r\nMusic=0\r\nSound=1\r\n", true, false, 30},
      {"[Default]\r\nDuration=0x1E\r\n", true, true, 30},
      {"[Default]\r\nDuration=$1F\r\n", true, true, 31},
      {"[Default]\r\nDuration=abc\r\n", true, true, 30},
      {"[Default]\r\nDuration=-7\r\nSound=2\r\n", true, true, -7},
      {"[default]\r\nduration = 12\r\n", true, true, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ProjectSettings s = SettingFrom(c.text);
    EXPECT_EQ(s.Sound, c.sound);
    EXPECT_EQ(s.Music, c.music);
    EXPECT_EQ(s.Duration, c.duration);
  }
}

TEST(Setting, EveryFieldSurvivesWritingAndReading) {
  ProjectSettings s;
  s.ProductName = "Sea Waves";
  s.Publisher = "Quillfen";
  s.Website = "http://example.org/";
  s.Stretch = false;
  s.Proportional = true;
  s.Sound = false;
  s.Random = false;
  s.Duration = 12;
  s.Transition = false;
  s.Zoom = true;
  s.LivingZoom = true;
  s.ZoomDuration = 9;
  s.AutoWallpaper = true;
  s.Speed = 240;
  s.Music = false;
  s.Animation = false;
  s.ShowImageMode = 3;
  s.PreviewFile = "C:\\a\\preview.jpg";
  s.MusicFile = "one.mid;two.mp3";
  s.MusicMode = 2;
  s.BuildMethod = 0;
  s.BuildFileName = "out.scr";
  s.BuildSmallThumbs = false;
  s.BuildIcon = "i.ico";
  s.BuildInstall = "setup";
  const std::string text = s.ToIniText();
  const ProjectSettings back = SettingFrom(text);
  EXPECT_EQ(back.ToIniText(), text);
  EXPECT_EQ(back.ProductName, "Sea Waves");
  EXPECT_EQ(back.Speed, 240);
  EXPECT_FALSE(back.BuildSmallThumbs);
  EXPECT_EQ(back.MusicFile, "one.mid;two.mp3");
  EXPECT_THAT(text, HasSubstr("[General]\r\nProductName=Sea Waves\r\n"));
  EXPECT_EQ(SettingFields().size(), 25u);
}

TEST(FileList, NamesInSectionOrderWithFlags) {
  ContentFileList list;
  list.LoadFromIni(IniFile::FromText("[FileListHeader]\r\nHeader=1\r\n[FileList]\r\n"
                                     "Zebra.jpg=1\r\nLPImage0.lpp=1\r\nAlpha.gif=yes\r\n"
                                     "Mid.bmp=0\r\nHex.lpp=0x2\r\n"),
                   "LPC.res");
  EXPECT_THAT(list.Names, ElementsAre("Zebra.jpg", "LPImage0.lpp", "Alpha.gif", "Mid.bmp", "Hex.lpp"));
  EXPECT_THAT(list.Flags, ElementsAre("TRUE", "TRUE", "FALSE", "FALSE", "TRUE"));
}

TEST(FileList, EmptySectionGivesEmptyLists) {
  ContentFileList list;
  list.LoadFromIni(IniFile::FromText("[FileList]\r\n"), "x");
  EXPECT_TRUE(list.Names.empty());
  EXPECT_TRUE(list.Flags.empty());
}

TEST(FileList, NamesThatLeaveTheWorkFolderAreRefused) {
  const char* bad[] = {"..\\x.jpg", "/etc/passwd", "..", "sub/pic.jpg", "C:pic.jpg"};
  for (const char* name : bad) {
    SCOPED_TRACE(name);
    ContentFileList list;
    try {
      list.LoadFromIni(IniFile::FromText(std::string("[FileList]\r\nok.jpg=1\r\n") + name + "=1\r\n"),
                       "LPC.res");
      FAIL() << "accepted";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.file(), "LPC.res");
      EXPECT_THAT(e.fault(), HasSubstr(name));
    }
  }
}

TEST(FileList, KeyListIsBoundedByTheSectionBuffer) {
  // 2,000 names of 9 characters take 20,000 bytes with their zeros: only those that fit in
  // 16,384 bytes (with the closing zero) are seen.
  std::string text = "[FileList]\r\n";
  for (int i = 0; i < 2000; ++i) text += Format("P%08d=1\r\n", i);
  ContentFileList list;
  list.LoadFromIni(IniFile::FromText(text), "x");
  EXPECT_EQ(list.Names.size(), (16384u - 1) / 10);
  EXPECT_EQ(list.Flags.size(), list.Names.size());
}

TEST(FileList, WrittenTextReadsBack) {
  ContentFileList list;
  list.Names = {"b.lpp", "a.jpg"};
  list.Flags = {"FALSE", "TRUE"};
  const std::string text = list.ToIniText();
  EXPECT_THAT(text, HasSubstr("[FileList]\r\nb.lpp=0\r\na.jpg=1\r\n"));
  EXPECT_THAT(text, HasSubstr("[FileListHeader]\r\nHeader=1\r\n"));
  ContentFileList back;
  back.LoadFromIni(IniFile::FromText(text), "x");
  EXPECT_EQ(back.Names, list.Names);
  EXPECT_EQ(back.Flags, list.Flags);
}

TEST(Project, LoadsTheThreeRecordsAndRemovesItsTemporaryFiles) {
  TempDir dir;
  ScreensaverProject src;
  src.FileList.Names = {"LPImage0.lpp", "beach.jpg"};
  src.FileList.Flags = {"TRUE", "FALSE"};
  src.Setting.ProductName = "Beach";
  src.Setting.Duration = 7;
  src.UISetting.UIFile = "C:\\authoring\\Main.lui";
  const auto path = dir.Write("LPC.res", src.ToRecordBytes());

  ScreensaverProject p;
  p.LoadFromFile(path);
  EXPECT_EQ(p.FileList.Names, src.FileList.Names);
  EXPECT_EQ(p.FileList.Flags, src.FileList.Flags);
  EXPECT_EQ(p.Setting.ProductName, "Beach");
  EXPECT_EQ(p.Setting.Duration, 7);
  EXPECT_EQ(p.UISetting.UIFile, "C:\\authoring\\Main.lui");
  EXPECT_TRUE(p.Warnings.empty());
  for (const char* n : {"~1.tmp", "~2.tmp", "~3.tmp"}) {
    EXPECT_FALSE(FileExists(GetTempFolder() + "LPLPC." + n)) << n;
  }
}

TEST(Project, RecordCountOtherThanThreeIsReportedAndDefaultsFillTheGap) {
  TempDir dir;
  PackageBuilder b;
  b.AddBytes("[FileList]\r\nonly.jpg=1\r\n");
  b.AddBytes("[Default]\r\nDuration=9\r\n");
  const auto path = dir.Write("LPC.res", b.ToBytes());
  ScreensaverProject p;
  p.LoadFromFile(path);
  EXPECT_THAT(p.FileList.Names, ElementsAre("only.jpg"));
  EXPECT_EQ(p.Setting.Duration, 9);
  EXPECT_EQ(p.UISetting.UIFile, "");
  ASSERT_EQ(p.Warnings.size(), 1u);
  EXPECT_THAT(p.Warnings[0], HasSubstr("2 records"));
}

TEST(Project, RecordWithoutPackageIsAnErrorNamingIt) {
  TempDir dir;
  const auto path = dir.Write("LPC.res", "[FileList]\r\nplain ini, no package\r\n");
  ScreensaverProject p;
  try {
    p.LoadFromFile(path);
    FAIL() << "no error";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.file(), path);
  }
}

TEST(Config, InstallPathFromLumenpoolIni) {
  TempDir dir;
  setenv("LPC_WINDOWS_DIR", dir.path().c_str(), 1);
  EXPECT_EQ(AuthoringToolConfig().GetInstallPath(), kDefaultInstallPath);
  dir.Write("Lumenpool.ini", "[CONFIG]\r\nPATH=D:\\Tools\\LP\\\r\n");
  EXPECT_EQ(AuthoringToolConfig().GetInstallPath(), "D:\\Tools\\LP\\");
  unsetenv("LPC_WINDOWS_DIR");
}

}  // namespace
}  // namespace lpc
