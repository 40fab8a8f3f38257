#include "package/project.h"

#include <filesystem>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numbers.h"
#include "base/overloaded.h"
#include "base/paths.h"
#include "package/package.h"
#include "package/work_folder.h"
#include "platform/folders.h"

namespace lpc {

// ---- file list ----

void ContentFileList::LoadFromIni(const IniFile& ini, const std::string& name) {
  Names.clear();
  Flags.clear();
  size_t used = 1;  // the zero that ends the key list
  for (const auto& [key, value] : ini.ReadSectionValues("FileList")) {
    used += key.size() + 1;
    if (used > kSectionKeysBuffer) break;  // the names that no longer fit are not seen
    if (!IsSafeFileName(key)) {
      throw FormatError(name, "[FileList] entry \"" + key + "\" is not a plain file name");
    }
    Names.push_back(key);
    Flags.push_back(StrToIntDef(value, 0) != 0 ? kFlagTrue : kFlagFalse);
  }
}

void ContentFileList::LoadFromFile(const std::string& path) { LoadFromIni(IniFile(path), path); }

std::string ContentFileList::ToIniText() const {
  IniFile ini = IniFile::FromText("");
  ini.WriteInteger("FileListHeader", "Header", 1);
  if (Names.empty()) return ini.Text() + "[FileList]\r\n";
  for (size_t i = 0; i < Names.size(); ++i) {
    const bool on = i < Flags.size() && Flags[i] == kFlagTrue;
    ini.WriteBool("FileList", Names[i], on);
  }
  return ini.Text();
}

// ---- settings ----

const std::vector<SettingField>& SettingFields() {
  using S = ProjectSettings;
  static const std::vector<SettingField> fields = {
      {"General", "ProductName", &S::ProductName},
      {"General", "Publisher", &S::Publisher},
      {"General", "Website", &S::Website},
      {"Default", "Stretch", &S::Stretch},
      {"Default", "Proportional", &S::Proportional},
      {"Default", "Sound", &S::Sound},
      {"Default", "Random", &S::Random},
      {"Default", "Duration", &S::Duration},
      {"Default", "Transition", &S::Transition},
      {"Default", "Zoom", &S::Zoom},
      {"Default", "LivingZoom", &S::LivingZoom},
      {"Default", "ZoomDuration", &S::ZoomDuration},
      {"Default", "AutoWallpaper", &S::AutoWallpaper},
      {"Default", "Speed", &S::Speed},
      {"Default", "Music", &S::Music},
      {"Default", "Animation", &S::Animation},
      {"Default", "ShowImageMode", &S::ShowImageMode},
      {"Advance", "PreviewFile", &S::PreviewFile},
      {"Advance", "MusicFile", &S::MusicFile},
      {"Advance", "MusicMode", &S::MusicMode},
      {"Build", "BuildMethod", &S::BuildMethod},
      {"Build", "BuildFileName", &S::BuildFileName},
      {"Build", "BuildSmallThumbs", &S::BuildSmallThumbs},
      {"Build", "BuildIcon", &S::BuildIcon},
      {"Build", "BuildInstall", &S::BuildInstall},
  };
  return fields;
}

void ProjectSettings::LoadFromIni(const IniFile& ini) {
  for (const SettingField& f : SettingFields()) {
    std::visit(Overloaded{
                   [&](std::string ProjectSettings::*m) {
                     this->*m = ini.ReadString(f.Section, f.Key, this->*m);
                   },
                   [&](bool ProjectSettings::*m) {
                     // The one key whose default does not follow the field.
                     const bool def = m == &ProjectSettings::BuildSmallThumbs ? true : this->*m;
                     this->*m = ini.ReadBool(f.Section, f.Key, def);
                   },
                   [&](int32_t ProjectSettings::*m) {
                     this->*m = ini.ReadInteger(f.Section, f.Key, this->*m);
                   },
               },
               f.Member);
  }
}

void ProjectSettings::LoadFromFile(const std::string& path) { LoadFromIni(IniFile(path)); }

std::string ProjectSettings::ToIniText() const {
  IniFile ini = IniFile::FromText("");
  for (const SettingField& f : SettingFields()) {
    std::visit(
        Overloaded{
            [&](std::string ProjectSettings::*m) { ini.WriteString(f.Section, f.Key, this->*m); },
            [&](bool ProjectSettings::*m) { ini.WriteBool(f.Section, f.Key, this->*m); },
            [&](int32_t ProjectSettings::*m) { ini.WriteInteger(f.Section, f.Key, this->*m); },
        },
        f.Member);
  }
  return ini.Text();
}

// ---- UI settings ----

void UiSettings::LoadFromIni(const IniFile& ini) { UIFile = ini.ReadString("UI", "UIFile", ""); }

void UiSettings::LoadFromFile(const std::string& path) { LoadFromIni(IniFile(path)); }

std::string UiSettings::ToIniText() const {
  IniFile ini = IniFile::FromText("");
  ini.WriteString("UI", "UIFile", UIFile);
  return ini.Text();
}

// ---- project ----

void ScreensaverProject::Load(const ByteRange& record) {
  Warnings.clear();
  const std::string& path = record.name();
  const PackageExtractResult result = LocatePackageRecords(record, 0, -1, 3);
  if (!result.CountMatches(3)) {
    Warnings.push_back(Format("%s: the project record holds %d records instead of 3; %d used",
                              path.c_str(), result.RecordCount, result.Extracted));
  }
  // A record the package lacks reads as an empty ini, as does one too large to be one.
  auto ini = [&](size_t i) {
    if (i >= result.Records.size() || result.Records[i].Size > kMaxProjectIniBytes) {
      return IniFile::FromText("");
    }
    const PackageRecord& r = result.Records[i];
    return IniFile::FromText(record.ReadString(r.Offset, r.Size, kMaxProjectIniBytes));
  };
  FileList.LoadFromIni(ini(0), path + " (file list)");
  Setting.LoadFromIni(ini(1));
  UISetting.LoadFromIni(ini(2));
}

std::string ScreensaverProject::ToRecordBytes() const {
  PackageBuilder record;
  record.AddBytes(FileList.ToIniText());
  record.AddBytes(Setting.ToIniText());
  record.AddBytes(UISetting.ToIniText());
  return record.ToBytes();
}

// ---- authoring tool configuration ----

AuthoringToolConfig::AuthoringToolConfig()
    : ini_(JoinPath(platform::WindowsFolder(), "Lumenpool.ini")) {}

std::string AuthoringToolConfig::GetInstallPath() const {
  return ini_.ReadString("CONFIG", "PATH", kDefaultInstallPath);
}

}  // namespace lpc
