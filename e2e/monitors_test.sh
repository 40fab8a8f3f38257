#!/usr/bin/env bash
# Demo.scr "/S" on two monitors (Xorg with the dummy driver): the show fills the primary one,
# a window left open on the other one is covered in black, a pointer move or a key there ends
# the show with status 0, and the unpacked files are gone.
# Usage: monitors_test.sh path/to/Demo.scr right-of|left-of   (where the second monitor is)
# Exits 77 (a skip) only when the dummy X server cannot start on this machine.
source "$(dirname "$0")/lib.sh"
[[ $# -eq 2 && -f "$1" ]] || fail "usage: monitors_test.sh Demo.scr right-of|left-of"
if ! start_dummy_xorg; then
  echo "SKIP: no two-monitor X server here"
  exit 77
fi
stage_run "$1" Demo.scr dummy

# The primary monitor is 1920x1080 (the Demo's 16:9 picture fills it), the second 1280x1024.
xrandr --newmode "1280x1024_60" 108.00 1280 1328 1440 1688 1024 1025 1028 1066 +hsync +vsync
xrandr --addmode DUMMY1 1280x1024_60
case "$2" in
  right-of) PX=0 SX=1920 ;;
  left-of) PX=1280 SX=0 ;;
  *) fail "unknown arrangement $2" ;;
esac
xrandr --output DUMMY0 --mode 1920x1080 --pos "${PX}x0" --primary \
  --output DUMMY1 --mode 1280x1024_60 --pos "${SX}x0"
monitors=$(xrandr --listmonitors)
grep -q "^Monitors: 2" <<<"$monitors" || fail "the second monitor did not come on: $monitors"

# A window on the second monitor, as the user left it.
xlogo -geometry "300x300+$((SX + 200))+200" >/dev/null 2>&1 &
CHILD_PIDS+=($!)
wait_for_window xlogo 10 || fail "xlogo did not appear"
sleep 0.5
screenshot "$E2E_TMP/before.png"
[[ $(max_value "$E2E_TMP/before.png" "300x300+$((SX + 200))+200") -gt 0 ]] ||
  fail "the window on the second monitor is not in view before the show"

start_show() {
  timeout -k 1 60 "$E2E_TMP/run/Demo.scr" /S >"$E2E_TMP/show.log" 2>&1 &
  SHOW_PID=$!
  CHILD_PIDS+=("$SHOW_PID")
  wait_for_window fmLPScrSvr 10 || fail "the screensaver window did not appear"
}
show_log() { cat "$E2E_TMP/show.log" "$E2E_TMP"/run/*.txt 2>/dev/null || true; }

# --- run 1: what each monitor shows; the pointer on the second monitor ends the show
start_show
# The first picture takes a while on a busy machine: wait for it, up to 20 s.
for i in $(seq 1 40); do
  sleep 0.5
  screenshot "$E2E_TMP/during.png"
  (($(max_value "$E2E_TMP/during.png" "1920x2+$PX+0") > 40)) && break
done
[[ -d "$(work_folder Demo)" ]] || fail "no work folder while the show runs"
[[ $(max_value "$E2E_TMP/during.png" "1280x1024+$SX+0") -eq 0 ]] ||
  fail "the second monitor is not all black: $(pixel "$E2E_TMP/during.png" $((SX + 350)) 350) inside the xlogo"
[[ $(max_value "$E2E_TMP/during.png" "1920x2+$PX+0") -gt 40 ]] || fail "no picture at the top of the primary monitor"
[[ $(max_value "$E2E_TMP/during.png" "1920x2+$PX+1078") -gt 20 ]] || fail "no picture at the bottom of the primary monitor"
[[ $(max_value "$E2E_TMP/during.png" "2x1080+$PX+0") -gt 20 ]] || fail "the picture does not start at the primary monitor's left edge"

# One-pixel moves on the second monitor keep the show; a jump there ends it.
xdotool mousemove $((SX + 600)) 500
for i in $(seq 1 10); do
  sleep 0.05
  xdotool mousemove $((SX + 600 + i % 2)) 500
done
sleep 0.3
kill -0 "$SHOW_PID" 2>/dev/null || fail "the show ended on one-pixel moves: $(show_log)"
xdotool mousemove $((SX + 900)) 700
if ! wait_exit "$SHOW_PID" 3000; then
  late="still running after 10 s"
  wait_exit "$SHOW_PID" 7000 && late="ended later with status $EXIT_STATUS"
  fail "the show did not end within 3 s of a jump on the second monitor ($late): $(show_log)"
fi
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS: $(show_log)"
[[ ! -e "$(work_folder Demo)" ]] || fail "the work folder is still there: $(ls "$(work_folder Demo)")"
sleep 0.3
screenshot "$E2E_TMP/after.png"
[[ $(max_value "$E2E_TMP/after.png" "300x300+$((SX + 200))+200") -gt 0 ]] ||
  fail "the window on the second monitor is not back in view after the show"

# --- run 2: with the pointer resting on the second monitor, a key that types nothing keeps
# the show and a letter ends it
start_show
sleep 1.5
xdotool key shift F1
sleep 0.5
kill -0 "$SHOW_PID" 2>/dev/null || fail "the show ended on a key that types nothing"
xdotool key q
wait_exit "$SHOW_PID" 3000 || fail "the show did not end within 3 s of a letter key"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS after a key: $(show_log)"
[[ ! -e "$(work_folder Demo)" ]] || fail "the work folder is still there after a key"
echo "PASS"
