// lpctool lpp: a packed image from a picture, a region mask picture, wave and weather settings.
#include <iostream>
#include <memory>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "command.h"
#include "effects/bitmap_effects.h"
#include "imaging/picture.h"
#include "package/packed_image.h"
#include "package_info.h"

namespace lpctool {
namespace {

struct LppOptions {
  std::string output;
  std::string picture;
  std::string mask;
  std::string thumbnail;
  std::string title;
  std::string artist;
  std::string sound;
  std::vector<std::string> waves;
  std::string weather;
};

inline constexpr int kThumbnailWidth = 80;
inline constexpr int kThumbnailHeight = 60;
inline constexpr int kMaxWeatherCount = 1000;  // the weather effects draw at most this many

// "key=value,key=value" into pairs; `what` names the option in errors.
std::vector<std::pair<std::string, std::string>> KeyValues(std::string_view text, const std::string& what) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t stop = text.find(',', start);
    if (stop == std::string_view::npos) stop = text.size();
    const std::string item = lpc::Trim(text.substr(start, stop - start));
    if (!item.empty()) {
      const size_t eq = item.find('=');
      if (eq == std::string::npos) throw lpc::Error(what + ": \"" + item + "\" is not key=value");
      out.emplace_back(lpc::Trim(item.substr(0, eq)), lpc::Trim(item.substr(eq + 1)));
    }
    start = stop + 1;
  }
  return out;
}

int32_t IntValue(const std::string& value, const std::string& what) {
  const auto v = lpc::TryStrToInt(value);
  if (!v) throw lpc::Error(what + ": \"" + value + "\" is not an integer");
  return *v;
}

bool BoolValue(const std::string& value, const std::string& what) {
  if (lpc::SameText(value, "true") || lpc::SameText(value, "on") || lpc::SameText(value, "yes")) return true;
  if (lpc::SameText(value, "false") || lpc::SameText(value, "off") || lpc::SameText(value, "no")) return false;
  return IntValue(value, what) != 0;
}

// "--wave REGION:key=value,..." into the region's record.
void ApplyWave(const std::string& arg, std::array<lpc::TWaveParam, 4>& waves, std::array<bool, 4>& given) {
  const std::string what = "--wave " + arg;
  const size_t colon = arg.find(':');
  const auto region = lpc::TryStrToInt(lpc::Trim(arg.substr(0, colon)));
  if (!region || *region < 1 || *region > 4) throw lpc::Error(what + ": the region must be 1 to 4");
  lpc::TWaveParam& w = waves[static_cast<size_t>(*region - 1)];
  given[static_cast<size_t>(*region - 1)] = true;
  if (colon == std::string::npos) return;
  for (const auto& [key, value] : KeyValues(std::string_view(arg).substr(colon + 1), what)) {
    const std::string k = lpc::LowerCase(key);
    const std::string field = what + ": " + key;
    if (k == "amplitude") w.Amplitude = IntValue(value, field);
    else if (k == "wavecount") w.WaveCount = IntValue(value, field);
    else if (k == "phasestep") w.PhaseStep = IntValue(value, field);
    else if (k == "direction") w.Direction = IntValue(value, field);
    else if (k == "horizontal") w.Horizontal = BoolValue(value, field);
    else if (k == "vertical") w.Vertical = BoolValue(value, field);
    else if (k == "perspective") w.Perspective = BoolValue(value, field);
    else if (k == "period") w.Period = IntValue(value, field);
    else if (k == "jitterrange") w.JitterRange = IntValue(value, field);
    else throw lpc::Error(what + ": unknown key \"" + key + "\"");
  }
}

lpc::TWeatherParam ParseWeather(const std::string& arg) {
  const std::string what = "--weather " + arg;
  const size_t colon = arg.find(':');
  const std::string kind = lpc::LowerCase(lpc::Trim(arg.substr(0, colon)));
  lpc::TWeatherParam w;
  w.SpeedIndex = lpc::kDefaultSpeedIndex;
  if (kind == "none") w.Kind = lpc::kWeatherNone;
  else if (kind == "snow") w.Kind = lpc::kWeatherSnow;
  else if (kind == "rain") w.Kind = lpc::kWeatherRain;
  else throw lpc::Error(what + ": the kind must be none, snow or rain");
  if (colon != std::string::npos) {
    for (const auto& [key, value] : KeyValues(std::string_view(arg).substr(colon + 1), what)) {
      const std::string k = lpc::LowerCase(key);
      const std::string field = what + ": " + key;
      if (k == "count") w.Count = IntValue(value, field);
      else if (k == "speed") w.SpeedIndex = IntValue(value, field);
      else if (k == "angle") w.Angle = IntValue(value, field);
      else if (k == "length") w.Length = IntValue(value, field);
      else throw lpc::Error(what + ": unknown key \"" + key + "\"");
    }
  }
  if (w.Count < 0 || w.Count > kMaxWeatherCount) {
    throw lpc::Error(what + lpc::Format(": count must be 0 to %d", kMaxWeatherCount));
  }
  if (w.SpeedIndex < 0 || w.SpeedIndex >= lpc::kSpeedTableSize) {
    throw lpc::Error(what + ": speed is an index into the speed table, 0 to 20");
  }
  return w;
}

// A JPEG stream for a picture file: a JPEG's own bytes are kept as they are.
std::string JpegOf(const std::string& path, const lpc::Bitmap& bitmap) {
  if (lpc::FileKindOf(path) == lpc::FileKind::kJpeg) return lpc::ReadFileBytes(path);
  return lpc::EncodeJpeg(bitmap, 90);
}

void Run(const LppOptions& o) {
  lpc::PackedImageData d;
  d.Title = ToLatin1(o.title, "--title");
  d.Artist = ToLatin1(o.artist, "--artist");
  d.SoundFile = ToLatin1(o.sound, "--sound");

  std::array<bool, 4> given{};
  for (const auto& arg : o.waves) ApplyWave(arg, d.WaveParams, given);
  for (int i = 0; i < 4; ++i) {
    if (given[static_cast<size_t>(i)] && d.WaveParams[static_cast<size_t>(i)].Period == 0) {
      throw lpc::Error(lpc::Format("--wave %d: period (degrees) must not be 0", i + 1));
    }
  }
  if (!o.weather.empty()) d.WeatherParam = ParseWeather(o.weather);

  const lpc::Bitmap picture = lpc::LoadPicture(o.picture);
  d.PictureJpeg = JpegOf(o.picture, picture);

  const lpc::Bitmap mask = lpc::LoadPicture(o.mask);
  if (mask.width() != picture.width() || mask.height() != picture.height()) {
    throw lpc::FormatError(o.mask, lpc::Format("the mask is %d x %d but the picture is %d x %d",
                                               mask.width(), mask.height(), picture.width(),
                                               picture.height()));
  }
  if (lpc::FileKindOf(o.mask) == lpc::FileKind::kJpeg) {
    std::cerr << "lpctool: warning: " << o.mask
              << ": JPEG shifts colours; region colours may be lost (use PNG, BMP or GIF)\n";
  }
  d.MaskRuns = lpc::EncodeMask(mask);
  const auto counts = lpc::CountRegions(mask);
  for (int i = 0; i < 4; ++i) {
    if (given[static_cast<size_t>(i)] && counts[static_cast<size_t>(i + 1)] == 0) {
      std::cerr << "lpctool: warning: --wave " << i + 1 << ": the mask has no pixels of region " << i + 1 << "\n";
    }
  }

  if (o.thumbnail.empty()) {
    lpc::Bitmap thumb(kThumbnailWidth, kThumbnailHeight);
    lpc::SmoothResizeBitmap(picture, thumb);
    d.ThumbnailJpeg = lpc::EncodeJpeg(thumb, 90);
  } else {
    d.ThumbnailJpeg = JpegOf(o.thumbnail, lpc::LoadPicture(o.thumbnail));
  }
  lpc::SavePackedImage(o.output, d);
}

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "lpp",
      "Make a packed image (.lpp) from a picture and a mask picture of the same size whose "
      "pixels 0000FF, FF00FF, FF0000, FFFF00 mark water regions 1 to 4");
  auto o = std::make_shared<LppOptions>();
  cmd->add_option("-o,--output", o->output, "Packed image to write")->required();
  cmd->add_option("--picture", o->picture, "The picture (JPEG, PNG, BMP, GIF)")
      ->required()
      ->check(CLI::ExistingFile);
  cmd->add_option("--mask", o->mask, "Region mask picture (PNG, BMP or GIF)")
      ->required()
      ->check(CLI::ExistingFile);
  cmd->add_option("--thumbnail", o->thumbnail, "Thumbnail picture (default: the picture at 80 x 60)")
      ->check(CLI::ExistingFile);
  cmd->add_option("--title", o->title, "Title");
  cmd->add_option("--artist", o->artist, "Credit line");
  cmd->add_option("--sound", o->sound, "Sound to loop while the picture shows");
  cmd->add_option("--wave", o->waves,
                  "REGION:key=value,... with keys amplitude, wavecount, phasestep, direction, "
                  "horizontal, vertical, perspective, period, jitterrange (repeatable)");
  cmd->add_option("--weather", o->weather, "none | snow | rain [:count=N,speed=I,angle=D,length=L]");
  cmd->callback([o] { Run(*o); });
}

}  // namespace

LPCTOOL_COMMAND("lpp", Setup);

}  // namespace lpctool
