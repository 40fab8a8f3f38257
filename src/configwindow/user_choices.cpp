#include "configwindow/user_choices.h"

#include "base/errors.h"
#include "base/numbers.h"

namespace lpc {

namespace {

int InRangeOr(int value, int low, int high, int fallback) {
  return value >= low && value <= high ? value : fallback;
}

}  // namespace

UserChoicesPlace UserChoicesPlaceOf(const std::string& exe_long_path,
                                    const std::string& first_argument) {
  return UserChoicesPlace{UserSettingsFileName(exe_long_path),
                          UserSettingsAvailable(exe_long_path, first_argument)};
}

int SpeedPositionOf(int percent) {
  for (int i = 0; i < kSpeedTableSize; ++i) {
    if (kSpeedTable[i] == percent) return i;
  }
  return 0;
}

bool ReadUserSettings(const ScreensaverProject& project, const UserChoicesPlace& place,
                      UserSettings& settings) {
  const UserSettings defaults =
      UserSettingsDefaults(project, SpeedPositionOf(project.Setting.Speed));
  settings = defaults;
  if (!place.Available) return false;
  settings = ReadUserSettings(defaults, place.SettingsFile);
  settings.ImageSize = InRangeOr(settings.ImageSize, 0, 2, defaults.ImageSize);
  settings.ImageMode = InRangeOr(settings.ImageMode, 0, 3, defaults.ImageMode);
  settings.SpeedIndex = InRangeOr(settings.SpeedIndex, 0, kSpeedTableSize - 1, defaults.SpeedIndex);
  return true;
}

void WriteUserSettings(const UserChoicesPlace& place, const UserSettings& settings) {
  if (place.Available) WriteUserSettings(place.SettingsFile, settings);
}

void TakeOverUserSettings(ScreensaverProject& project, const UserChoicesPlace& place) {
  UserSettings settings;
  try {
    if (ReadUserSettings(project, place, settings)) StoreUserSettings(project, settings);
  } catch (const IOError&) {
    // The window opens with the author's settings and says, once it is shown, why the user's
    // file could not be read (its first read of the file meets the same error).
  }
}

UserChoicesPlace ChoicesPlaceOf(const ConfigEnvironment& env) {
  UserChoicesPlace place = UserChoicesPlaceOf(env.ExeLongPath, env.FirstArgument);
  if (!env.SettingsFile.empty()) place.SettingsFile = env.SettingsFile;
  return place;
}

int32_t ReadImageIndex(const UserChoicesPlace& place, int count) {
  return place.Available ? ReadImageIndex(place.SettingsFile, count) : 0;
}

void WriteImageIndex(const UserChoicesPlace& place, int32_t index) {
  if (place.Available) WriteImageIndex(place.SettingsFile, index);
}

std::optional<std::vector<bool>> ReadChecks(const UserChoicesPlace& place, int count) {
  if (!place.Available) return std::nullopt;
  return ReadChecks(place.SettingsFile, count);
}

void WriteChecks(const UserChoicesPlace& place, const std::vector<bool>& checks) {
  if (place.Available) WriteChecks(place.SettingsFile, checks);
}

}  // namespace lpc
