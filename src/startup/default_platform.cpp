#include "startup/default_platform.h"

#include "platform/backends.h"

namespace lpc {

std::unique_ptr<platform::Platform> CreateDefaultPlatform() {
  return platform::DefaultBackend().create({});
}

}  // namespace lpc
