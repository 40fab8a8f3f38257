// `lpctool install --xsecurelock`: a saver module for xsecurelock, the screen locker that runs a
// program named saver_* on each monitor inside a window it hands over in XSCREENSAVER_WINDOW
// and ends that program with SIGTERM.
#pragma once

#include <string>

namespace lpctool {

// The saver module's file name for a screensaver: "saver_" and the name without its
// extension, escaped so that two names never share a module: letters, digits, '.' and '-'
// stay, '_' becomes "__" and every other byte "_XX" (its two upper-case hexadecimal digits).
// "a b.scr" -> "saver_a_20b", "a_b.scr" -> "saver_a__b".
std::string XSecureLockSaverName(const std::string& screensaver_name);

// The module's text: a shell script that runs `program` with "/S" in its place.
std::string XSecureLockSaverScript(const std::string& program, const std::string& title);

// The folder for saver modules when none is given: ~/.local/libexec/xsecurelock.
std::string DefaultXSecureLockFolder();

// Where the module of the installed screensaver `program` goes in `folder`, and its text.
std::string XSecureLockSaverPath(const std::string& program, const std::string& folder);
std::string XSecureLockSaverScriptFor(const std::string& program);

// Says where the module is and how to lock with it.
void PrintXSecureLockUse(const std::string& saver, const std::string& program,
                         const std::string& undo);

// Deletes the saver module of the installed screensaver `program` from `folder`, when it is
// the module install wrote for it; anything else of that name is left as it is. Whether there
// was a file of that name.
bool RemoveXSecureLockSaver(const std::string& program, const std::string& folder);

}  // namespace lpctool
