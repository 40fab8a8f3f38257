// What each backend library gives the table in backends.cpp: its row, as each of SDL's video
// drivers gives its bootstrap, and what the headless row is made from. Only the backends and
// backends.cpp include this; everyone else goes through backends.h.
#pragma once

#include <memory>

#include "platform/backends.h"

namespace lpc::platform {

#ifdef _WIN32
extern const Backend kWin32Backend;  // win32/
#else
extern const Backend kSdlBackend;  // sdl/
#endif

// The system's fonts as this build's native backend draws them (FreeType with fontconfig on
// Linux, GDI on Windows).
std::unique_ptr<TextRenderer> CreateSystemTextRenderer();

// An offscreen platform (headless/) whose text comes from `text`, or from fixed cells when null.
std::unique_ptr<Platform> CreateHeadlessPlatform(std::unique_ptr<TextRenderer> text);

}  // namespace lpc::platform
