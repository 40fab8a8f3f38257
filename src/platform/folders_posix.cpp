#include "platform/folders.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "base/errors.h"

namespace lpc::platform {

namespace fs = std::filesystem;

std::string TempFolder() {
  const char* env = std::getenv("TMPDIR");
  if (env && *env) {
    std::string dir = env;
    if (dir.back() != '/') dir += '/';
    return dir;
  }
  const uid_t uid = getuid();
  const std::string dir = "/tmp/lpcsaver-" + std::to_string(uid);
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    throw IOError(dir + ": cannot create the temporary folder");
  }
  struct stat st {};
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    throw IOError(dir + ": the temporary folder is not a folder");
  }
  if (st.st_uid != uid) {
    throw IOError(dir + ": the temporary folder belongs to another user");
  }
  if ((st.st_mode & 077) != 0) {
    throw IOError(dir + ": the temporary folder is open to other users");
  }
  return dir + "/";
}

std::string WindowsFolder() {
  const char* env = std::getenv("LPC_WINDOWS_DIR");
  if (env && *env) {
    std::string dir = env;
    if (dir.back() != '/') dir += '/';
    return dir;
  }
  return "/etc/lpcsaver/";
}

std::string SystemFolder() { return "/usr/lib/"; }

std::string LongFileName(const std::string& path) {
  if (path.find("\\\\") != std::string::npos || path.find('*') != std::string::npos ||
      path.find('?') != std::string::npos) {
    return {};
  }
  std::error_code ec;
  if (!fs::exists(path, ec)) return {};
  // POSIX names have no short aliases; the absolute form is the long form.
  const fs::path abs = fs::absolute(path, ec);
  if (ec) return {};
  return abs.lexically_normal().string();
}

namespace {

// argv0 as a shell would have found it: a name without "/" is looked up on $PATH.
std::string StartedAs(const std::string& argv0) {
  if (argv0.empty()) return {};
  if (argv0.find('/') != std::string::npos) return argv0;
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::string dirs = path;
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t stop = dirs.find(':', start);
    if (stop == std::string::npos) stop = dirs.size();
    const std::string dir = stop > start ? dirs.substr(start, stop - start) : ".";
    const std::string candidate = dir + "/" + argv0;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = stop + 1;
  }
  return {};
}

}  // namespace

std::string ProgramPath(const std::string& argv0) {
  if (const std::string started = StartedAs(argv0); !started.empty()) {
    std::error_code ec;
    const fs::path abs = fs::absolute(started, ec);
    if (!ec && fs::exists(abs, ec)) return abs.lexically_normal().string();
  }
  char buffer[PATH_MAX + 1];
  const ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<size_t>(n));
}

bool CreateFolder(const std::string& path) {
  std::error_code ec;
  fs::create_directory(path, ec);
  return fs::is_directory(path, ec);
}

const char* const kFolderLockName = ".lpcsaver.lock";

namespace {

class PosixFolderLock : public FolderLock {
 public:
  PosixFolderLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFolderLock() override { Release(); }
  void Release() override {
    if (fd_ < 0) return;
    // Unlinked while still held: a process waiting on the old file sees it is gone.
    unlink(path_.c_str());
    close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
  std::string path_;
};

}  // namespace

FolderClaim ClaimFolder(const std::string& folder, std::unique_ptr<FolderLock>& lock) {
  lock.reset();
  std::string dir = folder;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return FolderClaim::kUnusable;
  struct stat st {};
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
      (st.st_mode & 022) != 0) {
    return FolderClaim::kUnusable;
  }
  const std::string lock_path = dir + "/" + kFolderLockName;
  // A holder that ends between our open and our lock has unlinked the file we hold: try
  // again on the file that is there now.
  for (int attempt = 0; attempt < 5; ++attempt) {
    const int fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return errno == ENOENT ? FolderClaim::kBusy : FolderClaim::kUnusable;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      close(fd);
      return FolderClaim::kBusy;
    }
    struct stat held {}, named {};
    if (fstat(fd, &held) == 0 && lstat(lock_path.c_str(), &named) == 0 &&
        held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
      lock = std::make_unique<PosixFolderLock>(fd, lock_path);
      return FolderClaim::kClaimed;
    }
    close(fd);
  }
  return FolderClaim::kBusy;
}

bool CreateFreshFile(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode) || unlink(path.c_str()) != 0) return false;
  }
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  close(fd);
  return true;
}

}  // namespace lpc::platform
