// `lpctool install --xsecurelock`: a saver module for xsecurelock, the screen locker that runs a
// program named saver_* on each monitor inside a window it hands over in XSCREENSAVER_WINDOW
// and ends that program with SIGTERM.
#pragma once

#include <string>

namespace lpctool {

// The saver module's file name for a screensaver: "saver_" and the name without its
// extension, with every byte other than letters, digits, '.', '_' and '-' turned into '_'.
std::string XSecureLockSaverName(const std::string& screensaver_name);

// The module's text: a shell script that runs `program` with "/S" in its place.
std::string XSecureLockSaverScript(const std::string& program, const std::string& title);

// The folder for saver modules when none is given: ~/.local/libexec/xsecurelock.
std::string DefaultXSecureLockFolder();

// Writes the saver module for the installed screensaver `program` into `folder` (made when
// missing), executable, and prints where it is and how to lock with it.
void WriteXSecureLockSaver(const std::string& program, const std::string& folder,
                           const std::string& undo);

// Deletes the saver module of the screensaver named `screensaver_name` from `folder`.
void RemoveXSecureLockSaver(const std::string& screensaver_name, const std::string& folder);

}  // namespace lpctool
