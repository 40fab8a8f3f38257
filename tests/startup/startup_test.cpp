// Whole starts of the program on the headless platform: command line, unpacking, the modes,
// clean-up and error reporting.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "package/package.h"
#include "package/work_folder.h"
#include "presentation/show_fixture.h"
#include "startup/startup.h"

namespace lpc {
namespace {

namespace fs = std::filesystem;
using platform::HeadlessPlatform;
using platform::HeadlessWindow;

TEST(CommandLine, OnlyTheFirstTwoUpperCasedCharactersCount) {
  struct Case {
    const char* argument;
    RunMode mode;
  } cases[] = {
      {"", RunMode::kConfigure},       {"s", RunMode::kRun},
      {"/s", RunMode::kRun},           {"-S", RunMode::kRun},
      {"/SAVER", RunMode::kRun},       {"/save", RunMode::kRun},
      {"SX", RunMode::kNone},          {"/X", RunMode::kNone},
      {"/c", RunMode::kConfigure},     {"C", RunMode::kConfigure},
      {"-c:123", RunMode::kConfigure}, {"/p", RunMode::kPreview},
      {"/P:1234", RunMode::kPreview},  {"p", RunMode::kPreview},
      {"/a", RunMode::kPassword},      {"A", RunMode::kPassword},
      {"AS", RunMode::kNone},          {"//S", RunMode::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModeOf(ModeSwitchOf(c.argument)), c.mode) << c.argument;
  }
  const struct {
    std::vector<std::string> arguments;
    const char* window;
  } windows[] = {
      {{"/p", "1234"}, "1234"}, {{"/p:1234"}, "1234"},  {{"-P:1234", "99"}, "1234"},
      {{"-p", "1234"}, "1234"}, {{"/c:0x1F"}, "0X1F"},  {{"/c"}, ""},
      {{"/s"}, ""},             {{"/p:"}, ""},          {{}, ""},
  };
  for (const auto& w : windows) {
    EXPECT_EQ(WindowArgumentOf(w.arguments), w.window) << w.arguments.size();
  }
  EXPECT_EQ(ExeBaseNameOf("/savers/Sea.Waves.scr"), "Sea");
  EXPECT_EQ(ExeBaseNameOf("C:\\Savers\\My Saver.Deluxe.scr"), "My Saver");
  EXPECT_EQ(ExeBaseNameOf("/savers/lpcsaver"), "lpcsaver");
}

// A hosted window that leaves what it showed behind when it goes.
class KeptWindow : public platform::Window {
 public:
  KeptWindow(std::unique_ptr<platform::Window> inner, Bitmap& sink)
      : inner_(std::move(inner)), sink_(sink) {}
  ~KeptWindow() override { sink_ = static_cast<HeadlessWindow&>(*inner_).screen(); }
  using platform::Window::Present;
  Size ClientSize() const override { return inner_->ClientSize(); }
  void Present(const Bitmap& b, const Rect& src, int x, int y) override {
    inner_->Present(b, src, x, y);
  }
  void FillRect(const Rect& r, Color c) override { inner_->FillRect(r, c); }
  void SetCaption(const std::string& c) override { inner_->SetCaption(c); }
  std::string Caption() const override { return inner_->Caption(); }
  bool IsVisible() const override { return inner_->IsVisible(); }
  void Invalidate() override { inner_->Invalidate(); }
  platform::NativeHandle Handle() const override { return inner_->Handle(); }
  void SetHandler(platform::WindowHandler* h) override { inner_->SetHandler(h); }
  bool Close(int result) override { return inner_->Close(result); }
  bool IsClosed() const override { return inner_->IsClosed(); }

 private:
  std::unique_ptr<platform::Window> inner_;
  Bitmap& sink_;
};

class RecordingPlatform : public HeadlessPlatform {
 public:
  std::unique_ptr<platform::Window> OpenWindow(const platform::WindowOptions& options,
                                               platform::WindowHandler* handler) override {
    auto window = HeadlessPlatform::OpenWindow(options, handler);
    if (!window || options.kind != platform::WindowKind::kHosted) return window;
    return std::make_unique<KeptWindow>(std::move(window), hosted_shown);
  }
  Bitmap hosted_shown;
};

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    old_tmpdir_ = old ? old : "";
    had_tmpdir_ = old != nullptr;
    setenv("TMPDIR", dir_.Path().c_str(), 1);
    platform::SetCurrent(&platform_);
    project_.Setting.Duration = 5;
    project_.Setting.ShowImageMode = 1;
    project_.Setting.Music = false;
  }
  void TearDown() override {
    platform::SetCurrent(nullptr);
    if (had_tmpdir_) {
      setenv("TMPDIR", old_tmpdir_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

  void AddContent(const std::string& name, std::string bytes, bool picture = true) {
    contents_.emplace_back(name, std::move(bytes));
    if (picture) {
      project_.FileList.Names.push_back(name);
      project_.FileList.Flags.push_back(kFlagTrue);
    }
  }
  // Writes the program: some bytes standing for the runtime, then its package.
  std::string WriteProgram(const std::string& name = "Sea.Waves.scr") {
    PackageBuilder files;
    std::string names;
    for (const auto& [file, bytes] : contents_) {
      names += "C:\\Authoring\\" + file + "\r\n";
      files.AddBytes(bytes);
    }
    project_.UISetting.UIFile = "C:\\Authoring\\My.lui";
    PackageBuilder package;
    package.AddBytes(project_.ToRecordBytes());
    package.AddBytes(names_ ? *names_ : names);
    package.AddPackage(std::move(files));
    package.AddBytes(ui_);
    const std::string path = dir_.File(name);
    WriteFileBytes(path, std::string(5000, 'x') + package.ToBytes());
    return path;
  }
  int Run(const std::string& exe, std::vector<std::string> args) {
    startup_.Arguments = std::move(args);
    startup_.ExePath = exe;
    startup_.MakePlatform = [this] {
      ++platforms_made_;
      return &platform_;
    };
    return RunMain(startup_);
  }
  platform::Window& Top() { return *platform_.loop().TopModal(); }
  void CloseByMouseAt(uint32_t t) {
    for (int i = 0; i < 7; ++i) {
      platform_.Schedule(t + i, [this, i] {
        platform_.QueueMouseMove(platform_.Ticks(), Top(), i < 6 ? 10 : 90, 10);
      });
    }
  }
  std::string WorkFolder() {
    return dir_.Path() + "Sea-" + ProgramPathTag(dir_.File("Sea.Waves.scr")) + "/";
  }

  testing::TempFolder dir_{"startup"};
  RecordingPlatform platform_;
  ScreensaverProject project_;
  std::vector<std::pair<std::string, std::string>> contents_;
  std::optional<std::string> names_;  // "LPFilenames.res" as given, not from the contents
  StartupContext startup_;
  std::string ui_ = "0\r\n";  // the UI description the program carries
  int platforms_made_ = 0;
  std::string old_tmpdir_;
  bool had_tmpdir_ = false;
};

TEST_F(StartupTest, RunModeShowsThePicturesAndRemovesTheWorkFolder) {
  AddContent("a.bmp", EncodeBmp(Bitmap(32, 32, MakeColor(0, 200, 0))));
  AddContent("b.bmp", EncodeBmp(Bitmap(32, 32, MakeColor(200, 0, 0))));
  const std::string exe = WriteProgram();
  bool saw = false;
  platform_.Schedule(1000, [&] {
    EXPECT_TRUE(FileExists(WorkFolder() + "a.bmp"));
    EXPECT_TRUE(FileExists(WorkFolder() + "LPGUI.lui"));
    EXPECT_EQ(static_cast<HeadlessWindow&>(Top()).screen().At(512, 384), MakeColor(0, 200, 0));
    saw = true;
  });
  platform_.Schedule(6000, [&] {
    EXPECT_EQ(static_cast<HeadlessWindow&>(Top()).screen().At(512, 384), MakeColor(200, 0, 0));
  });
  CloseByMouseAt(6100);
  platform_.SetTickBudget(60000);
  EXPECT_EQ(Run(exe, {"/s"}), 0);
  EXPECT_TRUE(saw);
  EXPECT_FALSE(fs::exists(WorkFolder()));
  EXPECT_TRUE(platform_.message_boxes().empty());
}

// The content is read where it lies in the program file: during the show the work folder holds
// only its lock and the music track the player needed as a file. Files larger than the
// temporary folder may hold cannot stop the show: the run is repeated with every file the
// process writes limited to 64 KiB, far below the content's size.
TEST_F(StartupTest, ContentIsReadInPlaceAndOnlyMusicGetsAFile) {
  AddContent("a.bmp", EncodeBmp(Bitmap(32, 32, MakeColor(0, 200, 0))));
  AddContent("ballast.dat", std::string(3 << 20, 'b'), false);
  AddContent("m.wav", std::string(1000, 'm'), false);
  project_.Setting.Music = true;
  project_.Setting.MusicFile = "m.wav";
  const std::string exe = WriteProgram();
  auto run = [&] {
    std::set<std::string> on_disk;
    Color shown = 0;
    platform_.Schedule(1000, [&] {
      for (const auto& entry : fs::directory_iterator(WorkFolder())) {
        on_disk.insert(entry.path().filename().string());
      }
      shown = static_cast<HeadlessWindow&>(Top()).screen().At(512, 384);
    });
    CloseByMouseAt(1100);
    platform_.SetTickBudget(60000);
    const int code = Run(exe, {"/s"});
    return code == 0 && shown == MakeColor(0, 200, 0) &&
           on_disk == std::set<std::string>{".lpcsaver.lock", "m.wav"} &&
           !fs::exists(WorkFolder()) && platform_.message_boxes().empty();
  };
  auto run_with_small_files = [&] {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 64 << 10;
    setrlimit(RLIMIT_FSIZE, &limit);
    std::_Exit(run() ? 0 : 1);
  };
  // Forked before this process has run anything.
  EXPECT_EXIT(run_with_small_files(), ::testing::ExitedWithCode(0), "");
  EXPECT_TRUE(run());
}

TEST_F(StartupTest, UserSettingsBesideTheProgramApply) {
  AddContent("a.bmp", EncodeBmp(Bitmap(32, 32, MakeColor(0, 200, 0))));
  AddContent("b.bmp", EncodeBmp(Bitmap(32, 32, MakeColor(200, 0, 0))));
  const std::string exe = WriteProgram();
  WriteFileBytes(dir_.File("Sea.Waves.ini"), "[Setting]\nImageMode=3\nIndex=1\n");
  platform_.Schedule(1000, [&] {
    EXPECT_EQ(static_cast<HeadlessWindow&>(Top()).screen().At(512, 384), MakeColor(200, 0, 0));
  });
  CloseByMouseAt(1100);
  platform_.SetTickBudget(60000);
  EXPECT_EQ(Run(exe, {"S"}), 0);
}

TEST_F(StartupTest, AnErrorInTheShowStillRemovesTheFilesAndIsReported) {
  AddContent("a.bmp", EncodeBmp(Bitmap(32, 32, MakeColor(0, 200, 0))));
  const std::string exe = WriteProgram();
  platform_.SetTickBudget(3000);  // the show never closes: the clock runs out
  EXPECT_EQ(Run(exe, {"/S"}), 1);
  EXPECT_FALSE(fs::exists(WorkFolder()));
  ASSERT_EQ(platform_.message_boxes().size(), 1u);
  EXPECT_NE(platform_.message_boxes()[0].text.find("tick budget"), std::string::npos);
  const std::string report = ReadFileBytes(dir_.File("Sea.Waves.error.txt"));
  EXPECT_NE(report.find("LPCSaver"), std::string::npos);
  EXPECT_NE(report.find("tick budget"), std::string::npos);
}

// "/C" and no argument open the described MainWindow; a description that cannot be built is
// reported. Either way the unpacked files go.
TEST_F(StartupTest, ConfigureOpensTheDescribedWindowAndCleansUp) {
  AddContent("a.bmp", EncodeBmp(Bitmap(8, 8, 0)));
  project_.Setting.ProductName = "Sea Waves";
  const std::string main =
      "1\r\n9\r\nobject MainWindow: TfmForm\r\n  Caption = '<ScreensaverName>'\r\n"
      "  object Quit: TLabel\r\n    Tag = 1\r\n    AutoSize = False\r\n    Width = 40\r\n"
      "    Height = 20\r\n  end\r\nend\r\n";
  struct Case {
    std::string ui;
    int exit_code;
    std::string error;
  };
  const Case cases[] = {
      {main + "6\r\n1\r\nQuit\r\n6\r\n \r\n \r\n \r\n0\r\n", 0, ""},
      {"0\r\n", 1, "Form 'MainWindow' not found"},
      {"1\r\n4\r\nobject MainWindow: TfmForm\r\nobject A: TCombobox\r\nend\r\nend\r\n0\r\n0\r\n",
       1, "Class TCombobox not found"},
  };
  for (const Case& c : cases) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"/c"}}) {
      SCOPED_TRACE(c.ui + (args.empty() ? "" : " /c"));
      ui_ = c.ui;
      const std::string exe = WriteProgram();
      if (c.exit_code == 0) {
        platform_.Schedule(platform_.Ticks() + 100, [this] {
          EXPECT_EQ(Top().Caption(), "Sea Waves");
          EXPECT_TRUE(FileExists(WorkFolder() + "a.bmp"));
          platform_.QueueClick(platform_.Ticks() + 10, Top(), 5, 5);
        });
      }
      platform_.SetTickBudget(10000);
      const size_t boxes = platform_.message_boxes().size();
      EXPECT_EQ(Run(exe, args), c.exit_code);
      EXPECT_FALSE(fs::exists(WorkFolder()));
      if (c.error.empty()) {
        EXPECT_EQ(platform_.message_boxes().size(), boxes);
      } else {
        ASSERT_EQ(platform_.message_boxes().size(), boxes + 1);
        EXPECT_EQ(platform_.message_boxes().back().text.rfind(c.error, 0), 0u)
            << platform_.message_boxes().back().text;
      }
    }
  }
}

TEST_F(StartupTest, PreviewWaitsForTheHostAndDrawsThePictureStretched) {
  AddContent("a.bmp", EncodeBmp(Bitmap(8, 8, 0)));
  Bitmap preview(4, 2, MakeColor(0, 0, 250));
  for (int y = 0; y < 2; ++y) preview.At(0, y) = preview.At(1, y) = MakeColor(250, 0, 0);
  AddContent("preview.bmp", EncodeBmp(preview), false);
  project_.Setting.PreviewFile = "C:\\Authoring\\preview.bmp";
  const std::string exe = WriteProgram();
  platform_.AddHostWindow(4660, {152, 112}, false);
  platform_.Schedule(700, [&] { platform_.SetHostVisible(4660, true); });
  EXPECT_EQ(Run(exe, {"/p", "4660"}), 0);
  EXPECT_GE(platform_.Ticks(), 700u);
  const Bitmap& shown = platform_.hosted_shown;
  ASSERT_EQ(shown.width(), 152);
  ASSERT_EQ(shown.height(), 112);
  // The 4 x 2 picture stretched over the whole window: red on the left, blue on the right.
  for (int y : {0, 55, 111}) {
    EXPECT_EQ(shown.At(2, y), MakeColor(250, 0, 0)) << y;
    EXPECT_EQ(shown.At(149, y), MakeColor(0, 0, 250)) << y;
  }
  EXPECT_FALSE(fs::exists(WorkFolder())) << "a preview removes its files";
}

TEST_F(StartupTest, PreviewWithoutAPreviewPictureOrWithABadHandle) {
  AddContent("a.bmp", EncodeBmp(Bitmap(8, 8, 0)));
  std::string exe = WriteProgram();
  EXPECT_EQ(Run(exe, {"/p", "1234"}), 0);
  EXPECT_EQ(platforms_made_, 0) << "nothing to draw: no display needed";

  project_.Setting.PreviewFile = "a.bmp";
  exe = WriteProgram();
  EXPECT_EQ(Run(exe, {"/P:1234"}), 0);  // the window joined to the switch: not there
  EXPECT_TRUE(platform_.message_boxes().empty());
  EXPECT_EQ(Run(exe, {"/P"}), 1);
  ASSERT_EQ(platform_.message_boxes().size(), 1u);
  EXPECT_EQ(platform_.message_boxes()[0].kind, platform::MessageKind::kError);
  EXPECT_EQ(platform_.message_boxes()[0].text.rfind("'' is not a valid integer value", 0), 0u);
  const std::string report = ReadFileBytes(dir_.File("Sea.Waves.error.txt"));
  EXPECT_NE(report.find("'' is not a valid integer value"), std::string::npos);
  EXPECT_EQ(Run(exe, {"/p", "12ab"}), 1);
  EXPECT_NE(ReadFileBytes(dir_.File("Sea.Waves.error.txt")).find("'12AB' is not a valid integer"),
            std::string::npos);
  fs::remove_all(WorkFolder());
}

TEST_F(StartupTest, PasswordModeCallsTheProviderOnlyWhereOneExists) {
  const std::string exe = dir_.File("NoPackage.scr");
  WriteFileBytes(exe, "no package here");
  EXPECT_EQ(Run(exe, {"/a", "1234"}), 0);
  EXPECT_TRUE(platform_.system_log().empty());
  platform_.SetPasswordProvider(true);
  EXPECT_EQ(Run(exe, {"-A", "1234"}), 0);
  EXPECT_EQ(platform_.system_log(), (std::vector<std::string>{"password change 1234"}));
  EXPECT_TRUE(platform_.message_boxes().empty());
  EXPECT_FALSE(fs::exists(dir_.Path() + "NoPackage/")) << "nothing is unpacked";
}

TEST_F(StartupTest, UnknownSwitchesDoNothing) {
  const std::string exe = WriteProgram();
  for (const char* arg : {"SX", "/X", "//S"}) EXPECT_EQ(Run(exe, {arg}), 0);
  EXPECT_EQ(platforms_made_, 0);
  EXPECT_FALSE(fs::exists(WorkFolder()));
}

TEST_F(StartupTest, BadPackagesEndInAClearError) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* fault;
  } cases[] = {
      {"no package", "MZ just a program", "package"},
      {"three records", std::string("MZ") + [] {
         PackageBuilder p;
         p.AddBytes("a");
         p.AddBytes("b");
         p.AddBytes("c");
         return p.ToBytes();
       }(), "3 records"},
  };
  for (const Case& c : cases) {
    const std::string exe = dir_.File("Sea.scr");
    WriteFileBytes(exe, c.bytes);
    EXPECT_EQ(Run(exe, {"/s"}), 1) << c.what;
    const std::string report = ReadFileBytes(dir_.File("Sea.error.txt"));
    EXPECT_NE(report.find(exe), std::string::npos) << c.what << ": " << report;
    EXPECT_NE(report.find(c.fault), std::string::npos) << c.what << ": " << report;
    EXPECT_FALSE(fs::exists(WorkFolder())) << c.what;
  }
}

// Nothing a refused package unpacked stays in the temporary folder.
bool OnlyTheProgramAndItsReport(const std::string& dir) {
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".scr") == std::string::npos && name.find(".error.txt") == std::string::npos) {
      ADD_FAILURE() << "left behind: " << entry.path();
      return false;
    }
  }
  return true;
}

TEST_F(StartupTest, NamesAndContentsMustAgreeAndKeepClearOfTheRecords) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> contents;
    std::optional<std::string> names;
    const char* fault;
  };
  const Case cases[] = {
      {"contents without names", {{"a.bmp", "x"}}, "", "1 content files for 0 names"},
      {"more contents than names", {{"a.bmp", "x"}, {"b.bmp", "y"}}, "a.bmp\r\n", "2 content files for 1 names"},
      {"a content file named like the name list", {{"LPFilenames.res", "evil.jpg\r\n"}}, {},
       "\"LPFilenames.res\", a name the package keeps"},
      {"a content file named like the lock", {{".lpcsaver.lock", ""}}, {}, "keeps for its own"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    contents_ = c.contents;
    names_ = c.names;
    EXPECT_EQ(Run(WriteProgram(), {"/s"}), 1);
    ASSERT_FALSE(platform_.message_boxes().empty());
    EXPECT_NE(platform_.message_boxes().back().text.find(c.fault), std::string::npos)
        << platform_.message_boxes().back().text;
    EXPECT_TRUE(OnlyTheProgramAndItsReport(dir_.Path()));
  }
}

TEST_F(StartupTest, OnlyTheConfigurationWindowNeedsTheUiDescription) {
  AddContent("a.bmp", EncodeBmp(Bitmap(32, 32, MakeColor(0, 200, 0))));
  AddContent("preview.bmp", EncodeBmp(Bitmap(4, 2, MakeColor(0, 0, 250))), false);
  project_.Setting.PreviewFile = "preview.bmp";
  size_t boxes = 0;
  for (const char* ui : {"", "garbage\x1B[2J" "\x01\x02 and more bytes than anyone should see"}) {
    SCOPED_TRACE(ui);
    ui_ = ui;
    const std::string exe = WriteProgram();
    CloseByMouseAt(platform_.Ticks() + 1000);
    platform_.SetTickBudget(60000);
    EXPECT_EQ(Run(exe, {"/s"}), 0);
    platform_.AddHostWindow(4660, {20, 10}, true);
    EXPECT_EQ(Run(exe, {"/p", "4660"}), 0);
    EXPECT_EQ(platform_.hosted_shown.width(), 20);
    EXPECT_EQ(platform_.message_boxes().size(), boxes);
    EXPECT_EQ(Run(exe, {"/c"}), 1);
    ASSERT_EQ(platform_.message_boxes().size(), ++boxes);
    const std::string text = platform_.message_boxes().back().text;
    // The screensaver and its record, not the unpacked copy that is gone by now.
    EXPECT_NE(text.find(exe + " (LPGUI.lui)"), std::string::npos) << text;
    EXPECT_EQ(text.find(WorkFolder()), std::string::npos) << text;
    EXPECT_EQ(text.find('\x1B'), std::string::npos) << "control bytes are escaped";
    EXPECT_EQ(text.find("anyone should see"), std::string::npos) << "only an excerpt: " << text;
    EXPECT_FALSE(fs::exists(WorkFolder()));
  }
}

TEST_F(StartupTest, HelpAndVersionAnswerAtATerminal) {
  const std::string exe = WriteProgram();
  for (const char* arg : {"--help", "--version"}) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Run(exe, {arg}), 0);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind(VersionText(), 0), 0u) << out;
    EXPECT_EQ(out.find("/S") != std::string::npos, std::string(arg) == "--help") << out;
  }
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Run(exe, {"--other"}), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(platforms_made_, 0);
}

TEST_F(StartupTest, RemovePackageFilesKeepsAFolderThatHoldsSomethingElse) {
  AddContent("a.bmp", EncodeBmp(Bitmap(8, 8, 0)));
  const std::string exe = WriteProgram();
  ScreensaverProject project;
  fs::create_directories(WorkFolder());
  ExtractPackage(project, exe, WorkFolder());
  EXPECT_EQ(project.FileList.Names, (std::vector<std::string>{WorkFolder() + "a.bmp"}));
  EXPECT_EQ(project.UISetting.UIFile, WorkFolder() + "LPGUI.lui");
  WriteFileBytes(WorkFolder() + "mine.txt", "x");
  RemovePackageFiles(WorkFolder());
  EXPECT_FALSE(fs::exists(WorkFolder() + "a.bmp"));
  EXPECT_FALSE(fs::exists(WorkFolder() + "LPC.res"));
  EXPECT_TRUE(fs::exists(WorkFolder() + "mine.txt"));
}

}  // namespace
}  // namespace lpc
