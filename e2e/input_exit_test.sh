#!/usr/bin/env bash
# A key ends the show at once, whatever it is doing: pictures of 2400 x 1600 change every second
# with a two-second fade, so a key pressed at a random moment mostly lands in a decode or a
# fade. Each time the window must be gone and the process ended within a generous bound, with
# status 0, the work folder removed and no settings written. (bench/exit_latency measures
# the time itself.)
# Usage: input_exit_test.sh path/to/lpcsaver path/to/lpctool [PRESSES]
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/storm_lib.sh"
[[ $# -ge 2 && -f "$1" && -f "$2" ]] || fail "usage: input_exit_test.sh lpcsaver lpctool [presses]"
presses=${3:-${LPC_PRESSES:-6}}
bound_ms=${LPC_EXIT_BOUND_MS:-1000}
start_xvfb
mkdir -p "$E2E_TMP/tmp"
export TMPDIR="$E2E_TMP/tmp" SDL_AUDIODRIVER=dummy
make_big_show "$1" "$2" Big 1
settings="$E2E_TMP/run/Big.ini"

worst=0
for n in $(seq 1 "$presses"); do
  timeout -k 1 60 "$E2E_TMP/run/Big.scr" /S >"$E2E_TMP/show.log" 2>&1 &
  pid=$!
  CHILD_PIDS+=("$pid")
  wait_for_window fmLPScrSvr 15 || fail "press $n: the screensaver window did not appear"
  id=$(show_window_id)
  # Anywhere in the first picture's time, a decode, or a fade (a cycle is three seconds).
  sleep_ms "$(random_ms 200 3500)"
  kill -0 "$pid" 2>/dev/null || fail "press $n: the show ended on its own: $(cat "$E2E_TMP/show.log")"
  t0=$(now_ms)
  xdotool key a
  gone=""
  while (($(now_ms) - t0 < bound_ms)); do
    if [[ -z $gone ]] && ! window_viewable "$id"; then gone=$(($(now_ms) - t0)); fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  wait_exit "$pid" 10 || fail "press $n: the process still runs $bound_ms ms after the key"
  ended=$(($(now_ms) - t0))
  [[ -n $gone ]] || gone=$ended
  echo "press $n: window gone after ${gone} ms, process ended after ${ended} ms"
  ((ended > worst)) && worst=$ended
  [[ $EXIT_STATUS -eq 0 ]] || fail "press $n: exit status $EXIT_STATUS: $(cat "$E2E_TMP/show.log")"
  tmp_empty || fail "press $n: left in the temporary folder: $(ls -A "$TMPDIR")"
  [[ ! -e $settings ]] || fail "press $n: the show wrote a settings file"
done
echo "worst: ${worst} ms"
echo "PASS"
