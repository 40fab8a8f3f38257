#include "package/work_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "base/errors.h"
#include "base/fileio.h"
#include "package/temp_dir.h"

namespace lpc {
namespace {

using testing_support::TempDir;

// The temporary folder is pointed at a test folder so that work folders land there.
class WorkFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    if (old) saved_ = old;
    had_ = old != nullptr;
    setenv("TMPDIR", (temp_.path() + "/").c_str(), 1);
  }
  void TearDown() override {
    if (had_) {
      setenv("TMPDIR", saved_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  TempDir temp_{"_temp"};
  TempDir programs_{"_programs"};
  std::string saved_;
  bool had_ = false;
};

TEST_F(WorkFolder, NamedAfterTheProgramCutAtItsFirstDot) {
  const struct {
    const char* exe;
    const char* folder;
  } cases[] = {{"Sea Waves.scr", "Sea Waves/"}, {"Sea.Waves.scr", "Sea/"}, {"plain", "plain/"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exe);
    const auto exe = programs_.Write(c.exe, "MZ");
    const std::string folder = GetWorkFolderFor(exe);
    EXPECT_EQ(folder, temp_.path() + "/" + c.folder);
    EXPECT_TRUE(DirectoryExists(folder));
    // A second call finds the folder in place.
    EXPECT_EQ(GetWorkFolderFor(exe), folder);
  }
}

TEST_F(WorkFolder, NeverTheTemporaryFolderItself) {
  // A missing program or one whose name starts with a dot would make the temporary folder
  // the work folder, whose files are deleted after the run.
  EXPECT_THROW(GetWorkFolderFor(programs_ / "missing.scr"), Error);
  EXPECT_THROW(GetWorkFolderFor(programs_.Write(".scr", "MZ")), Error);
}

TEST_F(WorkFolder, LongTemporaryFolderIsUsedWhole) {
  // No fixed-size buffer: a temporary folder of more than 200 characters is not cut.
  const std::string deep = temp_.path() + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
  std::filesystem::create_directories(deep);
  setenv("TMPDIR", deep.c_str(), 1);
  const std::string folder = GetWorkFolderFor(programs_.Write("Sea.scr", "MZ"));
  EXPECT_EQ(folder, deep + "/Sea/");
  EXPECT_TRUE(DirectoryExists(folder));
}

TEST_F(WorkFolder, TempFolderEndsInASeparator) {
  const std::string t = GetTempFolder();
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(t.back(), '/');
}

TEST(LongFileName, EmptyForWildcardsNetworkPathsAndMissingFiles) {
  TempDir dir;
  const auto f = dir.Write("Sea Waves.scr", "MZ");
  EXPECT_EQ(GetLongFileName(f), f);
  EXPECT_EQ(GetLongFileName(dir / "absent.scr"), "");
  EXPECT_EQ(GetLongFileName(dir / "*.scr"), "");
  EXPECT_EQ(GetLongFileName(dir / "Sea?Waves.scr"), "");
  EXPECT_EQ(GetLongFileName("\\\\server\\share\\x.scr"), "");
}

}  // namespace
}  // namespace lpc
