#include "presentation/wallpaper.h"

#include <algorithm>
#include <cstdint>

#include "base/errors.h"
#include "base/fileio.h"
#include "imaging/picture.h"
#include "platform/platform.h"

namespace lpc {

namespace {

int DarkenChannel(int c1, int c2, int p) {
  // 64-bit: p comes from a description file and may be anything an int holds. C++ division
  // truncates toward zero, as the rule asks.
  const int64_t v = 255 - (int64_t{p} * (255 - c1) + int64_t{100} * (255 - c2)) / 100;
  return static_cast<int>(std::clamp<int64_t>(v, 0, 255));
}

constexpr const char* kDesktopKey = "\\Control Panel\\desktop";

// The fault part of "<name>: <fault>", where name starts with `file` (the temporary file
// beside it, say); the whole text when it has no such shape.
std::string FaultOf(const std::string& message, const std::string& file) {
  if (message.compare(0, file.size(), file) != 0) return message;
  const size_t colon = message.find(": ", file.size());
  return colon == std::string::npos ? message : message.substr(colon + 2);
}

}  // namespace

Color DarkenColor(Color c1, Color c2, int p) {
  return MakeColor(DarkenChannel(RedOf(c1), RedOf(c2), p),
                   DarkenChannel(GreenOf(c1), GreenOf(c2), p),
                   DarkenChannel(BlueOf(c1), BlueOf(c2), p));
}

std::string WallpaperFileName(const std::string& exe_long_path) { return exe_long_path + ".bmp"; }

WallpaperResult SetDesktopWallpaper(const Bitmap& picture, const std::string& file) {
  // Written whole to a temporary file and renamed into place: a desktop that reads the
  // wallpaper while it is being replaced sees the old picture or the new one, never half.
  try {
    WriteFileAtomic(file, EncodeBmp(picture));
  } catch (const Error& e) {
    // The write names its temporary file; the user knows only the wallpaper file.
    throw IOError(file + ": " + FaultOf(e.what(), file));
  }
  platform::Platform& p = platform::Current();
  if (!p.RegistryKeyExists(kDesktopKey)) return WallpaperResult::kNoDesktopKey;
  p.WriteRegistryString(kDesktopKey, "TileWallpaper", "0");
  return p.SetDesktopWallpaper(file, picture) ? WallpaperResult::kSet
                                              : WallpaperResult::kNotSupported;
}

std::string WallpaperNotSetText(const std::string& file) {
  return "The picture was saved as \"" + file +
         "\", but the desktop wallpaper could not be set.\r\n"
         "Please choose this file in your desktop's own settings.";
}

}  // namespace lpc
