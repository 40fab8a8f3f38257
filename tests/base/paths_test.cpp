#include "base/paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "base/fileio.h"

namespace lpc {
namespace {

TEST(PathsTest, FileNameParts) {
  EXPECT_EQ(ExtractFileName("C:\\Savers\\Sea Waves.scr"), "Sea Waves.scr");
  EXPECT_EQ(ExtractFileName("/home/a/b.lpp"), "b.lpp");
  EXPECT_EQ(ExtractFileName("C:x.jpg"), "x.jpg");
  EXPECT_EQ(ExtractFilePath("C:\\a\\b.txt"), "C:\\a\\");
  EXPECT_EQ(ExtractFileExt("a.b\\c"), "");
  EXPECT_EQ(UpperFileExt("pic.Jpeg"), ".JPEG");
  EXPECT_EQ(ChangeFileExt("C:\\Windows\\Harbour Lights.scr", ".ini"),
            "C:\\Windows\\Harbour Lights.ini");
  EXPECT_EQ(ChangeFileExt("/x/noext", ".ini"), "/x/noext.ini");
}

TEST(PathsTest, FileNameStem) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"LPC.res", "LPC."}, {"a.b.c", "a.b."}, {"name.", ""}, {"x.", ""},
               {"noext", ""},       {"", ""},          {"dir.d\\file", ""}, {"C:\\t\\LPC.res", "LPC."}};
  for (const auto& c : cases) EXPECT_EQ(FileNameStem(c.in), c.out) << c.in;
}

TEST(PathsTest, SafeFileNames) {
  for (const char* bad : {"", ".", "..", "...", "..\\x", "/etc/x", "a/b", "C:x", "a\nb", " .. "}) {
    EXPECT_FALSE(IsSafeFileName(bad)) << bad;
  }
  for (const char* good : {"a.jpg", "My Saver.scr", "..x", "x.."}) {
    EXPECT_TRUE(IsSafeFileName(good)) << good;
  }
}

TEST(PathsTest, FileKinds) {
  EXPECT_EQ(FileKindOf("a.LpP"), FileKind::kPackedImage);
  EXPECT_EQ(FileKindOf("a.jpeg"), FileKind::kJpeg);
  EXPECT_EQ(FileKindOf("a.gif"), FileKind::kGif);
  EXPECT_EQ(FileKindOf("a.mp3"), FileKind::kOther);
  EXPECT_TRUE(IsPlainPicture("x.BMP"));
  EXPECT_FALSE(IsPlainPicture("x.png"));
}

// lpctool's paths are UTF-8 (converted for the wide calls on Windows); here a path is the
// file's name byte for byte, whatever it holds.
TEST(PathsTest, FileSystemNamesKeepTheirBytes) {
  UseUtf8Paths();
  const std::string dir = ::testing::TempDir() + "lpc_paths_" + std::to_string(getpid()) + "/";
  std::filesystem::create_directories(dir);
  for (const std::string name : {"plain.jpg", "with space.scr", "\xC3\x8Ele de R\xC3\xA9.jpg",
                                 "\xCEle.jpg" /* Windows-1252, not UTF-8 */}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(PathText(FsPath(dir + name)), dir + name);
    WriteFileAtomic(dir + name, name);
    EXPECT_TRUE(FileExists(dir + name));
    EXPECT_EQ(ReadFileBytes(dir + name), name);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir + name)));
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lpc
