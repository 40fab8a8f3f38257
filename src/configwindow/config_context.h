// What the configuration mode works on, handed to every window it opens and from there to the
// window's components: no window reads it back from anywhere else.
#pragma once

#include <cstdint>
#include <string>

#include "configwindow/forms.h"
#include "package/project.h"

namespace lpc {

// What the described windows need to know about the running program.
struct ConfigEnvironment {
  std::string ExeLongPath;    // the program's own file, long form
  std::string FirstArgument;  // the first command-line argument as given ("" when none)
  std::string SettingsFile;   // the user's settings file
  std::string WorkFolder;     // where the package was unpacked
  std::string ProgramFolder;  // the folder of the program, with a trailing separator
  std::string InstallPath;    // the authoring tool's install folder (its "sounds")
  // The host's window that asked for the configuration ("/c:HWND"); the main window belongs
  // to it. 0 when none was given.
  uint64_t HostWindow = 0;
};

// The forms the windows come from (a click may open another), the project whose pictures they
// show and whose texts fill the placeholders, and the program's places. Made once by the
// configuration mode; outlives every window shown with it.
struct ConfigContext {
  UiDescription& forms;
  ScreensaverProject& project;
  ConfigEnvironment env;
};

}  // namespace lpc
