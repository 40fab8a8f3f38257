// "/C" with 100 holiday photographs (1920 x 1080 JPEG): from the call that opens the
// configuration window to its first painted frame (the default MainWindow built, its strip
// given the 100 files, the preview pane showing the first, everything painted and presented),
// against decoding the same 100 files in full once (BM_DecodeJpegFull, the baseline). The package
// is taken as already unpacked; the settings file is not used.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/fileio.h"
#include "configwindow/form_builder.h"
#include "package/package.h"
#include "package/project.h"
#include "startup/startup.h"
#include "photographs.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/freetype_text.h"

namespace {

namespace fs = std::filesystem;

using lpc::bench::Photographs;

void BM_ConfigWindowFirstPaint(benchmark::State& state) {
  const auto& files = Photographs::Get(static_cast<int>(state.range(0)));
  lpc::platform::HeadlessPlatform platform;
  platform.SetTextRenderer(lpc::platform::CreateFreeTypeTextRenderer());
  lpc::platform::SetCurrent(&platform);
  lpc::UiDescription forms;
  forms.LoadFromFile(LPC_DEFAULT_UI);
  lpc::ScreensaverProject project;
  project.Setting.ProductName = "Holidays";
  project.FileList.Names = files;
  project.FileList.Flags.assign(files.size(), "TRUE");
  lpc::ConfigEnvironment env;
  env.ExeLongPath = (fs::temp_directory_path() / "Holidays.exe").string();  // no settings file
  // The window closes at its first present: that is the moment the user sees it.
  platform.SetPresentObserver([](lpc::platform::HeadlessWindow& w) { w.Close(); });
  for (auto _ : state) {
    lpc::RunConfiguration(forms, project, "MainWindow", env);
  }
  platform.SetPresentObserver(nullptr);
  lpc::platform::SetCurrent(nullptr);
}
BENCHMARK(BM_ConfigWindowFirstPaint)->Arg(100)->Unit(benchmark::kMillisecond);

// "/C" of a whole screensaver carrying range(0) photographs (the same one stored under every
// name), from the start of the program to the window's first painted frame: the package is read
// in place and only what is on screen is decoded, so 1001 photographs should open as fast as 10.
void BM_ConfigureFromPackage(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const fs::path dir = fs::temp_directory_path() / "lpc-config-bench";
  fs::create_directories(dir);
  const std::string exe = (dir / "Holidays.scr").string();
  {
    const std::string photo = Photographs::Get(1)[0];
    lpc::ScreensaverProject project;
    project.Setting.ProductName = "Holidays";
    lpc::PackageBuilder files;
    std::string names;
    for (int i = 0; i < n; ++i) {
      const std::string name = "holiday" + std::to_string(i) + ".jpg";
      files.AddFile(photo);
      names += "C:\\Holidays\\" + name + "\r\n";
      project.FileList.Names.push_back(name);
      project.FileList.Flags.push_back(lpc::kFlagTrue);
    }
    lpc::PackageBuilder package;
    package.AddBytes(project.ToRecordBytes());
    package.AddBytes(names);
    package.AddPackage(std::move(files));
    package.AddBytes(lpc::ReadFileBytes(LPC_DEFAULT_UI));
    std::ofstream out(exe, std::ios::binary);
    out << std::string(1 << 20, 'x');
    package.Write(out, exe);
  }
  setenv("TMPDIR", dir.c_str(), 1);
  lpc::platform::HeadlessPlatform platform;
  platform.SetTextRenderer(lpc::platform::CreateFreeTypeTextRenderer());
  platform.SetPresentObserver([](lpc::platform::HeadlessWindow& w) { w.Close(); });
  for (auto _ : state) {
    lpc::StartupContext startup;
    startup.Arguments = {"/c"};
    startup.ExePath = exe;
    startup.SettingsFile = (dir / "none.ini").string();
    startup.MakePlatform = [&] { return &platform; };
    if (lpc::RunProgram(startup) != 0) state.SkipWithError("the run failed");
  }
  platform.SetPresentObserver(nullptr);
  lpc::platform::SetCurrent(nullptr);
  unsetenv("TMPDIR");
  fs::remove_all(dir);
}
BENCHMARK(BM_ConfigureFromPackage)->Arg(10)->Arg(1001)->Unit(benchmark::kMillisecond);

}  // namespace
