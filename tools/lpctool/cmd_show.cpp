// lpctool show FILE: a packed image, a photograph with its mask and water settings, or a whole
// screensaver, running in a window of its own on the screensaver's engine, and shown afresh
// whenever one of its files changes: edit the mask, look, repeat.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "command.h"
#include "package_info.h"
#include "lpp_build.h"
#include "package/packed_image.h"
#include "package/project.h"
#include "package/work_folder.h"
#include "platform/backends.h"
#include "platform/folders.h"
#include "presentation/show_window.h"
#include "startup/startup.h"

namespace lpctool {
namespace {

namespace fs = std::filesystem;

// Taken while the program starts, for --timing.
const std::chrono::steady_clock::time_point g_started = std::chrono::steady_clock::now();

// The window takes about this share of the screen's width or height.
constexpr double kScreenShare = 0.8;

struct ShowOptions {
  std::string file;
  LppOptions water;  // --mask, --wave, --weather of a photograph
  std::string size;
  uint64_t frames = 0;
  bool timing = false;
};

enum class InputKind { kPacked, kPhoto, kScreensaver };

InputKind KindOf(const std::string& file) {
  const std::string ext = lpc::LowerCase(fs::path(file).extension().string());
  if (ext == ".lpp") return InputKind::kPacked;
  if (ext == ".scr") return InputKind::kScreensaver;
  return InputKind::kPhoto;
}

lpc::Size ParseWindowSize(const std::string& text) {
  static const std::regex form(R"(\s*(\d{1,5})\s*[xX]\s*(\d{1,5})\s*)");
  std::smatch m;
  if (!std::regex_match(text, m, form)) {
    throw lpc::Error("--size: expected WIDTHxHEIGHT, got '" + text + "'");
  }
  const int w = std::stoi(m[1].str()), h = std::stoi(m[2].str());
  if (w < 1 || h < 1 || w > 16384 || h > 16384) {
    throw lpc::Error(lpc::Format("--size: each side must be 1 to 16384 pixels, got %dx%d", w, h));
  }
  return {w, h};
}

// The picture fitted into the share of the screen, keeping its shape (the screen's own shape
// when the picture's is not known).
lpc::Size FittedWindow(lpc::Size picture, lpc::Size screen) {
  if (screen.width <= 0 || screen.height <= 0) screen = {1280, 800};
  if (picture.width <= 0 || picture.height <= 0) picture = screen;
  const double scale = std::min(kScreenShare * screen.width / picture.width,
                                kScreenShare * screen.height / picture.height);
  return {std::max(1, static_cast<int>(std::lround(picture.width * scale))),
          std::max(1, static_cast<int>(std::lround(picture.height * scale)))};
}

// Modification time and size of each input file, to notice an author's save.
class FileWatch {
 public:
  explicit FileWatch(std::vector<std::string> files)
      : files_(std::move(files)), stamps_(Stamps()) {}
  // True once for each change seen.
  bool Changed() {
    std::vector<Stamp> now = Stamps();
    if (now == stamps_) return false;
    stamps_ = std::move(now);
    return true;
  }

 private:
  using Stamp = std::optional<std::pair<fs::file_time_type, uintmax_t>>;
  std::vector<Stamp> Stamps() const {
    std::vector<Stamp> out;
    for (const std::string& file : files_) {
      std::error_code ec, ec2;
      const auto time = fs::last_write_time(lpc::FsPath(file), ec);
      const auto size = fs::file_size(lpc::FsPath(file), ec2);
      out.push_back(ec || ec2 ? Stamp() : Stamp(std::make_pair(time, size)));
    }
    return out;
  }
  std::vector<std::string> files_;
  std::vector<Stamp> stamps_;
};

// One picture, fitted to the window and never changed by the slideshow: what an author looks at.
lpc::ScreensaverProject SinglePictureProject(const std::string& file) {
  lpc::ScreensaverProject project;
  project.FileList.Names = {file};
  project.FileList.Flags = {lpc::kFlagTrue};
  lpc::ProjectSettings& s = project.Setting;
  s.Stretch = true;
  s.Proportional = true;
  s.Random = false;
  s.Transition = false;
  s.Speed = 100;
  s.Sound = false;
  s.Music = false;
  return project;
}

void Run(const ShowOptions& o) {
  const InputKind kind = KindOf(o.file);
  const bool water = !o.water.mask.empty() || !o.water.waves.empty() || !o.water.weather.empty();
  if (water && kind != InputKind::kPhoto) {
    throw lpc::Error(o.file + ": --mask, --wave and --weather apply to a photograph, not to a " +
                     (kind == InputKind::kPacked ? "packed image" : "screensaver"));
  }
  const std::optional<lpc::Size> asked =
      o.size.empty() ? std::nullopt : std::optional(ParseWindowSize(o.size));

  // The photograph's packed image is built before any window opens: a mask of the wrong size
  // is refused at once.
  std::unique_ptr<ScratchFolder> scratch;
  if (kind == InputKind::kPhoto) scratch = std::make_unique<ScratchFolder>();
  // Ctrl+C at the terminal is how a look usually ends: the unpacked screensaver and the
  // scratch folder go as well. Before any thread starts (a decoder's, SDL's).
  lpc::platform::InstallStopHandler([scratch_path = scratch ? scratch->Path() : std::string()] {
    lpc::PrivateWorkFolder::RemoveActive();
    std::error_code ec;
    if (!scratch_path.empty()) fs::remove_all(lpc::FsPath(scratch_path), ec);
  });
  std::string shown = o.file;
  lpc::Size picture{};
  LppOptions build = o.water;
  build.picture = o.file;
  build.note_conversion = false;
  if (kind == InputKind::kPhoto) {
    const lpc::PackedImageData data = BuildPackedImage(build);
    shown = *scratch / "shown.lpp";
    lpc::SavePackedImage(shown, data);
    picture = {data.MaskRuns[0], data.MaskRuns[1]};
  } else if (kind == InputKind::kPacked) {
    lpc::PackedImageReader reader;
    reader.LoadSizeFromFile(o.file);
    picture = {reader.MaskRuns[0], reader.MaskRuns[1]};
  }

  // Through the backend table, as the screensaver itself starts: a Win32 window on Windows.
  const lpc::platform::Backend& backend = lpc::platform::DefaultBackend();
  if (backend.name == "headless") {
    throw lpc::Error("show needs a display to open its window (is DISPLAY set?)");
  }
  std::unique_ptr<lpc::platform::Platform> platform = backend.create({});
  lpc::platform::SetCurrent(platform.get());
  struct Unset {
    ~Unset() { lpc::platform::SetCurrent(nullptr); }
  } unset;

  std::vector<std::string> watched = {o.file};
  if (!o.water.mask.empty()) watched.push_back(o.water.mask);
  FileWatch watch(watched);

  lpc::WindowedShow windowed;
  windowed.Caption = "lpctool show: " + lpc::ExtractFileName(o.file);
  windowed.ClientSizeFor = [&](lpc::Size screen) {
    return asked ? *asked : FittedWindow(picture, screen);
  };
  std::string first_fault;
  bool drawn = false;
  // Before the first frame a failure ends the command; later the last good picture stays.
  windowed.Failed = [&](const std::exception& e) {
    if (drawn) {
      std::cerr << "lpctool: " << e.what() << "\n";
      return true;
    }
    first_fault = e.what();
    return false;
  };
  windowed.AfterFrame = [&](uint64_t frames) {
    if (!drawn && o.timing) {
      const auto ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_started);
      std::cout << lpc::Format("first frame after %.0f ms", ms.count()) << std::endl;
    }
    drawn = true;
    return o.frames == 0 || frames < o.frames;
  };

  if (kind == InputKind::kScreensaver) {
    windowed.Reload = [&](lpc::ScreensaverProject&, lpc::ShowEnvironment&) {
      return watch.Changed();
    };
    lpc::StartupContext startup;
    startup.Arguments = {"/S"};
    startup.ExePath = o.file;
    startup.MakePlatform = [&] { return platform.get(); };
    startup.Windowed = &windowed;
    lpc::RunProgram(startup);
  } else {
    windowed.Reload = [&](lpc::ScreensaverProject&, lpc::ShowEnvironment&) {
      if (!watch.Changed()) return false;
      if (kind == InputKind::kPhoto) {
        lpc::SavePackedImage(shown, BuildPackedImage(build));
      } else {
        lpc::PackedImage check;
        check.LoadFromFile(o.file);  // a broken file is told about and the show goes on
      }
      return true;
    };
    lpc::ScreensaverProject project = SinglePictureProject(shown);
    lpc::ShowEnvironment env;
    env.Windowed = &windowed;
    lpc::ShowWindow form(*platform, project, env);
    form.ShowModal();
  }
  if (!first_fault.empty()) throw lpc::Error(first_fault);
}

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "show",
      "Show a packed image (.lpp), a photograph with its mask and water settings, or a whole "
      "screensaver (.scr) in a window, running the screensaver's own water, weather and frame "
      "pacing. When a file changes (the picture, the mask, the .lpp or .scr) it is shown again "
      "within a fraction of a second; a change that cannot be read is reported and the last good "
      "picture stays. Escape or closing the window ends it. Example: lpctool show sea.jpg "
      "--mask sea-mask.png --wave 1");
  auto o = std::make_shared<ShowOptions>();
  cmd->add_option("FILE", o->file,
                  "A packed image (.lpp), a screensaver (.scr, its show as \"/S\" runs it) or a "
                  "photograph (JPEG, PNG, BMP, GIF, WebP, HEIC/HEIF) built into a packed image "
                  "in memory as `lpctool lpp` builds it")
      ->required()
      ->check(ExistingFile());
  AddWaterOptions(cmd, o->water);
  cmd->add_option("--size", o->size,
                  "Client size of the window as WxH (default: the picture fitted into about 80 % "
                  "of the screen)");
  cmd->add_option("--frames", o->frames,
                  "End after this many frames (about 30 a second; default: run until Escape)")
      ->check(CLI::Range(uint64_t{1}, uint64_t{1} << 40));
  cmd->add_flag("--timing", o->timing,
                "Print \"first frame after X ms\", counted from the program's start");
  cmd->callback([o] { Run(*o); });
}

}  // namespace

LPCTOOL_COMMAND("show", Setup);

}  // namespace lpctool
