// `lpctool install` on Windows: what the system's "Install" verb of a .scr does, from the
// command line.
#pragma once

#include <string>

namespace lpctool {

struct WindowsInstallOptions {
  std::string file;
  std::string dest;  // default %APPDATA%\LPCSaver
  bool remove = false;
  bool dialog = true;  // open the Screen Saver settings afterwards
};

// A file to install: there, and carrying a package. Errors name the file and the fault.
void CheckScreensaverToInstall(const std::string& file);

// The file name a screensaver is installed under, when it is one the screensaver can run
// under: not a folder, no control character (a line break), no ':' or '\\' (the screensaver
// takes them for a drive or folder and would run as part of its name), not starting with a dot
// (its name is what comes before the first dot). Otherwise an Error saying why.
std::string InstallableName(const std::string& file);

// After a remove: the files the screensaver wrote beside its copy stay, because they are the
// user's (the settings the configuration window saved; the wallpaper bitmap, which may still be
// the desktop's picture). Says which are there, where, and how large.
void PrintFilesKeptBeside(const std::string& installed);

// A remove that found nothing under the name: says so, and names the screensavers that are
// installed in `folder`, so that a mistyped name shows at once.
void PrintNothingInstalled(const std::string& name, const std::string& folder);

// Install: copies the screensaver into the user's folder and makes it the user's screensaver
// (SCRNSAVE.EXE), recording the value it replaces. Remove: puts that value back (when the
// screensaver is still ours) and deletes the copy. Prints what changed and how to undo it.
void InstallOnWindows(const WindowsInstallOptions& o);

}  // namespace lpctool
