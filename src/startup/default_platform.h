// The platform backend the program runs on: the first of the backend table that can run here
// (SDL on Linux and other desktops, Win32 on Windows).
#pragma once

#include <memory>

#include "platform/platform.h"

namespace lpc {

std::unique_ptr<platform::Platform> CreateDefaultPlatform();

}  // namespace lpc
