// Text from the system's fonts (FreeType, with fontconfig choosing a stand-in for Windows font
// names). The SDL backend uses it; the headless backend can be given it for true-to-life
// renders.
#pragma once

#include <memory>

#include "base/canvas.h"

namespace lpc::platform {

std::unique_ptr<TextRenderer> CreateFreeTypeTextRenderer();

}  // namespace lpc::platform
