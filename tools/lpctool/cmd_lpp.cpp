// lpctool lpp: a packed image from a picture, a region mask picture, wave and weather settings.
#include <algorithm>
#include <iostream>
#include <memory>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "command.h"
#include "content_names.h"
#include "effects/bitmap_effects.h"
#include "imaging/picture.h"
#include "lpp_build.h"
#include "package/packed_image.h"
#include "pack_checks.h"
#include "package_info.h"
#include "photo_import.h"

namespace lpctool {
namespace {

inline constexpr int kThumbnailWidth = 80;
inline constexpr int kThumbnailHeight = 60;
inline constexpr int kMaxWeatherCount = 1000;  // the weather effects draw at most this many
inline constexpr const char* kRegionColourNames[4] = {"blue 0000FF", "magenta FF00FF",
                                                      "red FF0000", "yellow FFFF00"};

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

// One key of --wave or --weather: its range, default and meaning, for parsing and for --help.
template <typename Record>
struct Key {
  const char* name;
  const char* unit;
  int32_t min;
  int32_t max;
  int32_t def;
  const char* meaning;
  void (*set)(Record&, int32_t);
};

// Defaults make a visible, calm ripple on a photograph of about 1280 x 800.
const std::vector<Key<lpc::WaveSettings>>& WaveKeys() {
  using W = lpc::WaveSettings;
  static const std::vector<Key<W>> keys = {
      {"amplitude", "pixels", -200, 200, 5, "largest displacement",
       [](W& w, int32_t v) { w.Amplitude = v; }},
      {"wavecount", "cycles", -1000, 1000, 36, "wave cycles over the picture height (at period 360)",
       [](W& w, int32_t v) { w.WaveCount = v; }},
      {"phasestep", "degrees", -360, 360, 14,
       "phase change per frame at speed 100 % (about 30 frames a second): how fast waves travel",
       [](W& w, int32_t v) { w.PhaseStep = v; }},
      {"direction", "0|1", 0, 1, 1, "0: crests travel up the picture, 1: down",
       [](W& w, int32_t v) { w.Direction = v; }},
      {"horizontal", "0|1", 0, 1, 1, "move pixels sideways", [](W& w, int32_t v) { w.Horizontal = v != 0; }},
      {"vertical", "0|1", 0, 1, 1, "move pixels up and down", [](W& w, int32_t v) { w.Vertical = v != 0; }},
      {"perspective", "0|1", 0, 1, 0, "waves grow from the region's top row to its bottom row",
       [](W& w, int32_t v) { w.Perspective = v != 0; }},
      {"period", "degrees", -3600, 3600, 360,
       "angle at which the up-and-down wave wraps; 360 is a smooth wave, smaller values give "
       "choppy water; never 0",
       [](W& w, int32_t v) { w.Period = v; }},
      {"jitterrange", "pixels", 0, 200, 4, "each column is shifted by a fixed random 0..N-1 rows",
       [](W& w, int32_t v) { w.JitterRange = v; }},
  };
  return keys;
}

inline constexpr int32_t kSnowCount = 300;
inline constexpr int32_t kPerKind = -1;  // a default that depends on the weather kind
inline constexpr int32_t kRainCount = 250;

const std::vector<Key<lpc::WeatherSettings>>& WeatherKeys() {
  using W = lpc::WeatherSettings;
  static const std::vector<Key<W>> keys = {
      {"count", "flakes or drops", 0, kMaxWeatherCount, kPerKind,
       "how many", [](W& w, int32_t v) { w.Count = v; }},
      {"speed", "index", 0, lpc::kSpeedTableSize - 1, lpc::kDefaultSpeedIndex,
       "index into the speed table 10, 20, 30, 45, 50, 60, 70, 75, 80, 90, 100, 120, 140, 160, "
       "180, 200, 220, 240, 360, 480, 500 %; 10 is 100 %",
       [](W& w, int32_t v) { w.SpeedIndex = v; }},
      {"angle", "degrees", 0, 180, 90, "rain only: 90 falls straight down, less slants left, more right",
       [](W& w, int32_t v) { w.Angle = v; }},
      {"length", "tenths", 0, 500, 10, "rain only: streak length, 10 is normal, 20 twice as long",
       [](W& w, int32_t v) { w.Length = v; }},
  };
  return keys;
}

template <typename Record>
std::string KeyHelp(const std::vector<Key<Record>>& keys) {
  std::string out;
  for (const auto& k : keys) {
    const std::string key = std::string(k.name) + "=";
    const std::string range = std::string_view(k.unit) == "0|1"
                                  ? std::string("0 or 1")
                                  : lpc::Format("%s, %d to %d", k.unit, k.min, k.max);
    const std::string def = k.def == kPerKind ? lpc::Format("%d for snow, %d for rain", kSnowCount, kRainCount)
                                              : lpc::Format("%d", k.def);
    out += lpc::Format("\n    %-12s %s, default %s: %s", key.c_str(), range.c_str(), def.c_str(), k.meaning);
  }
  return out;
}

template <typename Record>
void ApplyKeys(std::string_view text, const std::vector<Key<Record>>& keys, Record& record,
               const std::string& what) {
  for (const auto& [key, value] : KeyValues(text, what)) {
    const std::string k = lpc::LowerCase(key);
    const auto it = std::find_if(keys.begin(), keys.end(), [&](const auto& d) { return k == d.name; });
    if (it == keys.end()) throw lpc::Error(what + ": unknown key \"" + key + "\"");
    const std::string field = what + ": " + key;
    const bool is_switch = std::string_view(it->unit) == "0|1";
    const int32_t v = is_switch ? (BoolValue(value, field) ? 1 : 0) : IntValue(value, field);
    if (v < it->min || v > it->max) {
      throw lpc::Error(lpc::Format("%s must be %d to %d (%s)", field.c_str(), it->min, it->max, it->unit));
    }
    if (k == "period" && v == 0) throw lpc::Error(field + ": period (degrees) must not be 0");
    it->set(record, v);
  }
}

template <typename Record>
Record Defaults(const std::vector<Key<Record>>& keys) {
  Record r{};
  for (const auto& k : keys) {
    if (k.def != kPerKind) k.set(r, k.def);
  }
  return r;
}

// "--wave REGION:key=value,..." into the region's record; keys not given take their defaults.
void ApplyWave(const std::string& arg, std::array<lpc::WaveSettings, 4>& waves,
               std::array<bool, 4>& given) {
  const std::string what = "--wave " + arg;
  const size_t colon = arg.find(':');
  const auto region = lpc::TryStrToInt(lpc::Trim(arg.substr(0, colon)));
  if (!region || *region < 1 || *region > 4) throw lpc::Error(what + ": the region must be 1 to 4");
  lpc::WaveSettings& w = waves[static_cast<size_t>(*region - 1)];
  if (!given[static_cast<size_t>(*region - 1)]) w = Defaults(WaveKeys());
  given[static_cast<size_t>(*region - 1)] = true;
  if (colon == std::string::npos) return;
  ApplyKeys(std::string_view(arg).substr(colon + 1), WaveKeys(), w, what);
}

lpc::WeatherSettings ParseWeather(const std::string& arg) {
  const std::string what = "--weather " + arg;
  const size_t colon = arg.find(':');
  const std::string kind = lpc::LowerCase(lpc::Trim(arg.substr(0, colon)));
  lpc::WeatherSettings w = Defaults(WeatherKeys());
  if (kind == "none") w.Kind = lpc::kWeatherNone;
  else if (kind == "snow") w.Kind = lpc::kWeatherSnow, w.Count = kSnowCount;
  else if (kind == "rain") w.Kind = lpc::kWeatherRain, w.Count = kRainCount;
  else throw lpc::Error(what + ": the kind must be none, snow or rain");
  if (colon != std::string::npos) ApplyKeys(std::string_view(arg).substr(colon + 1), WeatherKeys(), w, what);
  if (w.Kind == lpc::kWeatherNone) w = lpc::WeatherSettings{};
  return w;
}

// A JPEG stream for a picture file, upright: a JPEG's own bytes are kept when it needs no
// turning; any other picture is converted, with a note when asked for.
ImportedPicture JpegOf(const std::string& path, bool lossless, bool note = true) {
  ImportOptions options;
  options.lossless = lossless;
  options.jpeg_only = true;
  ImportedPicture p = ImportPicture(path, options);
  if (note && !p.conversion.empty()) Note(path + ": " + p.conversion);
  return p;
}

}  // namespace

lpc::PackedImageData BuildPackedImage(const LppOptions& o) {
  lpc::PackedImageData d;
  d.Title = ToLatin1(o.title, "--title");
  d.Artist = ToLatin1(o.artist, "--artist");
  d.SoundFile = o.sound.empty() ? std::string() : StoreNameWithNote(o.sound, "--sound");

  // Every region gets a usable period, also the unused ones: a runtime divides by it.
  for (auto& w : d.WaveParams) w.Period = 360;
  std::array<bool, 4> given{};
  for (const auto& arg : o.waves) ApplyWave(arg, d.WaveParams, given);
  if (!o.weather.empty()) d.WeatherParam = ParseWeather(o.weather);
  if (!o.waves.empty() && o.mask.empty()) {
    throw lpc::Error("--wave needs --mask: the mask's colours say which pixels are water");
  }

  ImportedPicture imported = JpegOf(o.picture, o.lossless, o.note_conversion);
  d.PictureJpeg = std::move(imported.bytes);
  const lpc::Bitmap& picture = imported.pixels;

  // Without a mask there is no water: every pixel is region 0 and stays still.
  const lpc::Bitmap mask = o.mask.empty() ? lpc::Bitmap(picture.width(), picture.height())
                                          : lpc::LoadPicture(o.mask);
  if (mask.width() != picture.width() || mask.height() != picture.height()) {
    throw lpc::FormatError(o.mask, lpc::Format("the mask is %d x %d but the picture is %d x %d",
                                               mask.width(), mask.height(), picture.width(),
                                               picture.height()));
  }
  if (!o.mask.empty() && lpc::FileKindOf(o.mask) == lpc::FileKind::kJpeg) {
    Warn(o.mask + ": JPEG shifts colours; region colours may be lost (use PNG, BMP or GIF)");
  }
  d.MaskRuns = lpc::EncodeMask(mask);
  const auto counts = lpc::CountRegions(mask);
  for (int i = 0; i < 4; ++i) {
    if (given[static_cast<size_t>(i)] && counts[static_cast<size_t>(i + 1)] == 0) {
      Warn(lpc::Format("--wave %d: the mask has no pixels of region %d (%s)", i + 1, i + 1,
                       kRegionColourNames[i]));
    }
    if (!given[static_cast<size_t>(i)] && counts[static_cast<size_t>(i + 1)] > 0) {
      Warn(lpc::Format("%s: region %d (%s) has %lld pixels but no --wave %d; it stays still",
                       o.mask.c_str(), i + 1, kRegionColourNames[i],
                       static_cast<long long>(counts[static_cast<size_t>(i + 1)]), i + 1));
    }
  }

  if (o.thumbnail.empty()) {
    lpc::Bitmap thumb(kThumbnailWidth, kThumbnailHeight);
    lpc::SmoothResizeBitmap(picture, thumb);
    d.ThumbnailJpeg = lpc::EncodeJpeg(thumb, 90);
  } else {
    d.ThumbnailJpeg = JpegOf(o.thumbnail, o.lossless).bytes;
  }
  return d;
}

void AddWaterOptions(CLI::App* cmd, LppOptions& o) {
  cmd->add_option("--mask", o.mask,
                  "Region mask picture of the picture's size (PNG, BMP or GIF): pixels 0000FF, "
                  "FF00FF, FF0000, FFFF00 are water regions 1 to 4, any other colour stays "
                  "still (default: no water)")
      ->check(ExistingFile());
  static const std::string wave_help =
      "REGION[:key=value,...]: the waves of water region 1 to 4 (repeatable; keys left out "
      "take their defaults):" +
      KeyHelp(WaveKeys());
  static const std::string weather_help =
      "KIND[:key=value,...]: none, snow or rain drawn over the picture:" + KeyHelp(WeatherKeys());
  cmd->add_option("--wave", o.waves, wave_help);
  cmd->add_option("--weather", o.weather, weather_help);
}

namespace {

void Run(const LppOptions& o) { lpc::SavePackedImage(o.output, BuildPackedImage(o)); }

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "lpp",
      "Make a packed image (.lpp) from a picture, an optional mask picture of the same size "
      "whose pixels 0000FF (blue), FF00FF (magenta), FF0000 (red), FFFF00 (yellow) mark water "
      "regions 1 to 4, and wave and weather settings. Example: lpctool lpp -o sea.lpp "
      "--picture sea.jpg --mask sea-mask.png --wave 1 --weather snow");
  auto o = std::make_shared<LppOptions>();
  cmd->add_option("-o,--output", o->output, "Packed image to write")->required();
  cmd->add_option("--picture", o->picture,
                  std::string("The picture (JPEG, PNG, BMP, GIF, WebP, HEIC/HEIF), turned upright "
                              "by its EXIF orientation; a picture other than JPEG is stored as "
                              "JPEG at quality 95") +
                      kHeifNote)
      ->required()
      ->check(ExistingFile());
  cmd->add_option("--thumbnail", o->thumbnail,
                  "Thumbnail picture (default: the picture at 80 x 60)")
      ->check(ExistingFile());
  cmd->add_option("--title", o->title, "Title");
  cmd->add_option("--artist", o->artist, "Credit line");
  cmd->add_option("--sound", o->sound, "Sound to loop while the picture shows");
  cmd->add_flag("--lossless", o->lossless,
                "Convert a picture other than JPEG at JPEG quality 100 instead of 95 (a packed "
                "image holds JPEG only)");
  AddWaterOptions(cmd, *o);
  cmd->callback([o] { Run(*o); });
}

}  // namespace

LPCTOOL_COMMAND("lpp", Setup);

}  // namespace lpctool
