#include "package/work_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <chrono>
#include <functional>
#include <thread>

#include "base/errors.h"
#include "base/fileio.h"
#include "package/temp_dir.h"
#include "platform/folders.h"

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

TEST_F(WorkFolder, NamedAfterTheProgramCutAtItsFirstDotAndItsPath) {
  TempDir elsewhere("_elsewhere");
  std::filesystem::create_directory(programs_.path() + "/Sea.scr");  // a folder of that name
  const struct {
    std::string exe;
    const char* folder;
  } cases[] = {{programs_.path() + "/Sea Waves.scr", "Sea Waves-"},
               {programs_.path() + "/Sea.Waves.scr", "Sea-"},
               {programs_.path() + "/plain", "plain-"},
               // One base name, three programs: three folders.
               {elsewhere.path() + "/Sea.scr", "Sea-"},
               {programs_.path() + "/Sea.scr/Sea.scr", "Sea-"}};
  std::vector<std::string> seen;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exe);
    WriteFileBytes(c.exe, "MZ");
    const std::string folder = GetWorkFolderFor(c.exe);
    EXPECT_EQ(folder, temp_.path() + "/" + c.folder + ProgramPathTag(c.exe) + "/");
    EXPECT_EQ(ProgramPathTag(c.exe).size(), 8u);
    EXPECT_TRUE(DirectoryExists(folder));
    // A second call finds the folder in place.
    EXPECT_EQ(GetWorkFolderFor(c.exe), folder);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), folder), 0);
    seen.push_back(folder);
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
  const std::string exe = programs_.Write("Sea.scr", "MZ");
  const std::string folder = GetWorkFolderFor(exe);
  EXPECT_EQ(folder, deep + "/Sea-" + ProgramPathTag(exe) + "/");
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

namespace lpc {
namespace {

namespace fs = std::filesystem;

// Stale folders are cleaned by name, as the runtime does with its own file list.
void RemoveKnownFiles(const std::string& folder) {
  for (const char* name : {"LPC.res", "a.jpg"}) fs::remove(folder + name);
}

TEST_F(WorkFolder, EachInstanceHoldsAFolderOfItsOwn) {
  const std::string base = temp_.path() + "/Sea/";
  auto first = PrivateWorkFolder::Claim(base, RemoveKnownFiles);
  auto second = PrivateWorkFolder::Claim(base, RemoveKnownFiles);
  EXPECT_EQ(first->Path(), base);
  EXPECT_EQ(second->Path(), temp_.path() + "/Sea.2/");
  first->CreateOutput(first->Path() + "a.jpg") << "first";
  second->CreateOutput(second->Path() + "a.jpg") << "second";
  // The second ends first: the first's files stay.
  second.reset();
  EXPECT_FALSE(fs::exists(temp_.path() + "/Sea.2"));
  EXPECT_EQ(ReadFileBytes(base + "a.jpg"), "first");
  // A third start finds the named folder busy and takes the free sibling.
  auto third = PrivateWorkFolder::Claim(base, RemoveKnownFiles);
  EXPECT_EQ(third->Path(), temp_.path() + "/Sea.2/");
  first->Remove();
  EXPECT_FALSE(fs::exists(base));
  EXPECT_THROW(first->CreateOutput(base + "late.jpg"), IOError) << "nothing after the end";
  EXPECT_FALSE(fs::exists(base));
}

TEST_F(WorkFolder, LeftoversOfInstancesThatAreGoneAreRemoved) {
  // Folders of killed instances: files of this and of older packages (names the current one
  // does not know), a link, and a lock file that nobody holds.
  const std::string precious = programs_.Write("precious.txt", "mine");
  for (const char* name : {"Sea", "Sea.3", "Sea.16"}) {
    const std::string folder = temp_.path() + "/" + name + "/";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
    WriteFileBytes(folder + "LPC.res", "old");
    WriteFileBytes(folder + "a.jpg", "old");
    WriteFileBytes(folder + "old track.mp3", "older package");
    fs::create_symlink(programs_.path(), folder + "linked");
    WriteFileBytes(folder + platform::kFolderLockName, "");
  }
  auto work = PrivateWorkFolder::Claim(temp_.path() + "/Sea/",
                                       [](const std::string& f) { EmptyWorkFolder(f); });
  EXPECT_EQ(work->Path(), temp_.path() + "/Sea/");
  EXPECT_EQ(std::distance(fs::directory_iterator(work->Path()), fs::directory_iterator()), 1)
      << "only the lock";
  EXPECT_FALSE(fs::exists(temp_.path() + "/Sea.3"));
  EXPECT_FALSE(fs::exists(temp_.path() + "/Sea.16"));
  EXPECT_EQ(ReadFileBytes(precious), "mine");
  // Never the temporary folder itself nor a folder outside it.
  EXPECT_FALSE(EmptyWorkFolder(temp_.path() + "/"));
  EXPECT_FALSE(EmptyWorkFolder(programs_.path()));
  EXPECT_EQ(ReadFileBytes(precious), "mine");
}

// A stop signal may come while a start is still claiming and cleaning folders: it must wait for
// the claim and then take everything the claim holds, and no folder may be made after it. In a
// child process, since a stop is for good.
TEST_F(WorkFolder, AStopDuringAClaimLeavesNothing) {
  const std::string base = temp_.path() + "/Sea/";
  fs::create_directory(temp_.path() + "/Sea.2");
  fs::permissions(temp_.path() + "/Sea.2", fs::perms::owner_all, fs::perm_options::replace);
  WriteFileBytes(temp_.path() + "/Sea.2/a.jpg", "killed instance's");
  EXPECT_EXIT(
      {
        std::thread stop;
        auto work = PrivateWorkFolder::Claim(base, [&stop](const std::string& folder) {
          RemoveKnownFiles(folder);
          stop = std::thread(PrivateWorkFolder::RemoveActive);
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        });
        stop.join();
        bool refused = false;
        try {
          PrivateWorkFolder::Claim(base, RemoveKnownFiles);
        } catch (const IOError&) {
          refused = true;
        }
        std::exit(refused && fs::is_empty(temp_.path()) ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(WorkFolder, PlantedLinksAreNeverFollowed) {
  TempDir victim("_victim");
  const std::string target = victim.Write("precious.txt", "mine");
  const std::string base = temp_.path() + "/Sea";
  struct Case {
    const char* name;
    std::function<void()> plant;
  };
  const Case cases[] = {
      {"the work folder is a link to another folder",
       [&] { fs::create_directory_symlink(victim.path(), base); }},
      {"the work folder is open to others",
       [&] {
         fs::create_directory(base);
         fs::permissions(base, fs::perms::all, fs::perm_options::replace);
       }},
      {"a file of the package is a link",
       [&] {
         fs::create_directory(base);
         fs::permissions(base, fs::perms::owner_all, fs::perm_options::replace);
         fs::create_symlink(target, base + "/a.jpg");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.plant();
    {
      auto work = PrivateWorkFolder::Claim(base + "/", RemoveKnownFiles);
      const bool same = work->Path() == base + "/";
      EXPECT_EQ(same, std::string(c.name) == "a file of the package is a link");
      work->CreateOutput(work->Path() + "a.jpg") << "picture";
      EXPECT_EQ(ReadFileBytes(work->Path() + "a.jpg"), "picture");
    }
    EXPECT_EQ(ReadFileBytes(target), "mine");
    fs::remove_all(base);
  }
}

}  // namespace
}  // namespace lpc
