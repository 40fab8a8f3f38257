// The wallpaper service on the headless platform, and the thumbnail strip's colour shading.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "base/errors.h"
#include "base/fileio.h"
#include "imaging/picture.h"
#include "package/temp_dir.h"
#include "platform/headless/headless_platform.h"
#include "presentation/wallpaper.h"

namespace lpc {
namespace {

TEST(DarkenColor, ChannelRuleTruncatesAndClamps) {
  struct Case {
    Color c1, c2;
    int p;
    Color want;
  };
  const Case cases[] = {
      {0x000000, 0xFFFFFF, 20, 0xCCCCCC},   // 255 - 5100 div 100 = 204 per channel
      {0x123456, 0x89ABCD, 0, 0x89ABCD},    // p = 0 gives C2, whatever C1 is
      {0xFFFFFF, 0x89ABCD, 70, 0x89ABCD},   // white has no darkness to lend
      {0x000000, 0xFFFFFF, 100, 0x000000},  // p = 100 with black C1: black
      {0x000000, 0x808080, 100, 0x000000},  // 255 - (25500 + 12700) div 100 = -127 -> 0
      {0x000000, 0xFFFFFF, -50, 0xFFFFFF},  // 255 + 127 -> 255
      {0x010203, 0xFFFFFF, 1, 0xFDFDFD},    // 255 - 254 div 100 = 253: truncated, not rounded
      {0xFE0000, 0xFF0000, 99, 0xFF0000},   // 255 - 99 div 100 = 255 on red; others as C2
      {0x808080, 0x808080, 50, 0x414141},   // 255 - (6350 + 12700) div 100 = 65
      {0x000000, 0xFFFFFF, INT_MAX, 0x000000},
      {0x000000, 0x000000, INT_MIN, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DarkenColor(c.c1, c.c2, c.p), c.want)
        << std::hex << c.c1 << " " << c.c2 << " " << std::dec << c.p;
  }
}

class WallpaperTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetCurrent(&p_); }
  void TearDown() override { platform::SetCurrent(nullptr); }

  static Bitmap Picture(Color a, Color b) {
    Bitmap bmp(3, 2, a);
    bmp.At(2, 1) = b;
    return bmp;
  }
  std::string Tile() {
    return p_.ReadRegistryString("Control Panel\\Desktop", "TileWallpaper").value_or("<none>");
  }

  platform::HeadlessPlatform p_;
  testing_support::TempDir dir_;
};

TEST_F(WallpaperTest, FileBesideTheProgram) {
  EXPECT_EQ(WallpaperFileName("/usr/games/Sea.scr"), "/usr/games/Sea.scr.bmp");
  EXPECT_EQ(WallpaperFileName("C:\\Windows\\Sea.scr"), "C:\\Windows\\Sea.scr.bmp");
}

TEST_F(WallpaperTest, WritesTheFileUntiledAndSetsItEachTime) {
  const std::string file = WallpaperFileName(dir_ / "Sea.scr");
  p_.WriteRegistryString("\\Control Panel\\desktop", "TileWallpaper", "1");
  p_.WriteRegistryString("\\Control Panel\\desktop", "WallpaperStyle", "2");
  // The second run replaces the first picture in the same file.
  for (const Color c : {0xFF0000u, 0x00FF00u}) {
    const Bitmap picture = Picture(c, 0x0000FF);
    EXPECT_EQ(SetDesktopWallpaper(picture, file), WallpaperResult::kSet);
    EXPECT_EQ(DecodeBmp(ReadFileBytes(file), file), picture);
    EXPECT_EQ(p_.wallpaper_picture(), picture);
    EXPECT_EQ(Tile(), "0");
  }
  EXPECT_EQ(p_.ReadRegistryString("Control Panel\\Desktop", "WallpaperStyle"), "2");
  EXPECT_EQ(p_.system_log(), (std::vector<std::string>{"wallpaper " + file, "wallpaper " + file}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(WallpaperTest, WhatTheCallerIsToldWhenTheDesktopIsNotChanged) {
  // Without the desktop key (the headless registry starts empty) the file is still written,
  // and nothing else happens.
  const std::string file = dir_ / "Sea.scr.bmp";
  EXPECT_EQ(SetDesktopWallpaper(Picture(0xFF0000, 0), file), WallpaperResult::kNoDesktopKey);
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(p_.RegistryKeyExists("Control Panel\\Desktop"));
  EXPECT_TRUE(p_.system_log().empty());

  // A host that cannot set it: the caller is to tell the user where the picture is.
  p_.WriteRegistryString("Control Panel\\Desktop", "Wallpaper", "");
  p_.SetWallpaperSupported(false);
  EXPECT_EQ(SetDesktopWallpaper(Picture(0xFF0000, 0), file), WallpaperResult::kNotSupported);
  EXPECT_EQ(Tile(), "0");
  EXPECT_EQ(p_.system_log(), std::vector<std::string>{"wallpaper " + file + " failed"});
  EXPECT_NE(WallpaperNotSetText(file).find("\"" + file + "\""), std::string::npos);
}

TEST_F(WallpaperTest, APictureThatCannotBeSavedChangesNothing) {
  p_.WriteRegistryString("Control Panel\\Desktop", "TileWallpaper", "1");
  const std::string blocker = dir_.Write("plain file", "x");
  struct Case {
    std::string file;
    Bitmap picture;
  };
  const Case cases[] = {
      {dir_ / "no such folder/Sea.scr.bmp", Picture(1, 2)},
      {blocker + "/Sea.scr.bmp", Picture(1, 2)},
      {dir_ / "Sea.scr.bmp", Bitmap()},
  };
  for (const Case& c : cases) {
    try {
      SetDesktopWallpaper(c.picture, c.file);
      ADD_FAILURE() << c.file;
    } catch (const IOError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.file + ": ", 0), 0u) << e.what();
    }
    EXPECT_FALSE(FileExists(c.file));
  }
  EXPECT_EQ(Tile(), "1");
  EXPECT_TRUE(p_.system_log().empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

}  // namespace
}  // namespace lpc
