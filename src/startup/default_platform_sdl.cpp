#include "startup/default_platform.h"

namespace lpc {

std::unique_ptr<platform::Platform> CreateDefaultPlatform() {
  return platform::CreateSdlPlatform();
}

}  // namespace lpc
