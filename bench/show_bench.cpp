// The show's frame loop and its start-up, on the headless platform (presenting a frame copies it
// into the window's back buffer, as a real backend does before handing it to the screen).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/bitmap.h"
#include "base/fileio.h"
#include "base/random.h"
#include "imaging/picture.h"
#include "package/package.h"
#include "package/packed_image.h"
#include "package/project.h"
#include "platform/headless/headless_platform.h"
#include "presentation/show_window.h"
#include "startup/startup.h"

namespace {

namespace fs = std::filesystem;

std::string BenchFolder() {
  const fs::path p = fs::temp_directory_path() / "lpc-show-bench";
  fs::create_directories(p);
  return p.string() + "/";
}

// A packed picture with a sea (water region 1, perspective off) in the lower half.
std::string PackedSea(int w, int h, int weather) {
  lpc::Bitmap picture(w, h, lpc::MakeColor(200, 140, 80));
  lpc::Bitmap mask(w, h, 0);
  for (int y = h / 2; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      picture.At(x, y) = lpc::MakeColor((x * 3 + y) & 0xFF, (y * 5) & 0xFF, 180);
      mask.At(x, y) = lpc::RegionToColor(1);
    }
  }
  lpc::PackedImageData d;
  d.ThumbnailJpeg = lpc::EncodeJpeg(lpc::Bitmap(80, 60, 0x336699), 80);
  d.PictureJpeg = lpc::EncodeJpeg(picture, 90);
  d.MaskRuns = lpc::EncodeMask(mask);
  d.WaveParams[0] = {6, 30, 12, 1, true, true, false, 360, 4};
  for (int i = 1; i < 4; ++i) d.WaveParams[i].Period = 360;
  d.WeatherParam.Kind = weather;
  d.WeatherParam.Count = 400;
  d.WeatherParam.SpeedIndex = 10;
  d.WeatherParam.Angle = 80;
  d.WeatherParam.Length = 100;
  return lpc::EncodePackedImage(d);
}

void BM_ShowFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const std::string file = BenchFolder() + "sea.lpp";
  lpc::WriteFileBytes(file, PackedSea(w, h, 0));
  lpc::platform::HeadlessPlatform platform;
  platform.SetScreenSize({w, h});
  lpc::platform::SetCurrent(&platform);
  lpc::ScreensaverProject project;
  project.FileList.Names = {file};
  project.FileList.Flags = {lpc::kFlagTrue};
  project.Setting.Random = false;
  project.Setting.Music = false;
  lpc::ShowWindow form(platform, project, lpc::ShowEnvironment{});
  lpc::platform::Window& window = form.Open();
  form.FormShow(window);
  for (auto _ : state) form.IdleFrame();  // update, draw; the pacing sleep is virtual here
  form.FormClose(window);
  lpc::platform::SetCurrent(nullptr);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShowFrame)->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

// From the program's start to its first frame and out again, for a package of `range(0)` MB:
// the package read in place, project and first picture, one frame, clean-up. The content is
// read where it lies, so 1000 MB should start as fast as 5.
void BM_StartupToFirstFrame(benchmark::State& state) {
  const std::string dir = BenchFolder();
  const std::string exe = dir + "Bench.scr";
  {
    lpc::ScreensaverProject project;
    lpc::PackageBuilder files;
    std::string names;
    for (int i = 0; i < 3; ++i) {
      const std::string name = "sea" + std::to_string(i) + ".lpp";
      files.AddBytes(PackedSea(1920, 1080, i));
      names += "C:\\Author\\" + name + "\r\n";
      project.FileList.Names.push_back(name);
      project.FileList.Flags.push_back(lpc::kFlagTrue);
    }
    // Music makes up the rest of the size: a file of zeros that costs no disk until packed.
    const int64_t rest = state.range(0) * (int64_t{1} << 20) - files.Size();
    const std::string music = dir + "music.wav";
    { std::ofstream create(music, std::ios::binary); }
    fs::resize_file(music, static_cast<uintmax_t>(rest > 0 ? rest : 0));
    files.AddFile(music);
    names += "C:\\Author\\music.wav\r\n";
    project.Setting.MusicFile = "music.wav";
    project.Setting.Music = false;
    project.Setting.ShowImageMode = 1;
    lpc::PackageBuilder package;
    package.AddBytes(project.ToRecordBytes());
    package.AddBytes(names);
    package.AddPackage(std::move(files));
    package.AddBytes("0\r\n");
    std::ofstream out(exe, std::ios::binary);
    out << std::string(4 << 20, 'x');
    package.Write(out, exe);
    out.close();
    fs::remove(music);
  }
  setenv("TMPDIR", dir.c_str(), 1);
  for (auto _ : state) {
    lpc::platform::HeadlessPlatform platform;
    platform.SetScreenSize({1920, 1080});
    // The first frame ends at tick 33; the window closes right after it.
    platform.Schedule(34, [&] { platform.loop().TopModal()->Close(); });
    lpc::StartupContext startup;
    startup.Arguments = {"/s"};
    startup.ExePath = exe;
    startup.MakePlatform = [&] { return &platform; };
    if (lpc::RunProgram(startup) != 0) state.SkipWithError("the run failed");
    lpc::platform::SetCurrent(nullptr);
  }
  unsetenv("TMPDIR");
  fs::remove(exe);
}
BENCHMARK(BM_StartupToFirstFrame)->Arg(5)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

namespace {

// Unpacking a 55 MB package: range(0) 0 copies the content record into its own file and splits
// that (two copies of every byte), 1 streams each content file straight out of the program.
void BM_UnpackContent(benchmark::State& state) {
  const std::string dir = BenchFolder();
  const std::string exe = dir + "Unpack.scr";
  const std::string out = dir + "unpack/";
  fs::create_directories(out);
  std::vector<std::string> names;
  {
    lpc::PackageBuilder files;
    for (int i = 0; i < 11; ++i) {
      std::string bytes(5 << 20, '\0');
      for (size_t k = 0; k < bytes.size(); k += 4096) bytes[k] = static_cast<char>(k >> 12);
      files.AddBytes(std::move(bytes));
      names.push_back(out + "file" + std::to_string(i));
    }
    lpc::PackageBuilder package;
    package.AddBytes("project");
    package.AddPackage(std::move(files));
    lpc::WriteFileBytes(exe, std::string(4 << 20, 'x') + package.ToBytes());
  }
  for (auto _ : state) {
    if (state.range(0) == 0) {
      lpc::ExtractPackageRecords(exe, {out + "LPC.res", out + "LPFiles.res"});
      lpc::ExtractPackageRecords(out + "LPFiles.res", names);
    } else {
      const lpc::PackageExtractResult top =
          lpc::ExtractPackageRecords(exe, {out + "LPC.res", std::string()});
      const lpc::PackageRecord& r = top.Records[1];
      lpc::ExtractPackageRange(exe, r.Offset, r.Offset + r.Size, names);
    }
    state.PauseTiming();
    fs::remove_all(out);
    fs::create_directories(out);
    state.ResumeTiming();
  }
  fs::remove_all(out);
  fs::remove(exe);
}
BENCHMARK(BM_UnpackContent)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
