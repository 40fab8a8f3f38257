// The work folder that a screensaver's package is unpacked into, and the path helpers the rest
// of the program names files with.
#pragma once

#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace lpc {

namespace platform {
class FolderLock;
}

// The long form of an existing file's path; "" for a network path, a path with "*" or "?", or
// one that names nothing.
std::string GetLongFileName(const std::string& path);

// The system temporary folder, with a trailing separator.
std::string GetTempFolder();

// The temporary folder + the long file name of exe_path cut before its first dot + "-" +
// ProgramPathTag of its long path + separator ("Sea Waves-1f0c33a9/"): readable, and two
// programs of one name in different folders never share a folder. An executable whose long name is
// empty (it does not exist) or yields no usable folder name
// (".scr") is an Error naming it: the temporary folder itself must never become the work
// folder, since its files are removed when the run ends.
std::string WorkFolderNameFor(const std::string& exe_path);
// Eight hexadecimal digits that stand for a program's long path, the same in every run.
std::string ProgramPathTag(const std::string& long_path);
// Removes everything in folder (a folder inside the temporary folder) but the lock file of its
// holder, never following a link; a folder elsewhere, the temporary folder itself or a link is
// left alone. False when something could not be removed or the folder was left alone.
bool EmptyWorkFolder(const std::string& folder);
// WorkFolderNameFor, created (one level) when missing.
std::string GetWorkFolderFor(const std::string& exe_path);
// The work folder of the running program.
std::string GetWorkFolder();

// The work folder one running instance holds for itself. Two instances of one screensaver
// (a "/P" beside a running "/S") never share one, so neither removes the other's files.
class PrivateWorkFolder {
 public:
  using Cleaner = std::function<void(const std::string& folder)>;
  // How many folders of one name (the named one and its numbered siblings) may exist.
  static constexpr int kMaxInstances = 16;

  // Claims the folder `base` (with a trailing separator) when it is free, otherwise the first
  // free numbered sibling ("Sea/" -> "Sea.2/", "Sea.3/", ...; no program name holds a dot, so
  // these never belong to another screensaver). A folder of these names whose instance is
  // gone (killed, power lost) is emptied by remove_leftovers; the first such is taken over,
  // the others removed. Error naming base when no folder can be had.
  static std::unique_ptr<PrivateWorkFolder> Claim(const std::string& base,
                                                  const Cleaner& remove_leftovers);
  ~PrivateWorkFolder();
  PrivateWorkFolder(const PrivateWorkFolder&) = delete;
  PrivateWorkFolder& operator=(const PrivateWorkFolder&) = delete;

  // With a trailing separator.
  const std::string& Path() const { return path_; }

  // Creates path (a file in this folder) fresh, never through a link, remembers it for Remove
  // and opens it for writing. IOError naming the file when it cannot, and always once Remove
  // has run.
  std::ofstream CreateOutput(const std::string& path);

  // Deletes every file CreateOutput made, ends the hold and removes the folder when it is
  // then empty. Safe from any thread, also while another is unpacking; runs once.
  void Remove();

  // Remove on every folder this process holds, also one a claim in progress is taking: for a
  // request to stop that arrives on another thread.
  static void RemoveActive();

  // True once a stop has begun (RemoveActive has run): the process ends in a moment, and what
  // fails now fails because of the stop.
  static bool Stopping();
  // Runs action unless a stop has begun; a stop waits for an action under way. False when it
  // did not run. For what must not happen behind a stop (writing the error report).
  static bool UnlessStopping(const std::function<void()>& action);

  // A file of its own for a name held in place (base/byte_range.h) in a folder this process
  // holds, for a player that takes a path: written the first time it is asked for and removed
  // with the folder. Any other name comes back as it is. IOError naming the file when it cannot
  // be written.
  static std::string FileOnDisk(const std::string& path);

 private:
  PrivateWorkFolder(std::string path, std::unique_ptr<platform::FolderLock> lock);

  std::mutex mutex_;
  std::string path_;
  std::unique_ptr<platform::FolderLock> lock_;
  std::vector<std::string> created_;
  bool removed_ = false;
};

}  // namespace lpc
