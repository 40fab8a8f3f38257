// The user's choices as the configuration window keeps them: the "Setting" keys of the
// settings dialog, the current picture and the thumbnails' check marks, all in the user
// settings file beside the program (presentation/user_settings.h owns its keys and forms).
//
// The window touches that file only for a program installed as a screensaver (".SCR") or
// started with "/C"; otherwise it runs on the project's defaults and writes nothing.
//
// Values the window cannot show are read as absent: an "ImageSize" outside 0..2, an
// "ImageMode" outside 0..3 and a "Speed" outside 0..20 give the project's value; "Files" keys
// that are not picture indexes (not numbers, or outside 0..count-1) are skipped, and the next
// close rewrites the section without them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "configwindow/config_context.h"
#include "package/project.h"
#include "presentation/user_settings.h"

namespace lpc {

struct UserChoicesPlace {
  std::string SettingsFile;
  bool Available = false;  // UserSettingsAvailable
};

// The settings file of a program (its long path) and whether the window may use it.
UserChoicesPlace UserChoicesPlaceOf(const std::string& exe_long_path,
                                    const std::string& first_argument);

// The table position whose percentage is exactly `percent`; 0 when the table lacks it.
int SpeedPositionOf(int percent);

// Fills `settings` from the project, then from section "Setting" when the file may be used and
// exists. Returns whether it may be used.
bool ReadUserSettings(const ScreensaverProject& project, const UserChoicesPlace& place,
                      UserSettings& settings);
// Writes section "Setting" (nothing when the file may not be used). Errors: IOError naming
// the file; the file on disk is then unchanged.
void WriteUserSettings(const UserChoicesPlace& place, const UserSettings& settings);
// The saved settings into the project, when a described window is built.
void TakeOverUserSettings(ScreensaverProject& project, const UserChoicesPlace& place);

// The place of a configuration mode running in that environment: the program's settings file,
// or the one the environment names.
UserChoicesPlace ChoicesPlaceOf(const ConfigEnvironment& env);

// "Index" for a list of count pictures, 0 when it names none (or the file may not be used).
int32_t ReadImageIndex(const UserChoicesPlace& place, int count);
void WriteImageIndex(const UserChoicesPlace& place, int32_t index);
// The check marks of count pictures (all on except the keys of "Files"), or nothing when the
// file may not be used: the strip then keeps the marks it made.
std::optional<std::vector<bool>> ReadChecks(const UserChoicesPlace& place, int count);
// Rewrites "Files" from the marks (nothing when the file may not be used).
void WriteChecks(const UserChoicesPlace& place, const std::vector<bool>& checks);

}  // namespace lpc
