// Picture services of the configuration window: making a picture the desktop wallpaper, and
// the colour shading of the thumbnail strip.
#pragma once

#include <string>

#include "base/bitmap.h"

namespace lpc {

// C2 darkened by p percent of C1's darkness, per channel:
// 255 - (p * (255 - c1) + 100 * (255 - c2)) div 100, truncated toward zero, clamped to 0..255.
// p = 0 gives C2; p = 100 with black C1 gives black. Colours are plain 0x00RRGGBB: the caller
// resolves system colour constants first.
Color DarkenColor(Color c1, Color c2, int p);

// The wallpaper file beside the program: its long path with ".bmp" appended to the whole name
// ("/usr/games/Sea.scr" -> "/usr/games/Sea.scr.bmp").
std::string WallpaperFileName(const std::string& exe_long_path);

enum class WallpaperResult {
  kSet,           // the desktop was told to show the picture
  kNoDesktopKey,  // "\Control Panel\desktop" is missing: file written, nothing else changed
  kNotSupported,  // file written and "TileWallpaper" = "0", but the host could not set it
};

// Saves `picture` to `file` as a BMP (atomically, replacing an earlier one), then, when the
// current platform's registry has the key "\Control Panel\desktop" (it is never created here),
// writes "TileWallpaper" = "0" there and makes the file the desktop wallpaper. The style value
// (centred or stretched) is left as the user has it.
// A picture that cannot be saved (empty, folder not writable) throws lpc::IOError naming the
// file; the registry and the wallpaper are then untouched.
// kNotSupported is the one result to tell the user about (WallpaperNotSetText); a missing key
// is silent, as on Windows.
WallpaperResult SetDesktopWallpaper(const Bitmap& picture, const std::string& file);

// What to tell the user after kNotSupported: the picture is there, the desktop did not take it.
std::string WallpaperNotSetText(const std::string& file);

}  // namespace lpc
