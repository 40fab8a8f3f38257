// Program entry: the screensaver command line, the package appended to the program, and the
// four modes ("/S" run, "/C" configure, "/P" preview into a host window, "/A" password change).
// A library, so tests can drive whole starts on the headless platform.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "configwindow/forms.h"
#include "package/package.h"
#include "package/project.h"
#include "platform/platform.h"
#include "presentation/show_window.h"

namespace lpc {

enum class RunMode { kNone, kPassword, kRun, kConfigure, kPreview };

// The record files of the package, as unpacked into the work folder.
inline constexpr const char* kProjectRecord = "LPC.res";
inline constexpr const char* kFilesRecord = "LPFiles.res";
inline constexpr const char* kFileNamesRecord = "LPFilenames.res";
inline constexpr const char* kUIRecord = "LPGUI.lui";
inline constexpr const char* kMainWindowForm = "MainWindow";

// The file name of the program cut before its first dot ("Sea.Waves.scr" -> "Sea").
std::string ExeBaseNameOf(const std::string& long_path);
// The first argument upper-cased and cut to two characters ("/save" -> "/S").
std::string ModeSwitchOf(const std::string& first_argument);
// The window a host hands over: joined to the switch after a colon ("/p:1234", as some hosts
// send it), else the second argument ("/p 1234", "-p 1234"); upper-cased.
std::string WindowArgumentOf(const std::vector<std::string>& arguments);
// The mode a switch selects; an empty switch selects configure, an unknown one nothing.
RunMode ModeOf(const std::string& mode_switch);

// Where the parts of a screensaver's package lie in its program file, every count, size and
// name checked. Errors name the program file (and the record where the fault lies in one).
struct PackageLayout {
  ByteRange Program;
  PackageRecord Project, Names, Files, UI;
  std::vector<std::string> ContentNames;  // as stored, one per content record
  std::vector<PackageRecord> Contents;
};
PackageLayout LocatePackage(const std::string& exe_path);

// Reads the program's package where it lies: loads the project from its record, and makes the
// content files and the UI description stand under their names in work_folder as files held
// in place (base/byte_range.h), so nothing is copied; the project's file names point there.
// Only what needs a file of its own gets one later (ContentFileOnDisk). Errors name the file
// and the fault; a fault found later reading a held file names "<program> (<name>)". Returns
// the work-folder names of the content files.
std::vector<std::string> OpenPackageInPlace(ScreensaverProject& project,
                                            const std::string& exe_path,
                                            const std::string& work_folder);
// The same, but every record and content file is written into work_folder as a file, each
// made through create (see ExtractPackageRecords).
void ExtractPackage(ScreensaverProject& project, const std::string& exe_path,
                    const std::string& work_folder, const OutputCreator& create = {});
// Deletes the unpacked files (those the folder's own "LPFilenames.res" lists, and those of
// content_names) and, when it is then empty, the work folder. Never fails.
void RemovePackageFiles(const std::string& work_folder,
                        const std::vector<std::string>& content_names = {});

// Everything a start needs from outside: arguments, the program's path, the platform (made on
// first use, so the password mode never opens a display), the work folder.
struct StartupContext {
  std::vector<std::string> Arguments;  // without the program name
  std::string ExePath;                 // the program as started
  std::function<platform::Platform*()> MakePlatform;
  // Overrides for tests; empty means the running program's own.
  std::string WorkFolder;
  std::string SettingsFile;
  // Set by the authoring tool: "/S" shows in a normal window, and when its Reload says the
  // program file changed, the package is unpacked afresh and the show starts over with it.
  const WindowedShow* Windowed = nullptr;
};

// Runs one start and returns the exit code. Errors that no mode handles propagate; RunMain
// reports them.
int RunProgram(StartupContext& startup);

// RunProgram with the general error reporting around it: an error ends in a message box with
// its text and a report file beside the program with the details (type, versions, stack).
int RunMain(StartupContext& startup);

// The report file for a program ("<program>.error.txt" beside it).
std::string ErrorReportFileName(const std::string& exe_path);
// The program's version line for reports.
std::string VersionText();
// What "--help" prints.
std::string UsageText();

// Reports an error: writes the details to report_path (falling back to the temporary folder
// when that cannot be written) and shows the text in an error box when a platform exists.
// Returns the path the details went to ("" when nowhere).
std::string ReportError(platform::Platform* platform, const std::exception& error,
                        const std::string& report_path);

}  // namespace lpc
