#include "platform/user_session.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace lpc::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void UseUtf8Console() {}

std::string OwnProgramPath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string UserDataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data) return data;
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/.local/share" : std::string();
}

std::optional<std::string> UserScreensaver() { return std::nullopt; }

bool SetUserScreensaver(const std::optional<std::string>&) { return false; }

std::string ShortPath(const std::string& path) { return path; }

bool OpenScreensaverSettings() { return false; }

}  // namespace lpc::platform
