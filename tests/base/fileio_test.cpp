#include "base/fileio.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "base/errors.h"

namespace lpc {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class FileWrites : public ::testing::Test {
 public:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("lpc_fileio_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  // Names in the folder that look like a write's leftovers.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (e.path().filename().string().find(".tmp") != std::string::npos) {
        found.push_back(e.path().filename().string());
      }
    }
    return found;
  }
  static mode_t Mode(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
  fs::path dir_;
};

// What stands under the name before the write, the rule, and what must be true after it.
TEST_F(FileWrites, LinksModesAndFailuresUnderEachRule) {
  const bool root = geteuid() == 0;
  const struct {
    const char* name;
    std::function<void(FileWrites&)> plant;
    LinkRule rule;
    const char* fails;   // "" when the write succeeds
    const char* victim;  // what "victim" holds afterwards
    bool still_link;     // "settings.ini" is a link afterwards
    mode_t mode;         // of the file written (0: not checked)
  } cases[] = {
      {"a new file", [](FileWrites&) {}, LinkRule::kFollowOwn, "", "precious", false, 0},
      {"an existing 600 file keeps its mode",
       [](FileWrites& t) {
         WriteFileBytes(t.P("settings.ini"), "old");
         chmod(t.P("settings.ini").c_str(), 0600);
       },
       LinkRule::kFollowOwn, "", "precious", false, 0600},
      {"the user's own link is written through and stays",
       [](FileWrites& t) {
         chmod(t.P("victim").c_str(), 0640);
         fs::create_symlink("victim", t.dir_ / "settings.ini");
       },
       LinkRule::kFollowOwn, "", "new", true, 0640},
      {"a link to a link to a new file",
       [](FileWrites& t) {
         fs::create_symlink("hop", t.dir_ / "settings.ini");
         fs::create_symlink("fresh", t.dir_ / "hop");
       },
       LinkRule::kFollowOwn, "", "precious", true, 0},
      {"a link to a folder",
       [](FileWrites& t) {
         fs::create_directory(t.dir_ / "folder");
         fs::create_symlink("folder", t.dir_ / "settings.ini");
       },
       LinkRule::kFollowOwn, "settings.ini: cannot write the file (it is a folder)", "precious",
       true, 0},
      {"a link that loops",
       [](FileWrites& t) { fs::create_symlink("settings.ini", t.dir_ / "settings.ini"); },
       LinkRule::kFollowOwn, "too many levels of links", "precious", true, 0},
      {"another user's link is refused",
       [](FileWrites& t) {
         fs::create_symlink("victim", t.dir_ / "settings.ini");
         EXPECT_EQ(lchown(t.P("settings.ini").c_str(), 65534, 65534), 0);
       },
       LinkRule::kFollowOwn, "is a link that belongs to another user", "precious", true, 0},
      {"a report replaces a link, never its target",
       [](FileWrites& t) { fs::create_symlink("victim", t.dir_ / "settings.ini"); },
       LinkRule::kReplace, "", "precious", false, 0},
      {"no such folder", [](FileWrites&) {}, LinkRule::kFollowOwn,
       "cannot write the file (No such file or directory)", "precious", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name).find("another user") != std::string::npos && !root) continue;
    for (const auto& e : fs::directory_iterator(dir_)) fs::remove_all(e.path());
    WriteFileBytes(P("victim"), "precious");
    c.plant(*this);
    const std::string target =
        std::string(c.name) == "no such folder" ? P("none/settings.ini") : P("settings.ini");
    try {
      WriteFileAtomic(target, "new", c.rule);
      EXPECT_STREQ(c.fails, "");
      EXPECT_EQ(ReadFileBytes(target), "new");
    } catch (const IOError& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.fails));
      EXPECT_NE(std::string(c.fails), "");
      // The name the caller knows, never a temporary one.
      EXPECT_THAT(e.what(), HasSubstr(target + ":"));
      EXPECT_EQ(std::string(e.what()).find(".tmp"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(P("victim")), c.victim);
    EXPECT_EQ(fs::is_symlink(fs::symlink_status(target)), c.still_link);
    if (c.mode != 0) {
      EXPECT_EQ(Mode(target), c.mode);
    }
    EXPECT_THAT(Leftovers(), ::testing::IsEmpty());
  }
}

// Two files replaced together: when the second cannot be, the first gets its bytes back, and a
// writer dropped before its commit leaves nothing.
TEST_F(FileWrites, TogetherOrNotAtAll) {
  WriteFileBytes(P("mask.png"), "earlier mask");
  {
    AtomicFileWriter mask(P("mask.png"));
    AtomicFileWriter overlay(P("overlay.png"));
    mask.Write("new mask");
    overlay.Write("new overlay");
    fs::create_directory(dir_ / "overlay.png");  // taken by a folder in between
    fs::create_directory(dir_ / "overlay.png" / "inside");
    EXPECT_THROW(CommitTogether({&mask, &overlay}), IOError);
  }
  EXPECT_EQ(ReadFileBytes(P("mask.png")), "earlier mask");
  { AtomicFileWriter dropped(P("dropped.png")); }
  EXPECT_FALSE(fs::exists(dir_ / "dropped.png"));
  EXPECT_THAT(Leftovers(), ::testing::IsEmpty());
}

// Reading says why it failed: a missing file, and one the user may not read (tried as another
// user when the test runs as root, who may read everything).
TEST_F(FileWrites, ReadFailuresSayWhy) {
  EXPECT_THROW(ReadFileBytes(P("missing")), FileNotFoundError);
  WriteFileBytes(P("closed.ini"), "[Setting]");
  chmod(P("closed.ini").c_str(), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(3);
    try {
      ReadFileBytes(P("closed.ini"));
    } catch (const FileNotFoundError&) {
      _exit(1);
    } catch (const IOError& e) {
      _exit(std::string(e.what()) == P("closed.ini") + ": cannot read the file (Permission denied)"
                ? 0
                : 2);
    }
    _exit(4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace lpc
