// lpctool render INPUT.lpp --frames N --out DIR: the water animation of a packed image as
// numbered PNG frames (and optionally an animated GIF), exactly as the screensaver computes it.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <regex>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/random.h"
#include "command.h"
#include "gif_palette.h"
#include "effects/bitmap_effects.h"
#include "effects/wave_generator.h"
#include "imaging/picture.h"
#include "package/packed_image.h"

namespace lpctool {
namespace {

struct RenderOptions {
  std::string input;
  int frames = 90;
  std::string out;
  std::string fit;
  std::string fit_proportional;
  int speed = 100;
  bool full_size = false;
  std::optional<uint32_t> seed;
  std::string gif;
  bool dither = false;
};

// Unless asked otherwise, a picture larger than a common laptop screen is rendered at that
// size: a photograph at its full 2560 x 1600 takes minutes and gigabytes for no gain.
constexpr lpc::Size kDefaultFit{1280, 800};

// An animated GIF is written as its frames are computed; only the first few, which choose the
// palette, wait in memory for it. Refuse pictures whose few frames alone would need more.
constexpr uint64_t kMaxGifBytes = uint64_t{1} << 30;
constexpr uint64_t kPaletteBytes = uint64_t{64} << 20;
constexpr uint64_t kMaxPaletteFrames = 4;
constexpr int kMaxFrames = 100000;
constexpr int kFrameCentiseconds = 3;  // the screensaver paces frames at 33 ms

lpc::Size ParseSize(const std::string& option, const std::string& text) {
  static const std::regex form(R"(\s*(\d{1,6})\s*[xX]\s*(\d{1,6})\s*)");
  std::smatch m;
  if (!std::regex_match(text, m, form)) {
    throw lpc::Error(lpc::Format("%s: expected WIDTHxHEIGHT, got '%s'", option.c_str(),
                                 text.c_str()));
  }
  const int w = std::stoi(m[1].str()), h = std::stoi(m[2].str());
  if (w < 1 || h < 1 || w > lpc::kMaxPictureSide || h > lpc::kMaxPictureSide) {
    throw lpc::Error(lpc::Format("%s: each side must be 1 to %d pixels, got %dx%d",
                                 option.c_str(), lpc::kMaxPictureSide, w, h));
  }
  return {w, h};
}

std::string FrameName(int i) { return lpc::Format("frame-%04d.png", i); }

// Frames to an animated GIF as they come: the first few choose the palette and wait for it,
// every later one is remapped and written at once.
class GifStream {
 public:
  GifStream(const std::string& path, int width, int height, bool dither, size_t palette_frames)
      : file_(path),
        width_(width),
        height_(height),
        palette_(width, height, dither),
        palette_frames_(palette_frames) {}

  void Add(const lpc::Bitmap& frame) {
    if (encoder_) return Write(frame);
    palette_.Add(frame);
    waiting_.push_back(frame);
    if (waiting_.size() >= palette_frames_) WriteWaiting();
  }

  void Finish() {
    WriteWaiting();
    file_.Write(encoder_->Finish());
    file_.Commit();
  }

 private:
  void WriteWaiting() {
    for (const lpc::Bitmap& frame : waiting_) Write(frame);
    waiting_.clear();
  }
  void Write(const lpc::Bitmap& frame) {
    palette_.Remap(frame, &indices_);
    if (!encoder_) encoder_.emplace(width_, height_, palette_.Colours(), kFrameCentiseconds);
    encoder_->Add(indices_);
    file_.Write(encoder_->TakeBytes());
  }

  lpc::AtomicFileWriter file_;
  int width_, height_;
  GifPalette palette_;
  size_t palette_frames_;
  std::vector<lpc::Bitmap> waiting_;
  std::vector<uint8_t> indices_;
  std::optional<lpc::GifAnimationEncoder> encoder_;
};

void Run(const RenderOptions& o) {
  lpc::PackedImage project;
  project.LoadFromFile(o.input);
  project.SetSpeed(o.speed);
  if (o.out.empty() && o.gif.empty())
    throw lpc::Error("nothing to write: give --out DIR, --gif FILE or both");
  bool proportional = true;
  std::optional<lpc::Size> fit;
  if (!o.fit.empty()) {
    proportional = false;
    fit = ParseSize("--fit", o.fit);
  } else if (!o.fit_proportional.empty()) {
    fit = ParseSize("--fit-proportional", o.fit_proportional);
  } else if (!o.full_size && (project.Picture.width() > kDefaultFit.width ||
                              project.Picture.height() > kDefaultFit.height)) {
    fit = kDefaultFit;
  }
  const lpc::Size size = fit ? lpc::FittedSize(proportional, project.Picture.width(),
                                               project.Picture.height(), fit->width, fit->height)
                             : lpc::Size{project.Picture.width(), project.Picture.height()};
  const uint64_t frame_bytes = static_cast<uint64_t>(size.width) * size.height * 4;
  const uint64_t palette_frames = std::clamp<uint64_t>(
      std::min<uint64_t>(kPaletteBytes / frame_bytes, static_cast<uint64_t>(o.frames) + 1), 1,
      kMaxPaletteFrames);
  // The waiting frames, the one before and the one being remapped, with their indices; checked
  // before the picture is scaled, which would take as much again.
  if (!o.gif.empty() && frame_bytes * (palette_frames + 3) > kMaxGifBytes) {
    throw lpc::Error(lpc::Format(
        "--gif %s: frames of %dx%d need more than 1 GiB of memory; render them smaller with "
        "--fit-proportional WxH",
        o.gif.c_str(), size.width, size.height));
  }
  if (fit) lpc::FitProjectToSize(proportional, project, fit->width, fit->height);

  // A fixed seed makes the clock seeding inside Prepare keep the sequence, so jitter, snow and
  // rain come out the same on every run.
  if (o.seed) {
    lpc::RandSeed(*o.seed);
    lpc::SetFixedSeed(true);
  }
  lpc::WaveGenerator gen;
  gen.AttachProject(&project);
  gen.SetWeather(false);
  gen.Prepare();
  gen.SetWeather(project.WeatherParam.Kind > 0);

  if (!o.out.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(o.out, ec);
    if (ec || !std::filesystem::is_directory(o.out)) {
      throw lpc::IOError(lpc::Format("%s: cannot create the output folder (%s)", o.out.c_str(),
                                     ec ? ec.message().c_str() : "not a folder"));
    }
  }
  const int width = project.Picture.width(), height = project.Picture.height();
  std::optional<GifStream> gif;
  if (!o.gif.empty()) gif.emplace(o.gif, width, height, o.dither, palette_frames);
  {
    Progress progress("rendering", static_cast<uint64_t>(o.frames) + 1);
    for (int i = 0; i <= o.frames; ++i) {
      if (i > 0) gen.Update();
      // Right after preparation the overlay holds no weather yet; the first frame is the water.
      const lpc::Bitmap& frame = (i > 0 && gen.WeatherOn()) ? *gen.Overlay() : gen.Output();
      if (!o.out.empty()) {
        lpc::WriteFileAtomic(lpc::PathText(lpc::FsPath(o.out) / FrameName(i)),
                             lpc::EncodePngFast(frame));
      }
      if (gif) gif->Add(frame);
      progress.Advance(1);
    }
  }
  if (gif) gif->Finish();
  if (o.seed) lpc::SetFixedSeed(false);
  std::cout << "wrote " << o.frames + 1 << " frames of " << width << "x" << height << " to "
            << (o.out.empty() ? o.gif : o.out + (o.gif.empty() ? "" : " and " + o.gif)) << "\n";
}

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "render",
      "Render the water animation of a packed image: DIR/frame-0000.png is the picture right "
      "after preparation, frame-0001.png ... frame-N.png the frames after each update (with "
      "snow or rain when the image asks for it)");
  auto o = std::make_shared<RenderOptions>();
  cmd->add_option("INPUT", o->input, "Packed image (.lpp)")->required()->check(ExistingFile());
  cmd->add_option("--frames", o->frames,
                  "Number of updates to render (the screensaver shows about 30 a second)")
      ->check(CLI::Range(0, kMaxFrames))
      ->capture_default_str();
  cmd->add_option("--out", o->out, "Folder for the PNG frames");
  auto* fit = cmd->add_option("--fit", o->fit, "Fit the image to WxH first (stretched)");
  auto* prop = cmd->add_option("--fit-proportional", o->fit_proportional,
                               "Fit the image within WxH first, keeping its shape (default: "
                               "1280x800 for larger pictures)");
  auto* full = cmd->add_flag("--full-size", o->full_size, "Render at the picture's own size");
  fit->excludes(prop);
  full->excludes(fit)->excludes(prop);
  cmd->add_option("--speed", o->speed, "Animation speed in percent")
      ->check(CLI::Range(0, 100000))
      ->capture_default_str();
  cmd->add_option("--seed", o->seed, "Seed for jitter, snow and rain (repeatable runs)");
  cmd->add_option("--gif", o->gif,
                  "Write the frames as an animated GIF too (one 255-colour palette chosen by "
                  "libimagequant for all frames)");
  cmd->add_flag("--dither", o->dither, "Dither the GIF (smoother gradients, grainier water)");
  cmd->callback([o] { Run(*o); });
}

}  // namespace

LPCTOOL_COMMAND("render", Setup);

}  // namespace lpctool
