// The user's saved choices (the settings file) as the configuration window uses them.
#pragma once

#include "package/project.h"

namespace lpc {

// Takes the user's saved settings over into the project before a described window is shown.
void TakeOverUserSettings(TLPCProject& project);

}  // namespace lpc
