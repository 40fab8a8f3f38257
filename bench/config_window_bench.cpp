// "/C" with 100 holiday photographs (1920 x 1080 JPEG): from the call that opens the
// configuration window to its first painted frame (the default MainWindow built, its strip
// given the 100 files, the preview pane showing the first, everything painted and presented),
// against decoding the same 100 files in full once (BM_DecodeJpegFull, the baseline). The package
// is taken as already unpacked; the settings file is not used.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/fileio.h"
#include "configwindow/form_builder.h"
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

}  // namespace
