// What input ends the show. A screensaver must not close on the tremor of a resting mouse or on
// the burst of pointer events a new window receives, but must close on any deliberate touch.
#pragma once

namespace lpc {

inline constexpr int kIgnoredMouseMoves = 5;
inline constexpr int kMouseJitterPixels = 2;

// Input state shared by the show's handlers; one copy lives for the whole process.
struct ExitState {
  int MouseSkip = kIgnoredMouseMoves;  // pointer moves still to ignore
  int LastMouseX = -1;                 // last pointer position; -1 = none yet
  int LastMouseY = -1;
  bool RestoreToggle = false;  // the F1 toggle
};

// A pointer event at (x, y). True when it asks the window to close: after the ignored moves,
// a move of more than 2 pixels on either axis from the last position seen. An event that did
// not move the pointer (moved false: the window appearing under it) is no move at all.
bool MouseMoveRequestsClose(ExitState& state, int x, int y, bool moved = true);

// A typed character with the modifiers held. True when it asks the window to close: any
// character, except one typed with Alt and without Ctrl (Alt+letter is a shortcut, as on
// Windows, where it types nothing; Ctrl+Alt is AltGr there, which types).
bool KeyCharRequestsClose(char32_t ch, unsigned modifiers);

// F1 pressed. True on every second press (the toggle going from on to off): the ripples are
// then wiped once by redrawing the plain picture.
bool F1ResetsOutput(ExitState& state);

// Every close request, allowed or refused, starts a fresh run of ignored moves.
inline void CloseRequested(ExitState& state) { state.MouseSkip = kIgnoredMouseMoves; }

// Monitors came or went and their covers are new windows: the pointer events they bring are
// ignored as a new window's are, and the next position seen is the new origin.
inline void DisplaysChanged(ExitState& state) {
  state.MouseSkip = kIgnoredMouseMoves;
  state.LastMouseX = state.LastMouseY = -1;
}

}  // namespace lpc
