// lpctool install FILE.scr: puts a Linux screensaver where the desktop's screensaver finds it
// (XScreenSaver's program list, which hands the screensaver its window through
// XSCREENSAVER_WINDOW), says what it changed and how to undo it. A Windows screensaver gets the
// instructions for Windows instead. On Windows it does what the system's "Install" verb does
// (install_windows.cpp). With --xsecurelock it writes a saver module for xsecurelock instead
// (install_xsecurelock.cpp).
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "command.h"
#include "install_windows.h"
#include "install_xsecurelock.h"
#include "package/package.h"

namespace lpctool {
namespace {

namespace fs = std::filesystem;

struct InstallOptions {
  std::string file;
  std::string dest;
  std::string saver_dir;
  bool xsecurelock = false;
  bool remove = false;
  bool no_dialog = false;
};

constexpr const char* kBackupSuffix = ".before-lpctool";

std::string Home() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) throw lpc::Error("HOME is not set; cannot find the user's settings");
  return home;
}

fs::path DefaultDestination() {
  const char* data = std::getenv("XDG_DATA_HOME");
  return (data && *data ? fs::path(data) : fs::path(Home()) / ".local" / "share") / "lpcsaver";
}

// The command XScreenSaver runs; it hands commands with quotes to /bin/sh.
std::string ShellWord(const std::string& path) {
  if (path.find_first_not_of(
          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-+") ==
      std::string::npos) {
    return path;
  }
  return "'" + path + "'";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t stop = text.find('\n', start);
    if (stop == std::string::npos) stop = text.size();
    lines.push_back(text.substr(start, stop - start));
    start = stop + 1;
  }
  return lines;
}

std::string RightTrimmed(const std::string& s) {
  size_t n = s.size();
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t' || s[n - 1] == '\r')) --n;
  return s.substr(0, n);
}

bool Continues(const std::string& line) {
  const std::string t = RightTrimmed(line);
  return !t.empty() && t.back() == '\\';
}

// Index of the "programs:" line and of the last line of its value, or -1.
std::pair<int, int> ProgramsResource(const std::vector<std::string>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("programs:", 0) == 0) {
      size_t last = i;
      while (Continues(lines[last]) && last + 1 < lines.size()) ++last;
      return {static_cast<int>(i), static_cast<int>(last)};
    }
  }
  return {-1, -1};
}

void WriteText(const fs::path& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  lpc::WriteFileAtomic(path.string(), text);
}

int FindEntry(const std::vector<std::string>& lines, std::pair<int, int> range,
              const std::string& command) {
  for (int i = range.first; i <= range.second; ++i) {
    if (lines[static_cast<size_t>(i)].find(command) != std::string::npos) return i;
  }
  return -1;
}

void PrintWindows(const std::string& file) {
  std::cout << file << " is a Windows screensaver. On Windows:\n"
            << "  copy it to C:\\Windows\\System32 (for every user) or keep it anywhere, then\n"
            << "  right-click it and choose \"Install\" (or \"Test\" to try it), and pick it in\n"
            << "  Settings > Personalisation > Lock screen > Screen saver.\n"
            << "  To undo: choose another screensaver and delete the file.\n";
}

// The folder a file goes into can be made and written, and the file itself is not a folder:
// checked for every target before the first write, so that a failure comes before anything
// changed. Errors name the path and the system's reason.
void CheckTarget(const fs::path& target) {
  std::error_code ec;
  if (fs::is_directory(fs::symlink_status(target, ec))) {
    throw lpc::IOError(target.string() + ": is a folder; cannot write the file there");
  }
  const fs::path folder = target.parent_path();
  fs::path existing = folder;
  while (!existing.empty() && !fs::exists(existing, ec) && existing != existing.parent_path()) {
    existing = existing.parent_path();
  }
  if (!fs::is_directory(existing, ec)) {
    throw lpc::IOError(folder.string() + ": cannot create the folder (" + existing.string() +
                       " is not a folder)");
  }
#ifndef _WIN32
  if (access(existing.c_str(), W_OK | X_OK) != 0) {
    const int error = errno;
    throw lpc::IOError(
        folder.string() +
        (existing == folder ? ": cannot write there (" : ": cannot create the folder (") +
        std::strerror(error) + ")");
  }
#endif
}

// What an install has changed so far; unless committed, it is undone in reverse order: files
// written get their old content back or go, folders made go when empty.
class InstallJournal {
 public:
  InstallJournal() = default;
  InstallJournal(const InstallJournal&) = delete;
  InstallJournal& operator=(const InstallJournal&) = delete;
  ~InstallJournal() {
    if (!committed_) Undo();
  }

  void MakeFolders(const fs::path& folder) {
    std::vector<fs::path> missing;
    std::error_code ec;
    for (fs::path p = folder; !p.empty() && !fs::exists(p, ec) && p != p.parent_path();
         p = p.parent_path()) {
      missing.push_back(p);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      if (!fs::create_directory(*it, ec) && !fs::is_directory(*it)) {
        throw lpc::IOError(folder.string() + ": cannot create the folder (" + ec.message() + ")");
      }
      steps_.push_back({*it, true, std::nullopt});
    }
  }

  // A file that is the user's own link is written through it (and put back through it); a new
  // file takes the mode of mode_of when given, so a copy of a private file stays private.
  void Write(const fs::path& path, const std::string& bytes, bool executable,
             const std::string& mode_of = {}) {
    std::error_code ec;
    std::optional<std::string> before;
    if (fs::is_regular_file(fs::status(path, ec))) before = lpc::ReadFileBytes(path.string());
    steps_.push_back({path, false, std::move(before)});
    lpc::AtomicFileWriter file(path.string());
    if (!mode_of.empty()) file.TakeModeOf(mode_of);
    if (executable) file.MakeExecutable();
    file.Write(bytes);
    file.Commit();
  }

  void Commit() { committed_ = true; }

 private:
  struct Step {
    fs::path path;
    bool folder;
    std::optional<std::string> before;  // a file's content before the write, if it had one
  };

  void Undo() noexcept {
    for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
      std::error_code ec;
      try {
        if (it->folder) {
          fs::remove(it->path, ec);  // only when empty
        } else if (it->before) {
          lpc::WriteFileAtomic(it->path.string(), *it->before);
        } else {
          fs::remove(it->path, ec);
        }
      } catch (const std::exception& e) {
        std::cerr << it->path.string() << ": could not be put back: " << e.what() << "\n";
      }
    }
  }

  std::vector<Step> steps_;
  bool committed_ = false;
};

// A copy install made: a regular file carrying a package.
bool IsInstalledCopy(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(fs::symlink_status(path, ec))) return false;
  int64_t offset = 0;
  int32_t count = 0;
  try {
    return lpc::FindPackageMarker(path.string(), offset, count);
  } catch (const std::exception&) {
    return false;
  }
}

// Whether anything was there under the name (removed, or left and said so).
bool RemoveInstalledCopy(const fs::path& installed) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(installed, ec))) return false;
  if (!IsInstalledCopy(installed)) {
    std::cout << installed.string() << ": left as it is (not a screensaver lpctool installed)\n";
    return true;
  }
  if (!fs::remove(installed, ec)) {
    throw lpc::IOError(installed.string() + ": cannot be removed (" + ec.message() + ")");
  }
  std::cout << "removed " << installed.string() << "\n";
  PrintFilesKeptBeside(installed.string());
  return true;
}

void Run(const InstallOptions& o) {
#ifndef __linux__
  if (o.xsecurelock) {
    throw lpc::Error(
        "install --xsecurelock: xsecurelock is a screen locker for Linux; it is not "
        "available on this system");
  }
#endif
#ifdef _WIN32
  InstallOnWindows({o.file, o.dest, o.remove, !o.no_dialog});
  return;
#endif
  const std::string name = InstallableName(o.file);
  const fs::path dest_dir = o.dest.empty() ? DefaultDestination() : fs::path(o.dest);
  const fs::path installed = fs::absolute(dest_dir / name);
  const std::string command = ShellWord(installed.string()) + " /S";
  const fs::path settings = fs::path(Home()) / ".xscreensaver";
  const std::string saver_dir = o.saver_dir.empty() ? DefaultXSecureLockFolder() : o.saver_dir;

  if (o.remove) {
    std::error_code ec;
    bool found = false;
    if (o.xsecurelock) found = RemoveXSecureLockSaver(installed.string(), saver_dir);
    if (!o.xsecurelock && fs::exists(settings, ec)) {
      std::vector<std::string> lines = Lines(lpc::ReadFileBytes(settings.string()));
      const auto range = ProgramsResource(lines);
      const int at = range.first < 0 ? -1 : FindEntry(lines, range, command);
      if (at >= 0) {
        // The entry was appended last: the line before it got the continuation it now loses.
        if (at == range.second && at - 1 >= range.first &&
            !Continues(lines[static_cast<size_t>(at)])) {
          std::string& before = lines[static_cast<size_t>(at - 1)];
          before = RightTrimmed(before);
          before.pop_back();
        }
        lines.erase(lines.begin() + at);
        WriteText(settings, lines);
        std::cout << settings.string() << ": removed the program \"" << name << "\"\n";
        found = true;
      }
    }
    // Undoing what is not there still ends where the user asked to be (exit 0), but says so.
    if (!RemoveInstalledCopy(installed) && !found) {
      PrintNothingInstalled(name, dest_dir.string());
      PrintFilesKeptBeside(installed.string());
    }
    return;
  }

  CheckScreensaverToInstall(o.file);
  const std::string head =
      lpc::FileSize(o.file) >= 4 ? lpc::ReadFileRange(o.file, 0, 4, 4) : std::string();
  if (head.rfind("MZ", 0) == 0) {
    PrintWindows(o.file);
    return;
  }
  if (head !=
      "\x7f"
      "ELF") {
    throw lpc::FormatError(o.file, "is not a program for this system (packed onto which runtime?)");
  }
#ifndef __linux__
  std::cout << "This system has no screensaver lpctool knows; run " << ShellWord(o.file)
            << " /S to show it.\n";
  return;
#endif
  // XScreenSaver's list holds the command as a word of its own; the saver module quotes it.
  if (!o.xsecurelock && (name.find_first_of("\\'\"\n") != std::string::npos ||
                         installed.string().find_first_of("\\'\"\n") != std::string::npos)) {
    throw lpc::FormatError(o.file, "rename it without quotes or backslashes first");
  }

  // Everything is read and checked before the first write.
  std::error_code ec;
  const bool copy = fs::absolute(o.file) != installed;
  const std::string saver =
      o.xsecurelock ? XSecureLockSaverPath(installed.string(), saver_dir) : std::string();
  std::vector<std::string> lines;
  std::pair<int, int> range{-1, -1};
  const bool has_settings = !o.xsecurelock && fs::exists(settings, ec);
  if (has_settings) {
    lines = Lines(lpc::ReadFileBytes(settings.string()));
    range = ProgramsResource(lines);
    if (range.first < 0) {
      throw lpc::FormatError(
          settings.string(),
          "has no \"programs:\" list; open XScreenSaver's settings once to write it");
    }
  }
  const bool listed = has_settings && FindEntry(lines, range, command) >= 0;
  if (o.xsecurelock) CheckTarget(saver);
  if (copy) CheckTarget(installed);
  if (has_settings && !listed) {
    CheckTarget(settings);
    CheckTarget(settings.string() + kBackupSuffix);
  }

  InstallJournal journal;
  // The module's folder first: when it cannot be made, nothing is copied.
  if (o.xsecurelock) journal.MakeFolders(fs::path(saver).parent_path());
  journal.MakeFolders(dest_dir);
  if (copy) {
    journal.Write(installed, lpc::ReadFileBytes(o.file), true);
  } else {
#ifndef _WIN32
    chmod(installed.c_str(), 0755);
#endif
  }
  const std::string undo = "to undo: lpctool install --remove " + ShellWord(name) +
                           (o.dest.empty() ? "" : " --dest " + ShellWord(o.dest));
  if (o.xsecurelock) {
    journal.Write(saver, XSecureLockSaverScriptFor(installed.string()), true);
    journal.Commit();
    std::cout << "copied " << o.file << " to " << installed.string()
              << " (its user settings will live beside it)\n";
    PrintXSecureLockUse(saver, installed.string(),
                        "to undo: lpctool install --xsecurelock --remove " + ShellWord(name) +
                            (o.dest.empty() ? "" : " --dest " + ShellWord(o.dest)) +
                            (o.saver_dir.empty() ? "" : " --saver-dir " + ShellWord(o.saver_dir)));
    return;
  }
  if (!has_settings || listed) {
    journal.Commit();
    std::cout << "copied " << o.file << " to " << installed.string()
              << " (its user settings will live beside it)\n";
    if (listed) {
      std::cout << settings.string() << ": already lists " << command << "\n" << undo << "\n";
      return;
    }
    std::cout << "XScreenSaver has no settings file (" << settings.string() << ").\n"
              << "  If XScreenSaver is installed, open its settings once (xscreensaver-settings\n"
              << "  or xscreensaver-demo) so that it writes the file, then run this again.\n"
              << "  Without it, run " << command << " to show the screensaver.\n"
              << undo << "\n";
    return;
  }
  journal.Write(settings.string() + kBackupSuffix, lpc::ReadFileBytes(settings.string()), false,
                settings.string());
  // Appended last, so that the positions XScreenSaver remembers ("selected:") stay right.
  const std::string stem = name.substr(0, name.rfind('.'));
  const std::string entry = "  \"" + stem + "\"  " + command + " \\n";
  const size_t last_at = static_cast<size_t>(range.second);
  if (range.second > range.first && RightTrimmed(lines[last_at]).empty()) {
    // The list's last entry continues into a blank line: go in before the blank.
    lines.insert(lines.begin() + range.second, entry + "\\");
  } else {
    std::string& last = lines[last_at];
    const std::string trimmed = RightTrimmed(last);
    if (range.second == range.first && trimmed == "programs:") {
      last = trimmed + " \\";  // an empty list
    } else if (trimmed.size() >= 2 && trimmed.compare(trimmed.size() - 2, 2, "\\n") == 0) {
      last = trimmed + "\\";
    } else {
      last = trimmed + " \\n\\";
    }
    lines.insert(lines.begin() + range.second + 1, entry);
  }
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  journal.Write(settings, text, false);
  journal.Commit();
  std::cout << "copied " << o.file << " to " << installed.string()
            << " (its user settings will live beside it)\n";
  std::cout << settings.string() << ": added \"" << stem << "\" at the end of the programs list "
            << "(the file as it was: " << settings.string() << kBackupSuffix << ")\n"
            << "XScreenSaver reads the change by itself; choose \"" << stem
            << "\" in its settings (xscreensaver-settings).\n"
            << undo << "\n";
}

void Setup(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "install",
      "Make a screensaver available: on Linux, copy it to ~/.local/share/lpcsaver and add it to "
      "XScreenSaver's program list (~/.xscreensaver) or, with --xsecurelock, write a saver module "
      "for xsecurelock; on Windows, copy it to %APPDATA%\\LPCSaver, "
      "make it the user's screensaver (SCRNSAVE.EXE) and open the Screen Saver settings. Prints "
      "what changed and how to undo it. On Linux, for a Windows screensaver, says where to copy "
      "it");
  auto o = std::make_shared<InstallOptions>();
  cmd->add_option("FILE", o->file, "The screensaver (.scr) made by `lpctool pack`")->required();
  cmd->add_option("--dest", o->dest,
                  "Folder to copy it to (default: $XDG_DATA_HOME/lpcsaver or "
                  "~/.local/share/lpcsaver; Windows: %APPDATA%\\LPCSaver)");
  auto* xsecurelock =
      cmd->add_flag("--xsecurelock", o->xsecurelock,
                    "Linux: instead of XScreenSaver's list, write xsecurelock's saver module "
                    "saver_NAME (a script that runs the copy with /S) and say how to lock with it");
  cmd->add_option("--saver-dir", o->saver_dir,
                  "Folder for the xsecurelock saver module (default: "
                  "~/.local/libexec/xsecurelock)")
      ->needs(xsecurelock);
  cmd->add_flag("--remove", o->remove,
                "Undo: take FILE's name off the program list (Windows: put back the screensaver "
                "it replaced; with --xsecurelock, delete the saver module) and delete the copy");
  cmd->add_flag("--no-dialog", o->no_dialog,
                "Windows: do not open the Screen Saver settings afterwards (nor does a non-empty "
                "LPCTOOL_NO_DIALOG)");
  cmd->callback([o] { Run(*o); });
}

}  // namespace

LPCTOOL_COMMAND("install", Setup);

}  // namespace lpctool
