// Whole-file helpers. Errors name the file: "<path>: <fault>".
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace lpc {

// Paths are strings in the program's own encoding. On Windows the runtime's strings are in the
// ANSI code page, as its Win32 calls give them; lpctool's are UTF-8 on every system, so it
// calls UseUtf8Paths() first. Elsewhere a path is the bytes the system names it by, unchanged.
// Every file opened here and in the packages goes through FsPath, and names the system gives
// come back through PathText.
void UseUtf8Paths();
bool Utf8Paths();
std::filesystem::path FsPath(std::string_view path);
std::string PathText(const std::filesystem::path& path);

// These three also find the files held in place (base/byte_range.h).
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Size in bytes, or -1 when the file cannot be examined.
int64_t FileSize(const std::string& path);

// Reads the whole file (or what a name held in place stands for). Missing file: FileNotFoundError
// "<path>: File not found"; one that cannot be read: IOError with the system's reason; a file
// larger than max_bytes: FormatError, before anything is allocated.
std::string ReadFileBytes(const std::string& path, uint64_t max_bytes = UINT64_C(1) << 32);

// The system's text for an errno value ("Permission denied"), for messages that say why.
std::string SystemReason(int error);

// What a write does when the name it is given is a symbolic link.
enum class LinkRule {
  // The link stays and the file it leads to is replaced, as a user who keeps a settings file
  // elsewhere expects. Every link on the way must belong to the user running the program (on
  // POSIX systems): one planted by another user is refused, so nobody can steer a write into a
  // file of their choosing. A link that leads to something other than a file is refused.
  kFollowOwn,
  // The link itself is replaced by a regular file; nothing it points to is read or touched.
  // For reports, which are written when something went wrong and must never be steered.
  kReplace,
};

// The file a write to path replaces under rule: path itself, or the file its links lead to.
// IOError naming path when a link may not be followed.
std::string WriteTarget(const std::string& path, LinkRule rule = LinkRule::kFollowOwn);

// A file written piece by piece beside its target and renamed over it only when whole.
// The temporary file gets an unpredictable name in the target's folder and is created
// exclusively (never through a link, never an existing file); it takes the mode (and, where the
// process may, the owner) of the file it replaces. Until Commit, readers see the old file; a
// writer destroyed without Commit, a failed write, or a stop request (RemoveUnfinishedWrites)
// leaves no temporary file behind. Errors are IOError naming the target as the caller gave it
// and the system's reason.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::string& path, LinkRule rule = LinkRule::kFollowOwn);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view bytes);
  // For writers that take a stream; its failures are found by Commit.
  std::ostream& Stream();
  // Adds the execute bits to the mode the file gets (a program being written).
  void MakeExecutable();
  // Gives the file the mode of another (a copy of a private file stays private).
  void TakeModeOf(const std::string& path);
  // Flushes to disk and renames the file into place.
  void Commit();

  // The name the caller gave, and the file that Commit replaces.
  const std::string& Path() const { return path_; }
  const std::string& Target() const { return target_; }

 private:
  class Buffer;
  std::string path_;
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  std::unique_ptr<Buffer> buffer_;
  std::unique_ptr<std::ostream> stream_;
  bool committed_ = false;
};

// Commits every writer, or, when one fails, puts back what the ones before it replaced (their
// targets' earlier bytes, or no file where there was none) and throws that failure: the files
// are replaced together or not at all.
void CommitTogether(const std::vector<AtomicFileWriter*>& writers);

// Whether two names stand for one file: the same file on disk, or, for names of files not yet
// written, the same place once links are followed.
bool SameFile(const std::string& a, const std::string& b);

// Removes the temporary file of every write in progress and refuses new ones: for a request to
// stop, which may come on any thread while a write is under way.
void RemoveUnfinishedWrites();

// Writes bytes through an AtomicFileWriter: readers see either the old or the new file, never
// half of one.
void WriteFileAtomic(const std::string& path, std::string_view bytes,
                     LinkRule rule = LinkRule::kFollowOwn);

// Plain write (create or truncate). Failure: IOError naming the path.
void WriteFileBytes(const std::string& path, std::string_view bytes);

}  // namespace lpc
