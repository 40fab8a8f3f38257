#include "configwindow/user_choices.h"

namespace lpc {

// The settings file is read once the window's behaviour reads user choices; until then the
// project's own settings stand.
void TakeOverUserSettings(TLPCProject&) {}

}  // namespace lpc
