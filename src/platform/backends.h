// The platform backends this build carries, as a table: each row names a backend, says whether
// it can run in this process and makes it. The runtime takes the first row that can run; lpctool
// and tests ask for one by name ("headless").
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "platform/platform.h"

namespace lpc::platform {

struct BackendOptions {
  // Text drawn with the system's fonts, by the best text renderer this build has, instead of the
  // backend's own: the headless backend then draws true-to-life text rather than fixed cells.
  // The other backends draw with the system's fonts anyway.
  bool system_fonts = false;
};

struct Backend {
  std::string_view name;
  // Whether the backend can run in this process.
  bool (*available)();
  // Throws lpc::Error when the backend cannot start.
  std::unique_ptr<Platform> (*create)(const BackendOptions& options);
};

// The rows of this build, the runtime's preference first: "sdl" on Linux and other desktops or
// "win32" on Windows, then "headless" (offscreen, virtual clock) everywhere.
std::span<const Backend> Backends();

// The row of that name; throws lpc::Error naming the backends of this build when none has it.
const Backend& FindBackend(std::string_view name);

// The first row that is available: the runtime's backend.
const Backend& DefaultBackend();

// Makes the named backend; throws lpc::Error when there is no such backend or it cannot run here.
std::unique_ptr<Platform> CreatePlatform(std::string_view name, const BackendOptions& options = {});

}  // namespace lpc::platform
