// What a command-line program needs of the user's session beyond files: its arguments and
// console in the program's own encoding, the user's folders, and the screensaver the system
// starts for the user. On Windows these are the wide-character Win32 calls, turned into UTF-8
// (lpctool's encoding, lpc::UseUtf8Paths); elsewhere the bytes as the system gives them, and
// the Windows-only settings report that there is nothing to change.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lpc::platform {

// The program's arguments, argv[0] first: on Windows from the wide command line (argv holds them
// in the ANSI code page, which loses what it cannot spell), elsewhere argv as given.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Text written to the console from here on is UTF-8 (Windows: the console's output code page;
// pipes and files get the bytes unchanged). Nothing to do elsewhere.
void UseUtf8Console();

// The running program's own file, in the program's encoding ("" when unknown).
std::string OwnProgramPath();

// The folder for the user's roaming program data (Windows: %APPDATA%); "" where there is none.
std::string UserDataFolder();

// The screensaver the system starts for the user: on Windows the value SCRNSAVE.EXE under
// HKCU\Control Panel\Desktop, nullopt when it is not set. nullopt elsewhere.
std::optional<std::string> UserScreensaver();
// Sets that value, or removes it for nullopt; false when it cannot be written (or elsewhere).
bool SetUserScreensaver(const std::optional<std::string>& path);

// The short (8.3) form of an existing file's path when the volume keeps one, else the path as
// given.
std::string ShortPath(const std::string& path);

// Opens the system's screensaver settings (Windows: the Screen Saver page of the Display
// control panel); false when it could not be started or there is none.
bool OpenScreensaverSettings();

}  // namespace lpc::platform
