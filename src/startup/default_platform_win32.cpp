#include "platform/win32/win32_platform.h"
#include "startup/default_platform.h"

namespace lpc {

std::unique_ptr<platform::Platform> CreateDefaultPlatform() {
  return platform::CreateWin32Platform();
}

}  // namespace lpc
