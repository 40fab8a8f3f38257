// File-system services that differ between hosts: the temporary folder, the program's own
// path, and the long form of a path. Everything else that touches files uses the standard
// library directly.
#pragma once

#include <string>

namespace lpc::platform {

// The system temporary folder, with a trailing separator.
// Windows: GetTempPathA. Elsewhere: $TMPDIR when set, otherwise a private per-user folder
// /tmp/lpcsaver-<uid>/ made with mode 0700; a folder of that name owned by another user, or
// open to others, is refused (IOError), since anything unpacked there could be swapped.
std::string TempFolder();

// The Windows folder and the system folder (Linux: folders the runtime may use in their place;
// $LPC_WINDOWS_DIR overrides the first, for tests).
std::string WindowsFolder();
std::string SystemFolder();

// The long form of an existing file's path, component by component as the file system lists
// them; "" for a network path ("\\"), a path with "*" or "?", or one naming nothing.
std::string LongFileName(const std::string& path);

// The running program's own path (argv[0] resolved; /proc/self/exe on Linux).
std::string ProgramPath();

// Creates one folder level; false when it could not be made (and does not exist).
bool CreateFolder(const std::string& path);

}  // namespace lpc::platform
