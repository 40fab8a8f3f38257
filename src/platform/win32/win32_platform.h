// The Windows backend: GDI for windows and text, winmm for sounds and music, the registry under
// HKEY_CURRENT_USER, and the shell and screensaver password services.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace lpc::platform {

// One per process. Also raises the timer resolution to 1 ms for its lifetime so that the
// frame pacing sleeps are accurate.
std::unique_ptr<Platform> CreateWin32Platform();

}  // namespace lpc::platform
