#!/usr/bin/env bash
# Demo.scr as xsecurelock's saver: `lpctool install --xsecurelock` writes the module, the real
# xsecurelock locks the display with it, and the show draws into the window xsecurelock's
# multiplexer hands it (in decimal, through XSCREENSAVER_WINDOW). A SIGTERM to the show ends it
# by that signal (the multiplexer, its parent, logs how its saver ended and starts it again);
# unlocking (xsecurelock itself ends on SIGTERM) ends it too, with nothing left behind.
# With "two-monitors" it locks two monitors of Xorg's dummy driver instead: one show on each,
# each filling its own monitor, and unlocking ends both.
# Usage: xsecurelock_test.sh path/to/Demo.scr path/to/lpctool [two-monitors]
# Exits 77 (a skip) when xsecurelock is not installed, or the two-monitor server cannot start.
source "$(dirname "$0")/lib.sh"
[[ ($# -eq 2 || $# -eq 3) && -f "$1" && -x "$2" ]] ||
  fail "usage: xsecurelock_test.sh Demo.scr lpctool [two-monitors]"
if ! command -v xsecurelock >/dev/null; then
  echo "SKIP: xsecurelock is not installed"
  exit 77
fi
if [[ "${3:-}" == two-monitors ]]; then
  if ! start_dummy_xorg; then
    echo "SKIP: no two-monitor X server here"
    exit 77
  fi
  stage_run "$1" Demo.scr dummy
  xrandr --newmode "1280x1024_60" 108.00 1280 1328 1440 1688 1024 1025 1028 1066 +hsync +vsync
  xrandr --addmode DUMMY1 1280x1024_60
  xrandr --output DUMMY0 --mode 1920x1080 --pos 0x0 --primary \
    --output DUMMY1 --mode 1280x1024_60 --pos 1920x0
  grep -q "^Monitors: 2" <<<"$(xrandr --listmonitors)" || fail "the second monitor did not come on"
else
  prepare_run "$1" Demo.scr dummy
fi
export HOME="$E2E_TMP/home" XDG_DATA_HOME=""
mkdir -p "$HOME"

"$2" install --xsecurelock "$E2E_TMP/run/Demo.scr" >"$E2E_TMP/install.log" 2>&1 ||
  fail "install --xsecurelock failed: $(cat "$E2E_TMP/install.log")"
module="$HOME/.local/libexec/xsecurelock/saver_Demo"
[[ -x "$module" ]] || fail "no executable saver module: $(cat "$E2E_TMP/install.log")"
grep -q "XSECURELOCK_SAVER=$module xsecurelock" "$E2E_TMP/install.log" ||
  fail "install does not say how to lock with it: $(cat "$E2E_TMP/install.log")"
# A new picture every second, straight away, and no sound.
printf '[Setting]\r\nDuration=1\r\nTransition=0\r\nMusic=0\r\nSound=0\r\n' \
  >"$HOME/.local/share/lpcsaver/Demo.ini"

leftovers() { ls -A "$TMPDIR"; }
# The saver xsecurelock runs now: the multiplexer's child that is not the placeholder keeping
# a process group (the module execs the show).
saver_pid() {
  local multiplexer child
  multiplexer=$(pgrep -P "$LOCKER" -x saver_multiplex | head -1)
  [[ -n "$multiplexer" ]] || return 1
  for child in $(pgrep -P "$multiplexer"); do
    [[ "$(readlink "/proc/$child/exe")" == *placeholder ]] || { echo "$child"; return 0; }
  done
  return 1
}

XSECURELOCK_SAVER="$module" xsecurelock >"$E2E_TMP/xsecurelock.log" 2>&1 &
LOCKER=$!
CHILD_PIDS+=("$LOCKER")

if [[ "${3:-}" == two-monitors ]]; then
  # One show per monitor, each with its own work folder, each filling its monitor (the 16:9
  # picture: the whole 1920x1080 one, the middle 1280x720 of the 1280x1024 one).
  for _ in $(seq 1 150); do
    [[ -d "$(work_folder Demo)" && -d "$(work_folder Demo).2" ]] && break
    sleep 0.1
  done
  [[ -d "$(work_folder Demo)" && -d "$(work_folder Demo).2" ]] || fail "not two shows: $(leftovers)"
  colours=0
  for _ in $(seq 1 100); do
    sleep 0.2
    screenshot "$E2E_TMP/two.png"
    first=$(convert "$E2E_TMP/two.png" -crop 1920x1080+0+0 +repage -format %k info:)
    second=$(convert "$E2E_TMP/two.png" -crop 1280x720+1920+152 +repage -format %k info:)
    ((first > 1000 && second > 1000)) && break
  done
  ((first > 1000 && second > 1000)) ||
    fail "not a show on each monitor: $first and $second colours"
  [[ $(max_value "$E2E_TMP/two.png" 1280x100+1920+0) -eq 0 ]] ||
    fail "the show on the second monitor is not fitted to it"
  kill -TERM "$LOCKER"
  wait_exit "$LOCKER" 3000 || fail "xsecurelock did not end on SIGTERM"
  for _ in $(seq 1 60); do
    [[ -z "$(leftovers)" ]] && break
    sleep 0.05
  done
  [[ -z "$(leftovers)" ]] || fail "left behind: $(ls -AR "$TMPDIR")"
  echo "PASS"
  exit 0
fi
wait_for_show || fail "the show did not draw under xsecurelock: $(cat "$E2E_TMP/xsecurelock.log")"
first=$(saver_pid || true)
[[ -n "$first" ]] || fail "no saver under xsecurelock's multiplexer"
CHILD_PIDS+=("$first")
[[ "$(readlink "/proc/$first/exe")" == "$HOME/.local/share/lpcsaver/Demo.scr" ]] ||
  fail "the multiplexer's child is not the show: $(readlink "/proc/$first/exe")"
environment=$(tr '\0' '\n' <"/proc/$first/environ")
grep -qx 'XSCREENSAVER_WINDOW=[1-9][0-9]*' <<<"$environment" ||
  fail "the show was not given a decimal window id"
! xwininfo -root -tree | grep -q fmLPScrSvr || fail "the show opened a window of its own"

# A SIGTERM to the show: it ends by that signal, which its parent logs as such.
kill -TERM "$first"
for _ in $(seq 1 60); do
  grep -q "saver child" "$E2E_TMP/xsecurelock.log" && break
  sleep 0.05
done
grep -q "saver child killed by signal 15" "$E2E_TMP/xsecurelock.log" ||
  fail "the multiplexer did not see death by SIGTERM: $(cat "$E2E_TMP/xsecurelock.log")"
for _ in $(seq 1 100); do
  second=$(saver_pid || true)
  [[ -n "$second" && "$second" != "$first" ]] && break
  sleep 0.1
done
[[ -n "$second" && "$second" != "$first" ]] || fail "xsecurelock did not start the saver again"
CHILD_PIDS+=("$second")
wait_for_show || fail "the second saver did not draw"
sea_moves || fail "nobody draws after the show was started again"

# Unlocking: xsecurelock ends its savers and itself.
kill -TERM "$LOCKER"
wait_exit "$LOCKER" 3000 || fail "xsecurelock did not end on SIGTERM"
for _ in $(seq 1 60); do
  kill -0 "$second" 2>/dev/null || break
  sleep 0.05
done
! kill -0 "$second" 2>/dev/null || fail "the show outlived xsecurelock"
[[ -z "$(leftovers)" ]] || fail "left behind: $(ls -AR "$TMPDIR")"
! grep -q "failed with status" "$E2E_TMP/xsecurelock.log" ||
  fail "a saver ended with a failure status: $(cat "$E2E_TMP/xsecurelock.log")"

"$2" install --xsecurelock --remove Demo.scr >/dev/null
[[ ! -e "$module" && ! -e "$HOME/.local/share/lpcsaver/Demo.scr" ]] ||
  fail "install --xsecurelock --remove left the module or the copy"
echo "PASS"
