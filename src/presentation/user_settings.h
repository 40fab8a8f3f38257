// The user settings file beside the screensaver program: the user's own choices (picture size,
// order, speed, sound, music, fade, duration, current picture, deselected pictures) laid over
// the author's project settings. The package itself is never changed.
//
// Section "Setting": ImageSize (0 original, 1 stretch, 2 stretch proportionally), ImageMode
// (0..3), Speed (index into kSpeedTable), Sound, Music, Transition ("1"/"0"), Duration
// (seconds), Index (the picture of mode 3). Section "Files": one empty key per deselected
// picture, named by its index in the project's picture list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/project.h"

namespace lpc {

inline constexpr const char* kSettingSection = "Setting";
inline constexpr const char* kFilesSection = "Files";
// Settings files larger than this are not read, and not overwritten either.
inline constexpr uint64_t kMaxSettingsFileBytes = 64ull << 20;

// The settings file of a program: its long path with the extension replaced by ".ini". Only a
// dot in the file name counts, so a program without an extension in a dotted folder gets
// "<program>.ini" beside it rather than a file in some folder above.
std::string UserSettingsFileName(const std::string& program_long_path);

// The configuration window may read and write the file only for a program installed as a
// screensaver (".SCR") or started with "/C".
bool UserSettingsAvailable(const std::string& program_path, const std::string& first_argument);

// Folds the file (when it exists) into the project: settings, and the availability flags of
// the pictures for modes 2 (deselected pictures out) and 3 (only the picture at "Index").
void ApplyUserSettings(ScreensaverProject& project, const std::string& settings_path);

// The "Setting" keys as the configuration window holds them.
struct UserSettings {
  int ImageSize = 2;  // 0 original size, 1 stretch, 2 stretch proportionally
  int ImageMode = 0;
  int SpeedIndex = 10;
  bool Sound = true;
  bool Music = true;
  bool Transition = true;
  int Duration = 30;
  bool operator==(const UserSettings&) const = default;
};

// ImageSize of a project's scaling switches.
int ImageSizeOf(bool stretch, bool proportional);
// The table index for a speed percentage; a percentage the table lacks gives the index of the
// nearest entry (the lower one on a tie).
int SpeedIndexNearest(int percent);

// Reads "Setting" with the project's current values as defaults (the whole result is the
// defaults when the file does not exist).
UserSettings ReadUserSettings(const ScreensaverProject& project, const std::string& settings_path);
// The project's current values as settings, with the speed position given by the caller.
UserSettings UserSettingsDefaults(const ScreensaverProject& project, int speed_index);
// Reads "Setting" over the given defaults.
UserSettings ReadUserSettings(const UserSettings& defaults, const std::string& settings_path);
// Stores settings into the project: mode, duration, sound, music, transition; the speed when
// the index lies in the table; the scaling switches.
void StoreUserSettings(ScreensaverProject& project, const UserSettings& settings);
// Writes "Setting" in the order ImageSize, ImageMode, Speed, Sound, Music, Transition,
// Duration. Errors: IOError naming the file.
// Every writer saves the whole file once through a temporary file and a rename; a file that
// exists but cannot be read (or is over kMaxSettingsFileBytes) raises instead of being replaced.
void WriteUserSettings(const std::string& settings_path, const UserSettings& settings);

// "Index", or 0 when it names no picture of a list of count.
int ReadImageIndex(const std::string& settings_path, int count);
void WriteImageIndex(const std::string& settings_path, int index);
// Check marks of count pictures: all checked, except those named by a key of "Files".
std::vector<bool> ReadChecks(const std::string& settings_path, int count);
// Rewrites "Files": one empty key, in increasing order, for every picture whose check box is
// enabled and unchecked. enabled may be shorter than checks (missing entries count enabled).
void WriteChecks(const std::string& settings_path, const std::vector<bool>& checks,
                 const std::vector<bool>& enabled = {});

}  // namespace lpc
