// File-system services that differ between hosts: the temporary folder, the program's own
// path, and the long form of a path. Everything else that touches files uses the standard
// library directly.
#pragma once

#include <functional>
#include <memory>
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

// The running program's own path: on Windows the module's file; elsewhere argv0 as the
// program was started by (searched on $PATH when it has no "/"), made absolute but with its
// links kept, since a link's name is the screensaver's name; /proc/self/exe when that fails.
std::string ProgramPath(const std::string& argv0 = {});

// Creates one folder level; false when it could not be made (and does not exist).
bool CreateFolder(const std::string& path);

// A folder held by this process. While it is held, ClaimFolder in any process reports the
// folder busy; the hold ends with the process however it ends (killed, power lost).
class FolderLock {
 public:
  virtual ~FolderLock() = default;
  // Ends the hold and deletes the lock file, so that the folder can be removed when empty.
  virtual void Release() = 0;
};

enum class FolderClaim { kClaimed, kBusy, kUnusable };

// Creates the folder (private to the user) when missing and claims it. kUnusable: the path
// is not a real folder of this user's (a link, a reparse point, another user's, writable by
// others) or cannot be made; anything unpacked there could be swapped or read by others.
// kBusy: another live process holds it.
FolderClaim ClaimFolder(const std::string& folder, std::unique_ptr<FolderLock>& lock);

// The name of the lock file ClaimFolder keeps inside a claimed folder.
extern const char* const kFolderLockName;

// Creates path as a new, empty file. An entry already there is removed first without
// following it (a link goes, never its target); the creation itself refuses to follow a link
// planted in between. False when the file cannot be made.
bool CreateFreshFile(const std::string& path);

// Ends the process cleanly on a request to stop (SIGHUP, SIGTERM, SIGINT, SIGUSR1) at any moment,
// whatever the program is doing: the temporary files of unfinished writes are removed
// (base/fileio.h), every on_stop given so far runs on a thread of its own, then the process
// exits. Call before any other thread starts; later calls add their on_stop. On Windows the
// console's Ctrl+C, Ctrl+Break and close events do the same for a console program.
void InstallStopHandler(std::function<void()> on_stop);

}  // namespace lpc::platform
