#include "platform/folders.h"

#include <sys/stat.h>
#include <unistd.h>

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

std::string ProgramPath() {
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

}  // namespace lpc::platform
