#include "platform/backends.h"

#include <array>
#include <string>

#include "base/errors.h"
#include "platform/backend_rows.h"

namespace lpc::platform {

namespace {

// Offscreen windows and a virtual clock need nothing of the host.
bool HeadlessAvailable() { return true; }

std::unique_ptr<Platform> CreateHeadless(const BackendOptions& options) {
  return CreateHeadlessPlatform(options.system_fonts ? CreateSystemTextRenderer() : nullptr);
}

const Backend kHeadlessBackend{"headless", HeadlessAvailable, CreateHeadless};

// The native backend claims to run wherever its build runs, so the runtime never falls through
// to the headless row: a show that nobody sees, and nobody can end, is worse than the clear
// error the native backend gives when it finds no display.
const std::array kBackends{
#ifdef _WIN32
    kWin32Backend,
#else
    kSdlBackend,
#endif
    kHeadlessBackend,
};

}  // namespace

std::span<const Backend> Backends() { return kBackends; }

const Backend& FindBackend(std::string_view name) {
  std::string known;
  for (const Backend& b : kBackends) {
    if (b.name == name) return b;
    known += (known.empty() ? "" : ", ") + std::string(b.name);
  }
  throw Error("Unknown platform backend \"" + std::string(name) + "\" (this build has " + known +
              ")");
}

const Backend& DefaultBackend() {
  for (const Backend& b : kBackends) {
    if (b.available()) return b;
  }
  // The headless row is always available.
  return kBackends.back();
}

std::unique_ptr<Platform> CreatePlatform(std::string_view name, const BackendOptions& options) {
  const Backend& backend = FindBackend(name);
  if (!backend.available()) {
    throw Error("The platform backend \"" + std::string(name) + "\" cannot run here");
  }
  return backend.create(options);
}

}  // namespace lpc::platform
