#include "presentation/exit_rules.h"

#include <cstdlib>

#include "platform/platform.h"

namespace lpc {

bool MouseMoveRequestsClose(ExitState& state, int x, int y, bool moved) {
  if (!moved) return false;
  if (state.MouseSkip > 0) {
    --state.MouseSkip;
    return false;
  }
  if (state.LastMouseX == -1) state.LastMouseX = x;
  if (state.LastMouseY == -1) state.LastMouseY = y;
  const bool jump = std::abs(x - state.LastMouseX) > kMouseJitterPixels ||
                    std::abs(y - state.LastMouseY) > kMouseJitterPixels;
  state.LastMouseX = x;
  state.LastMouseY = y;
  return jump;
}

bool KeyCharRequestsClose(char32_t ch, unsigned modifiers) {
  const bool alt_only = (modifiers & platform::kModAlt) && !(modifiers & platform::kModCtrl);
  return ch != 0 && !alt_only;
}

bool F1ResetsOutput(ExitState& state) {
  state.RestoreToggle = !state.RestoreToggle;
  return !state.RestoreToggle;
}

}  // namespace lpc
