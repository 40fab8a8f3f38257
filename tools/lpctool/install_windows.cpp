#include "install_windows.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/ini.h"
#include "base/paths.h"
#include "package/package.h"
#include "command.h"
#include "platform/user_session.h"
#include "presentation/user_settings.h"
#include "presentation/wallpaper.h"

namespace lpctool {

namespace {

namespace fs = std::filesystem;

constexpr const char* kValueName = "HKCU\\Control Panel\\Desktop SCRNSAVE.EXE";
// Beside the copies: the value install replaced, so that --remove can put it back.
constexpr const char* kRecordName = "previous-screensaver.ini";
constexpr const char* kSection = "SCRNSAVE.EXE";

std::string Shown(const std::optional<std::string>& value) {
  return value ? "\"" + *value + "\"" : std::string("(not set)");
}

std::string DestinationFolder(const WindowsInstallOptions& o) {
  if (!o.dest.empty()) return o.dest;
  const std::string data = lpc::platform::UserDataFolder();
  if (data.empty()) throw lpc::Error("cannot find the user's application data folder (%APPDATA%)");
  return lpc::JoinPath(data, "LPCSaver");
}

struct Record {
  std::optional<std::string> previous;  // what SCRNSAVE.EXE was before the first install
  std::string written;                  // what install wrote last
};

std::optional<Record> ReadRecord(const std::string& path) {
  if (!lpc::FileExists(path)) return std::nullopt;
  const lpc::IniFile ini = lpc::IniFile::FromText(lpc::ReadFileBytes(path));
  Record r;
  if (ini.ReadBool(kSection, "WasSet", false))
    r.previous = ini.ReadString(kSection, "Previous", "");
  r.written = ini.ReadString(kSection, "Written", "");
  return r;
}

void WriteRecord(const std::string& path, const Record& r) {
  lpc::IniFile ini = lpc::IniFile::FromText("");
  ini.WriteBool(kSection, "WasSet", r.previous.has_value());
  ini.WriteString(kSection, "Previous", r.previous.value_or(""));
  ini.WriteString(kSection, "Written", r.written);
  lpc::WriteFileAtomic(path, ini.Text());
}

std::string UndoCommand(const std::string& name, const WindowsInstallOptions& o) {
  return "lpctool install --remove " + ShellWord(name) +
         (o.dest.empty() ? "" : " --dest " + ShellWord(o.dest));
}

void Remove(const std::string& installed, const std::string& record_path) {
  const std::optional<std::string> current = lpc::platform::UserScreensaver();
  const std::optional<Record> record = ReadRecord(record_path);
  const bool ours = current && (lpc::SameText(*current, lpc::platform::ShortPath(installed)) ||
                                lpc::SameText(*current, installed) ||
                                (record && lpc::SameText(*current, record->written)));
  if (ours) {
    const std::optional<std::string> restored = record ? record->previous : std::nullopt;
    if (!lpc::platform::SetUserScreensaver(restored)) {
      throw lpc::IOError(std::string(kValueName) + ": cannot be changed");
    }
    std::cout << kValueName << ": " << Shown(current) << " -> " << Shown(restored) << "\n";
  } else if (current) {
    std::cout << kValueName << ": left as it is (" << Shown(current)
              << ", another screensaver chosen since)\n";
  }
  std::error_code ec;
  if (record) fs::remove(lpc::FsPath(record_path), ec);
  // Only a screensaver file: never a folder or anything else that has its name.
  const bool removed = fs::is_regular_file(fs::symlink_status(lpc::FsPath(installed), ec)) &&
                       fs::remove(lpc::FsPath(installed), ec);
  if (removed) std::cout << "removed " << installed << "\n";
  if (!removed && !ours) {
    PrintNothingInstalled(lpc::ExtractFileName(installed),
                          lpc::PathText(lpc::FsPath(installed).parent_path()));
  }
  PrintFilesKeptBeside(installed);
}

std::string SizeText(uint64_t bytes) {
  std::ostringstream text;
  if (bytes < 1000 * 1000) {
    text << (bytes + 999) / 1000 << " kB";
  } else {
    text.precision(1);
    text << std::fixed << static_cast<double>(bytes) / 1e6 << " MB";
  }
  return text.str();
}

}  // namespace

void PrintFilesKeptBeside(const std::string& installed) {
  const struct {
    std::string path;
    const char* what;
  } kept[] = {
      {lpc::UserSettingsFileName(installed), "the user's settings from the configuration window"},
      {lpc::WallpaperFileName(installed),
       "the picture \"Set as a Wallpaper\" wrote; the desktop may still show it"},
  };
  for (const auto& k : kept) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(lpc::FsPath(k.path), ec))) continue;
    const uint64_t size = fs::file_size(lpc::FsPath(k.path), ec);
    std::cout << "kept " << k.path << " (" << k.what << ", " << SizeText(ec ? 0 : size)
              << "; delete it by hand when it is no longer wanted)\n";
  }
}

void PrintNothingInstalled(const std::string& name, const std::string& folder) {
  std::cout << "nothing installed as " << name << " in " << folder << "; nothing removed\n";
  std::error_code ec;
  std::set<std::string> others;
  for (fs::directory_iterator it(lpc::FsPath(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string file = lpc::PathText(it->path().filename());
    int64_t offset = 0;
    int32_t count = 0;
    try {
      if (it->is_regular_file(ec) &&
          lpc::FindPackageMarker(lpc::PathText(it->path()), offset, count)) {
        others.insert(file);
      }
    } catch (const std::exception&) {
      // Not a screensaver: not listed.
    }
  }
  if (others.empty()) return;
  std::cout << "installed there:";
  for (const auto& o : others) std::cout << " " << o;
  std::cout << "\n";
}

void CheckScreensaverToInstall(const std::string& file) {
  if (!lpc::FileExists(file)) throw lpc::FileNotFoundError(file + ": " + lpc::kFileNotFound);
  int64_t offset = 0;
  int32_t count = 0;
  if (!lpc::FindPackageMarker(file, offset, count)) {
    throw lpc::FormatError(file, "carries no package; make it with `lpctool pack` first");
  }
}

std::string InstallableName(const std::string& file) {
#ifdef _WIN32
  const std::string name = lpc::ExtractFileName(file);
#else
  // The name as this system sees it: ':' and '\\' are parts of it here.
  const std::string name = file.substr(file.find_last_of('/') + 1);
#endif
  const auto refuse = [&file](const std::string& why) {
    throw lpc::Error(file + ": " + why + "; rename it first");
  };
  if (name.empty() || name == "." || name == "..") {
    throw lpc::Error(file + ": names a folder; give the screensaver's file");
  }
  for (const char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) {
      refuse(
          "the name holds a control character (such as a line break), which no program "
          "list or command line can carry");
    }
  }
  if (name.find_first_of(":\\") != std::string::npos) {
    refuse(
        "the name holds a ':' or '\\', which the screensaver reads as a drive or folder, so "
        "it would run as \"" +
        lpc::ExtractFileName(name) + "\"");
  }
  if (name[0] == '.') {
    refuse(
        "the name starts with a dot: the screensaver is named by what comes before its first "
        "dot, which is nothing");
  }
  if (!lpc::IsSafeFileName(lpc::FileNameBeforeFirstDot(name))) {
    refuse("the screensaver cannot take its name from it");
  }
  return name;
}

void InstallOnWindows(const WindowsInstallOptions& o) {
  const std::string name = InstallableName(o.file);
  const std::string dest = DestinationFolder(o);
  const std::string installed = lpc::PathText(fs::absolute(lpc::FsPath(dest) / lpc::FsPath(name)));
  const std::string record_path = lpc::JoinPath(dest, kRecordName);
  if (o.remove) {
    Remove(installed, record_path);
    return;
  }

  CheckScreensaverToInstall(o.file);
  if (lpc::ReadFileRange(o.file, 0, 2, 2) != "MZ") {
    throw lpc::FormatError(o.file,
                           "is not a Windows program (packed onto the Linux runtime?); "
                           "pack it with lpcsaver.exe");
  }

  std::error_code ec;
  const bool dest_existed = fs::is_directory(lpc::FsPath(dest), ec);
  fs::create_directories(lpc::FsPath(dest), ec);
  if (!fs::is_directory(lpc::FsPath(dest), ec)) {
    throw lpc::IOError(dest + ": cannot create the folder");
  }
  const bool copy = !fs::equivalent(lpc::FsPath(o.file), lpc::FsPath(installed), ec);
  const std::optional<Record> old_record = ReadRecord(record_path);
  const std::optional<std::string> current = lpc::platform::UserScreensaver();
  try {
    if (copy) lpc::WriteFileAtomic(installed, lpc::ReadFileBytes(o.file));
    // The short form, as the system's own Install writes it: the value is run unquoted, and
    // the 8.3 name has neither spaces nor characters outside the ANSI code page. A volume
    // without short names gives the long path.
    const std::string value = lpc::platform::ShortPath(installed);
    // The first install remembers the user's own choice; later ones keep that.
    Record record = old_record.value_or(Record{current, ""});
    record.written = value;
    WriteRecord(record_path, record);
    if (!lpc::platform::SetUserScreensaver(value)) {
      throw lpc::IOError(std::string(kValueName) + ": cannot be changed");
    }
    if (copy) {
      std::cout << "copied " << o.file << " to " << installed
                << " (its user settings will live beside it)\n";
    }
    std::cout << kValueName << ": " << Shown(current) << " -> \"" << value << "\"\n"
              << "to undo: " << UndoCommand(name, o) << " (puts back " << Shown(record.previous)
              << ")\n";
  } catch (...) {
    // A failed install leaves nothing behind.
    if (copy) fs::remove(lpc::FsPath(installed), ec);
    if (old_record)
      WriteRecord(record_path, *old_record);
    else
      fs::remove(lpc::FsPath(record_path), ec);
    if (!dest_existed) fs::remove(lpc::FsPath(dest), ec);
    throw;
  }
  const char* skip = std::getenv("LPCTOOL_NO_DIALOG");
  if (!o.dialog || (skip && *skip)) return;
  if (lpc::platform::OpenScreensaverSettings()) {
    std::cout << "opened the Screen Saver settings\n";
  } else {
    std::cout << "the Screen Saver settings did not open; open them with: "
                 "control desk.cpl,,@screensaver\n";
  }
}

}  // namespace lpctool
