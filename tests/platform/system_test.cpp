// Services shared by the backends: the ini-backed registry, crash reports, exception details.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "base/fileio.h"
#include "platform/backends.h"
#include "platform/crash.h"
#include "platform/folders.h"
#include "platform/platform.h"
#include "platform/registry_ini.h"

namespace lpc::platform {
namespace {

TEST(IniRegistry, KeyPathsNormalise) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"Control Panel\\Desktop", "Control Panel\\Desktop"},
      {"\\Control Panel\\desktop", "Control Panel\\desktop"},
      {"\\\\Control Panel\\\\Desktop\\", "Control Panel\\Desktop"},
      {"Software/LPC", "Software\\LPC"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(IniRegistry::NormalKey(c.in), c.out) << c.in;
}

TEST(IniRegistry, ValuesAndMissingOnes) {
  IniRegistry reg("");
  EXPECT_FALSE(reg.KeyExists("Control Panel\\Desktop"));
  EXPECT_EQ(reg.ReadString("Control Panel\\Desktop", "TileWallpaper"), std::nullopt);
  ASSERT_TRUE(reg.WriteString("\\Control Panel\\desktop", "TileWallpaper", "0"));
  EXPECT_TRUE(reg.KeyExists("Control Panel\\Desktop"));
  EXPECT_EQ(reg.ReadString("control panel\\DESKTOP", "tilewallpaper"), "0");
  struct Case {
    const char* stored;
    std::optional<int32_t> read;
  };
  const Case cases[] = {{"1", 1}, {"0", 0}, {"-7", -7}, {"0x10", 16}, {"yes", std::nullopt},
                        {"", std::nullopt}};
  for (const Case& c : cases) {
    reg.WriteString("K", "V", c.stored);
    EXPECT_EQ(reg.ReadInteger("K", "V"), c.read) << c.stored;
  }
  EXPECT_EQ(reg.ReadInteger("K", "Missing"), std::nullopt);
}

// A profile's standard keys exist before anything is written to them, and without a write:
// the file is created only when a value is stored.
TEST(IniRegistry, ProfileKeysExistFromTheStart) {
  const std::string path = testing::TempDir() + "lpc_registry_profile.ini";
  std::remove(path.c_str());
  IniRegistry reg(path, StandardProfileKeys());
  EXPECT_TRUE(reg.KeyExists("\\Control Panel\\desktop"));
  EXPECT_FALSE(reg.KeyExists("Control Panel"));
  EXPECT_EQ(reg.ReadString("Control Panel\\Desktop", "TileWallpaper"), std::nullopt);
  EXPECT_FALSE(FileExists(path));
  ASSERT_TRUE(reg.WriteString("Control Panel\\Desktop", "TileWallpaper", "0"));
  EXPECT_EQ(IniRegistry(path).ReadString("control panel/DESKTOP", "TileWallpaper"), "0");
  std::remove(path.c_str());
}

TEST(IniRegistry, PersistsInItsFile) {
  const std::string path = testing::TempDir() + "lpc_registry_test.ini";
  std::remove(path.c_str());
  {
    IniRegistry reg(path);
    ASSERT_TRUE(reg.WriteInteger("Control Panel\\Desktop", "ScreenSaveUsePassword", 1));
  }
  IniRegistry again(path);
  EXPECT_EQ(again.ReadInteger("Control Panel\\Desktop", "ScreenSaveUsePassword"), 1);
  std::remove(path.c_str());
}

TEST(IniRegistry, UnwritableFileFailsSoftly) {
  IniRegistry reg("/proc/lpc-no-such-dir/registry.ini");
  EXPECT_FALSE(reg.WriteString("K", "V", "1"));
}

TEST(IniRegistry, DefaultPathFollowsXdgConfigHome) {
  const std::string base = testing::TempDir() + "lpc_xdg_test";
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", base.c_str(), 1);
  EXPECT_EQ(DefaultRegistryPath(), base + "/lpcsaver/registry.ini");
  EXPECT_TRUE(DirectoryExists(base + "/lpcsaver"));
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}

TEST(CurrentPlatform, ThrowsWhenNoneIsSet) {
  SetCurrent(nullptr);
  EXPECT_THROW(Current(), Error);
  auto p = CreatePlatform("headless");
  SetCurrent(p.get());
  EXPECT_EQ(&Current(), p.get());
  SetCurrent(nullptr);
}

// The backend table: the native backend first, every name once, rows found by their exact name
// only, and an unknown name answered with the names there are.
TEST(BackendTable, RowsByName) {
  EXPECT_EQ(DefaultBackend().name, "sdl");
  std::vector<std::string_view> names;
  for (const Backend& b : Backends()) {
    EXPECT_EQ(std::count(names.begin(), names.end(), b.name), 0) << b.name;
    names.push_back(b.name);
  }
  struct Case {
    std::string_view name;
    bool found;
  };
  const Case cases[] = {
      {"sdl", true}, {"headless", true}, {"Headless", false}, {"win32", false}, {"", false}};
  for (const Case& c : cases) {
    if (c.found) {
      EXPECT_EQ(FindBackend(c.name).name, c.name);
      EXPECT_TRUE(FindBackend(c.name).available()) << c.name;
      continue;
    }
    try {
      CreatePlatform(c.name);
      ADD_FAILURE() << c.name;
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), "Unknown platform backend \"" + std::string(c.name) +
                              "\" (this build has sdl, headless)");
    }
  }
}

// Asked for the system's fonts, the headless backend measures text as the fonts do, no longer
// in fixed cells of one width.
TEST(BackendTable, HeadlessWithTheSystemFonts) {
  const FontSpec font;
  for (bool system_fonts : {false, true}) {
    auto p = CreatePlatform("headless", {.system_fonts = system_fonts});
    const int narrow = p->Text().MeasureText("iiii", font).width;
    const int wide = p->Text().MeasureText("WWWW", font).width;
    EXPECT_EQ(narrow < wide, system_fonts) << narrow << " " << wide;
  }
}

// A child process installs the handler and dies of the signal; the parent reads the report.
TEST(CrashHandler, WritesAReportAndDiesOfTheSignal) {
  struct Case {
    int sig;
    const char* name;
  };
  const Case cases[] = {{SIGSEGV, "SIGSEGV"}, {SIGABRT, "SIGABRT"}, {SIGFPE, "SIGFPE"},
                        {SIGILL, "SIGILL"},   {SIGBUS, "SIGBUS"}};
  for (const Case& c : cases) {
    const std::string report = testing::TempDir() + "lpc_crash_" + c.name + ".txt";
    std::remove(report.c_str());
    // A link planted under the report's name: the report replaces the link, never its target.
    const std::string victim = report + ".victim";
    WriteFileBytes(victim, "precious");
    std::filesystem::create_symlink(victim, report);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      InstallCrashHandler(report, "LPCSaver 9.8.7 test");
      raise(c.sig);
      _exit(0);  // not reached
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << c.name;
    EXPECT_EQ(WTERMSIG(status), c.sig) << c.name;
    const std::string text = ReadFileBytes(report);
    EXPECT_NE(text.find("Signal: " + std::to_string(c.sig) + " " + c.name), std::string::npos)
        << text;
    EXPECT_NE(text.find("Version: LPCSaver 9.8.7 test"), std::string::npos);
    EXPECT_NE(text.find("Backtrace:\n"), std::string::npos);
    EXPECT_GT(text.size(), text.find("Backtrace:\n") + 12);  // at least one frame
    EXPECT_FALSE(std::filesystem::is_symlink(report));
    EXPECT_EQ(ReadFileBytes(victim), "precious");
    std::remove(report.c_str());
    std::remove(victim.c_str());
  }
}

// A stop in the middle of a write also takes away the write's temporary file.
TEST(StopHandler, EverySignalToStopRunsTheCleanUpAndEndsTheProcess) {
  const std::string dir = testing::TempDir() + "lpc_stop_writes/";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  for (const int sig : {SIGHUP, SIGTERM, SIGINT, SIGUSR1}) {
    const std::string marker = testing::TempDir() + "lpc_stop_" + std::to_string(sig);
    std::remove(marker.c_str());
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      InstallStopHandler([marker] { WriteFileBytes(marker, "cleaned"); });
      AtomicFileWriter half_written(dir + "Sea.ini");
      half_written.Write(std::string(1 << 20, 'x'));
      kill(getpid(), sig);  // as from outside: taken by the handler's thread
      for (;;) pause();
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    // Ended by the signal itself after the clean-up, as hosts expect of a program they stop.
    ASSERT_TRUE(WIFSIGNALED(status)) << sig;
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_EQ(ReadFileBytes(marker), "cleaned");
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    std::remove(marker.c_str());
  }
  std::filesystem::remove_all(dir);
}

TEST(ProgramPath, ThePathTheProgramWasStartedByWithItsLinks) {
  const std::string dir = testing::TempDir() + "lpc_program_path/";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  WriteFileBytes(dir + "Probe.scr", "MZ");
  std::filesystem::permissions(dir + "Probe.scr", std::filesystem::perms::owner_all);
  std::filesystem::create_symlink(dir + "Probe.scr", dir + "Sea.Waves.scr");
  const std::string cwd = std::filesystem::current_path().string();
  std::filesystem::current_path(dir);
  const char* old_path = std::getenv("PATH");
  const std::string saved_path = old_path ? old_path : "";
  setenv("PATH", ("/nonexistent:" + dir).c_str(), 1);
  const struct {
    std::string argv0;
    std::string path;
  } cases[] = {
      {dir + "Sea.Waves.scr", dir + "Sea.Waves.scr"},  // through a link: the link's name
      {"./Sea.Waves.scr", dir + "Sea.Waves.scr"},      // relative: made absolute
      {"Sea.Waves.scr", dir + "Sea.Waves.scr"},        // found on $PATH
  };
  for (const auto& c : cases) EXPECT_EQ(ProgramPath(c.argv0), c.path) << c.argv0;
  // Nothing usable: the running program itself.
  EXPECT_EQ(ProgramPath("no such program"), ProgramPath());
  EXPECT_EQ(std::filesystem::path(ProgramPath()).filename(), "test_platform");
  setenv("PATH", saved_path.c_str(), 1);
  std::filesystem::current_path(cwd);
  std::filesystem::remove_all(dir);
}

TEST(CrashHandler, LongTextsAreCutNotOverflowed) {
  const std::string report = testing::TempDir() + "lpc_crash_long.txt";
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    InstallCrashHandler(report, std::string(5000, 'v'));
    raise(SIGABRT);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  const std::string text = ReadFileBytes(report);
  EXPECT_NE(text.find(std::string(511, 'v') + "\n"), std::string::npos);
  std::remove(report.c_str());
}

TEST(ExceptionDetails, NameTypeVersionAndStack) {
  try {
    throw FormatError("pics.lpp", "the mask is larger than the file");
  } catch (const std::exception& e) {
    const std::string text = DescribeException(e, "LPCSaver 1.2.3");
    EXPECT_NE(text.find("Error: pics.lpp: the mask is larger than the file"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Type: lpc::FormatError"), std::string::npos) << text;
    EXPECT_NE(text.find("Version: LPCSaver 1.2.3"), std::string::npos);
    EXPECT_NE(text.find("Backtrace:\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace lpc::platform
