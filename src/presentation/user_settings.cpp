#include "presentation/user_settings.h"

#include <cstdlib>
#include <optional>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/ini.h"
#include "base/numbers.h"
#include "base/paths.h"

namespace lpc {

namespace {

// A "Files" key that names a picture index 0..count-1.
bool PictureIndexKey(const std::string& key, int count, int& index) {
  const auto value = TryStrToInt(key);
  if (!value || *value < 0 || *value >= count) return false;
  index = *value;
  return true;
}

int ValidIndex(int index, int count) { return index >= 0 && index < count ? index : 0; }

// Changes the file in memory and saves it once, whole, so an interrupted or failed save leaves
// the previous file as it was. A file that exists but cannot be read is refused rather than
// replaced by one holding only the new keys.
template <typename Edit>
void EditSettingsFile(const std::string& settings_path, Edit edit) {
  std::string text;
  if (FileExists(settings_path)) text = ReadFileBytes(settings_path, kMaxSettingsFileBytes);
  IniFile ini = IniFile::FromText(text);
  edit(ini);
  WriteFileAtomic(settings_path, ini.Text());
}

}  // namespace

std::string UserSettingsFileName(const std::string& program_long_path) {
  return ChangeFileExt(program_long_path, ".ini");
}

bool UserSettingsAvailable(const std::string& program_path, const std::string& first_argument) {
  return UpperFileExt(program_path) == ".SCR" || UpperCase(first_argument) == "/C";
}

void ApplyUserSettings(ScreensaverProject& project, const std::string& settings_path) {
  if (!FileExists(settings_path)) return;
  // The show goes on with the author's settings when the user's file cannot be read; the
  // configuration window is where that is reported.
  std::optional<IniFile> read;
  try {
    read.emplace(settings_path);
  } catch (const IOError&) {
    return;
  }
  const IniFile& ini = *read;
  ProjectSettings& s = project.Setting;
  const int image_size = ini.ReadInteger(kSettingSection, "ImageSize", -1);
  const int image_mode = ini.ReadInteger(kSettingSection, "ImageMode", s.ShowImageMode);
  const int speed = ini.ReadInteger(kSettingSection, "Speed", -1);
  const bool sound = ini.ReadBool(kSettingSection, "Sound", s.Sound);
  const bool music = ini.ReadBool(kSettingSection, "Music", s.Music);
  const bool transition = ini.ReadBool(kSettingSection, "Transition", s.Transition);
  const int duration = ini.ReadInteger(kSettingSection, "Duration", s.Duration);
  int index = ini.ReadInteger(kSettingSection, "Index", 0);
  const std::vector<std::string> deselected = ini.ReadSection(kFilesSection);

  std::vector<std::string>& flags = project.FileList.Flags;
  const int count = static_cast<int>(project.FileList.Names.size());
  flags.resize(project.FileList.Names.size(), kFlagTrue);
  index = ValidIndex(index, count);
  if (image_mode == 3) {
    for (int i = 0; i < count; ++i) flags[i] = i == index ? kFlagTrue : kFlagFalse;
  }
  if (image_mode == 2) {
    for (const std::string& key : deselected) {
      int picture;
      if (PictureIndexKey(key, count, picture)) flags[picture] = kFlagFalse;
    }
  }

  s.ShowImageMode = image_mode;
  s.Duration = duration;
  s.Sound = sound;
  s.Music = music;
  s.Transition = transition;
  if (speed != -1 && speed >= 0 && speed < kSpeedTableSize) s.Speed = kSpeedTable[speed];
  if (image_size != -1) {
    s.Stretch = image_size > 0;
    s.Proportional = image_size == 2;
  }
}

int ImageSizeOf(bool stretch, bool proportional) {
  if (!stretch) return 0;
  return proportional ? 2 : 1;
}

int SpeedIndexNearest(int percent) {
  int best = 0;
  for (int i = 1; i < kSpeedTableSize; ++i) {
    if (std::abs(kSpeedTable[i] - percent) < std::abs(kSpeedTable[best] - percent)) best = i;
  }
  return best;
}

UserSettings ReadUserSettings(const ScreensaverProject& project, const std::string& settings_path) {
  return ReadUserSettings(UserSettingsDefaults(project, SpeedIndexNearest(project.Setting.Speed)),
                          settings_path);
}

UserSettings UserSettingsDefaults(const ScreensaverProject& project, int speed_index) {
  const ProjectSettings& s = project.Setting;
  UserSettings d;
  d.ImageSize = ImageSizeOf(s.Stretch, s.Proportional);
  d.ImageMode = s.ShowImageMode;
  d.SpeedIndex = speed_index;
  d.Sound = s.Sound;
  d.Music = s.Music;
  d.Transition = s.Transition;
  d.Duration = s.Duration;
  return d;
}

UserSettings ReadUserSettings(const UserSettings& d, const std::string& settings_path) {
  if (!FileExists(settings_path)) return d;
  const IniFile ini(settings_path);
  UserSettings r;
  r.ImageSize = ini.ReadInteger(kSettingSection, "ImageSize", d.ImageSize);
  r.ImageMode = ini.ReadInteger(kSettingSection, "ImageMode", d.ImageMode);
  r.SpeedIndex = ini.ReadInteger(kSettingSection, "Speed", d.SpeedIndex);
  r.Sound = ini.ReadBool(kSettingSection, "Sound", d.Sound);
  r.Music = ini.ReadBool(kSettingSection, "Music", d.Music);
  r.Transition = ini.ReadBool(kSettingSection, "Transition", d.Transition);
  r.Duration = ini.ReadInteger(kSettingSection, "Duration", d.Duration);
  return r;
}

void StoreUserSettings(ScreensaverProject& project, const UserSettings& u) {
  ProjectSettings& s = project.Setting;
  s.ShowImageMode = u.ImageMode;
  s.Duration = u.Duration;
  s.Sound = u.Sound;
  s.Music = u.Music;
  s.Transition = u.Transition;
  if (u.SpeedIndex >= 0 && u.SpeedIndex < kSpeedTableSize) s.Speed = kSpeedTable[u.SpeedIndex];
  s.Stretch = u.ImageSize > 0;
  s.Proportional = u.ImageSize == 2;
}

void WriteUserSettings(const std::string& settings_path, const UserSettings& u) {
  EditSettingsFile(settings_path, [&](IniFile& ini) {
    ini.WriteInteger(kSettingSection, "ImageSize", u.ImageSize);
    ini.WriteInteger(kSettingSection, "ImageMode", u.ImageMode);
    ini.WriteInteger(kSettingSection, "Speed", u.SpeedIndex);
    ini.WriteBool(kSettingSection, "Sound", u.Sound);
    ini.WriteBool(kSettingSection, "Music", u.Music);
    ini.WriteBool(kSettingSection, "Transition", u.Transition);
    ini.WriteInteger(kSettingSection, "Duration", u.Duration);
  });
}

int ReadImageIndex(const std::string& settings_path, int count) {
  const IniFile ini(settings_path);
  return ValidIndex(ini.ReadInteger(kSettingSection, "Index", 0), count);
}

void WriteImageIndex(const std::string& settings_path, int index) {
  EditSettingsFile(settings_path,
                   [&](IniFile& ini) { ini.WriteInteger(kSettingSection, "Index", index); });
}

std::vector<bool> ReadChecks(const std::string& settings_path, int count) {
  std::vector<bool> checks(static_cast<size_t>(count > 0 ? count : 0), true);
  const IniFile ini(settings_path);
  for (const std::string& key : ini.ReadSection(kFilesSection)) {
    int picture;
    if (PictureIndexKey(key, count, picture)) checks[picture] = false;
  }
  return checks;
}

void WriteChecks(const std::string& settings_path, const std::vector<bool>& checks,
                 const std::vector<bool>& enabled) {
  EditSettingsFile(settings_path, [&](IniFile& ini) {
    ini.EraseSection(kFilesSection);
    for (size_t i = 0; i < checks.size(); ++i) {
      const bool is_enabled = i >= enabled.size() || enabled[i];
      if (is_enabled && !checks[i]) ini.WriteString(kFilesSection, std::to_string(i), "");
    }
  });
}

}  // namespace lpc
