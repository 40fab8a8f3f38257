// The project of a screensaver: its content files with their show flags, the settings that
// shape the show, and the name of its UI description. It arrives as the project record
// "LPC.res", a package of three ini texts (file list, settings, UI settings).
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "base/byte_range.h"
#include "base/ini.h"

namespace lpc {

inline constexpr const char* kFlagTrue = "TRUE";
inline constexpr const char* kFlagFalse = "FALSE";
// The key list of [FileList] is read through a buffer of this many bytes (names and their
// terminating zeros), which bounds the number of entries.
inline constexpr size_t kSectionKeysBuffer = 16384;
// Largest ini text of the project record that is read; a larger one counts as empty.
inline constexpr int64_t kMaxProjectIniBytes = int64_t{64} << 20;

class ContentFileList {
 public:
  std::vector<std::string> Names;  // [FileList] keys in file order
  std::vector<std::string> Flags;  // "TRUE" / "FALSE", parallel to Names

  // Every name must be a plain file name (it is joined to the work folder later): anything
  // else is a FormatError naming `name`.
  void LoadFromIni(const IniFile& ini, const std::string& name);
  void LoadFromFile(const std::string& path);
  // [FileListHeader] Header=1, then [FileList] with one key per name, value 1 or 0.
  std::string ToIniText() const;
};

class ProjectSettings {
 public:
  // [General]
  std::string ProductName;
  std::string Publisher;
  std::string Website;
  // [Default]
  bool Stretch = true;
  bool Proportional = false;
  bool Sound = true;
  bool Random = true;
  int32_t Duration = 30;
  bool Transition = true;
  bool Zoom = false;
  bool LivingZoom = false;
  int32_t ZoomDuration = 5;
  bool AutoWallpaper = false;
  int32_t Speed = 100;
  bool Music = true;
  bool Animation = true;
  int32_t ShowImageMode = 0;
  // [Advance]
  std::string PreviewFile;
  std::string MusicFile;
  int32_t MusicMode = 0;
  // [Build]
  int32_t BuildMethod = 1;
  std::string BuildFileName;
  bool BuildSmallThumbs = true;
  std::string BuildIcon;
  std::string BuildInstall;

  // Each key read with the field's current value as its default (BuildSmallThumbs: true).
  void LoadFromIni(const IniFile& ini);
  void LoadFromFile(const std::string& path);
  // Every key, section by section, in the order of SettingFields().
  std::string ToIniText() const;
};

// One ProjectSettings field with its ini section and key (the key is the field's name).
struct SettingField {
  const char* Section;
  const char* Key;
  std::variant<std::string ProjectSettings::*, bool ProjectSettings::*, int32_t ProjectSettings::*>
      Member;
};
const std::vector<SettingField>& SettingFields();

class UiSettings {
 public:
  std::string UIFile;  // [UI] UIFile

  void LoadFromIni(const IniFile& ini);
  void LoadFromFile(const std::string& path);
  std::string ToIniText() const;
};

class ScreensaverProject {
 public:
  ContentFileList FileList;
  ProjectSettings Setting;
  UiSettings UISetting;
  // Set by LoadFromFile when the project record does not hold exactly three records: the
  // records it has are used, the missing ones give defaults.
  std::vector<std::string> Warnings;

  // The project record "LPC.res", read where it lies (a range of the program file, a file of
  // its own, or memory). Errors name the range.
  void Load(const ByteRange& record);
  void LoadFromFile(const std::string& path) { Load(ByteRange::OfFile(path)); }
  // The project record: a package of the three ini texts.
  std::string ToRecordBytes() const;
};

// The authoring tool's configuration, "Lumenpool.ini" in the Windows folder; used only to find
// its "sounds" folder.
class AuthoringToolConfig {
 public:
  AuthoringToolConfig();
  std::string GetInstallPath() const;

 private:
  IniFile ini_;
};

inline constexpr const char* kDefaultInstallPath = "c:\\program files\\Quillfen\\Lumenpool\\";

}  // namespace lpc
