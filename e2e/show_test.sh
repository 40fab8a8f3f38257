#!/usr/bin/env bash
# Demo.scr "/S" in a real X window: the picture sits where it must, water moves while land
# stays still, input ends the show with status 0 and the unpacked files are gone.
# Usage: show_test.sh path/to/Demo.scr
source "$(dirname "$0")/lib.sh"
[[ $# -eq 1 && -f "$1" ]] || fail "usage: show_test.sh Demo.scr"
prepare_run "$1" Demo.scr dummy

start_show() {
  timeout -k 1 60 "$E2E_TMP/run/Demo.scr" "$@" >"$E2E_TMP/show.log" 2>&1 &
  SHOW_PID=$!
  CHILD_PIDS+=("$SHOW_PID")
  wait_for_window fmLPScrSvr 10 || fail "the screensaver window did not appear"
}

# --- run 1: the picture, the water, the pointer
start_show /S
sleep 2.5
screenshot "$E2E_TMP/a.png"
sleep 0.5
screenshot "$E2E_TMP/b.png"
[[ -d "$(work_folder Demo)" ]] || fail "no work folder while the show runs"

# The 1024 x 576 harbour picture, fitted proportionally, sits at (0, 96): black bars above and
# below, picture between.
[[ $(max_value "$E2E_TMP/a.png" 1024x96+0+0) -eq 0 ]] || fail "the bar above the picture is not black"
[[ $(max_value "$E2E_TMP/a.png" 1024x96+0+672) -eq 0 ]] || fail "the bar below the picture is not black"
[[ $(max_value "$E2E_TMP/a.png" 1024x2+0+96) -gt 40 ]] || fail "the picture does not start at row 96"
[[ $(max_value "$E2E_TMP/a.png" 1024x2+0+670) -gt 20 ]] || fail "the picture does not reach row 671"

# Sky and land (rows 96..383) stay still; the sea (rows 384..671) ripples.
crop "$E2E_TMP/a.png" 1024x288+0+96 "$E2E_TMP/a_land.png"
crop "$E2E_TMP/b.png" 1024x288+0+96 "$E2E_TMP/b_land.png"
crop "$E2E_TMP/a.png" 1024x288+0+384 "$E2E_TMP/a_sea.png"
crop "$E2E_TMP/b.png" 1024x288+0+384 "$E2E_TMP/b_sea.png"
land=$(changed_pixels "$E2E_TMP/a_land.png" "$E2E_TMP/b_land.png")
sea=$(changed_pixels "$E2E_TMP/a_sea.png" "$E2E_TMP/b_sea.png")
echo "changed pixels: land $land, sea $sea"
[[ $land -eq 0 ]] || fail "$land land pixels changed"
[[ $sea -gt 20000 ]] || fail "only $sea sea pixels changed"

# Small moves never end the show; a jump does, at once.
jitter_pointer 10
sleep 0.3
kill -0 "$SHOW_PID" 2>/dev/null || fail "the show ended on one-pixel moves"
xdotool mousemove 800 300
# The exit rule, not its speed, is checked here: a loaded machine may take a while.
if ! wait_exit "$SHOW_PID" 10000; then
  fail "the show did not end after the pointer's jump (still running after 10 s)
$(cat "$E2E_TMP/show.log" "$E2E_TMP"/run/*.txt 2>/dev/null)"
fi
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS: $(cat "$E2E_TMP/show.log" "$E2E_TMP"/run/*.txt 2>/dev/null)"
[[ ! -e "$(work_folder Demo)" ]] || fail "the work folder is still there: $(ls "$(work_folder Demo)")"

# --- run 2: keys without a character keep the show, a letter ends it
start_show /s
sleep 1.5
xdotool key shift F1 Left ctrl F5 F1
sleep 0.5
kill -0 "$SHOW_PID" 2>/dev/null || fail "the show ended on a key that types nothing"
xdotool key q
wait_exit "$SHOW_PID" 10000 || fail "the show did not end after a letter key"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS after a key: $(cat "$E2E_TMP/show.log" "$E2E_TMP"/run/*.txt 2>/dev/null)"
[[ ! -e "$(work_folder Demo)" ]] || fail "the work folder is still there after a key"
echo "PASS"
