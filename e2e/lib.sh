# Shared helpers for the end-to-end tests: a private X server, screenshots, bounded waits.
# Every test runs its screensaver on an Xvfb of its own at 1024x768, so a full-screen window
# never lands on the user's display and pixel positions are known.
set -euo pipefail

E2E_TMP=$(mktemp -d /tmp/lpc-e2e.XXXXXX)
XVFB_PID=""
XORG_PID=""
CHILD_PIDS=()

e2e_cleanup() {
  local pid
  # Each entry is a `timeout` wrapper: end the program under it first, then the wrapper.
  for pid in "${CHILD_PIDS[@]}"; do
    pkill -KILL -P "$pid" 2>/dev/null || true
    kill -9 "$pid" 2>/dev/null || true
  done
  if [[ -n "$XVFB_PID" ]]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  if [[ -n "$XORG_PID" ]]; then
    kill "$XORG_PID" 2>/dev/null || true
    wait "$XORG_PID" 2>/dev/null || true
  fi
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

# The work folder of the program named NAME (its file name before the first dot) in $TMPDIR:
# NAME-<tag of the program's path>; a name that exists nowhere when there is none.
work_folder() {
  local f
  for f in "$TMPDIR/$1"-????????; do
    if [[ -e $f ]]; then
      echo "$f"
      return
    fi
  done
  echo "$TMPDIR/$1-none"
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Starts Xvfb on a display number it picks itself (so tests running side by side never share
# one) and exports DISPLAY.
start_xvfb() {
  local fifo="$E2E_TMP/displayfd" n="" i
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >"$E2E_TMP/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for i in $(seq 1 100); do
    n=$(tr -dc '0-9' <"$fifo" 2>/dev/null || true)
    if [[ -n "$n" ]] && DISPLAY=":$n" xwininfo -root >/dev/null 2>&1; then
      export DISPLAY=":$n"
      return 0
    fi
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  fail "could not start Xvfb: $(cat "$E2E_TMP/xvfb.log")"
}

# start_dummy_xorg: Xorg with the dummy video driver, which (unlike Xvfb) has several RandR
# outputs, so a second monitor can be switched on. Only DUMMY0 is on at first, at 1920x1080.
# Exports DISPLAY; returns 1 (with the reason on stderr) when the server cannot start here.
start_dummy_xorg() {
  local fifo="$E2E_TMP/xorg-displayfd" conf n="" i
  conf="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/xorg-dummy.conf"
  command -v Xorg >/dev/null || { echo "no Xorg on this machine" >&2; return 1; }
  Xorg -displayfd 3 -config "$conf" -noreset -nolisten tcp -logfile "$E2E_TMP/xorg.log" \
    3>"$fifo" >"$E2E_TMP/xorg.out" 2>&1 &
  XORG_PID=$!
  for i in $(seq 1 150); do
    n=$(tr -dc '0-9' <"$fifo" 2>/dev/null || true)
    if [[ -n "$n" ]] && DISPLAY=":$n" xrandr --query >/dev/null 2>&1; then
      export DISPLAY=":$n"
      xrandr --output DUMMY0 --mode 1920x1080 >/dev/null 2>&1 || true
      return 0
    fi
    kill -0 "$XORG_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "Xorg with the dummy driver did not start: $(tail -5 "$E2E_TMP/xorg.out" 2>/dev/null)" >&2
  return 1
}

# stage_run PROGRAM NAME AUDIO_DRIVER: copies PROGRAM to $E2E_TMP/run/NAME, and gives the run a
# temporary folder of its own and the SDL audio driver AUDIO_DRIVER.
stage_run() {
  mkdir -p "$E2E_TMP/run" "$E2E_TMP/tmp"
  cp "$1" "$E2E_TMP/run/$2"
  export TMPDIR="$E2E_TMP/tmp" SDL_AUDIODRIVER="$3"
}

# prepare_run PROGRAM NAME AUDIO_DRIVER: starts Xvfb, then stage_run.
prepare_run() {
  start_xvfb
  stage_run "$@"
}

# screenshot FILE
screenshot() {
  import -display "$DISPLAY" -window root "$1" 2>/dev/null || fail "screenshot failed"
}

# crop IN WxH+X+Y OUT
crop() {
  convert "$1" -crop "$2" +repage "$3"
}

# Pixels that differ between two pictures of one size.
changed_pixels() {
  # compare's status says whether the pictures differ; the count is what matters here.
  { compare -metric AE "$1" "$2" null: 2>&1 || true; } | awk '{print int($1)}'
}

# The brightest channel value (0..255) anywhere in a region.
max_value() {
  convert "$1" -crop "$2" +repage -format "%[fx:int(255*maxima)]" info:
}

# The colour of one pixel as "r,g,b".
pixel() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

# wait_for_window NAME_PATTERN SECONDS: waits until a window whose tree line matches appears.
wait_for_window() {
  local i
  for i in $(seq 1 $(($2 * 10))); do
    if xwininfo -root -tree 2>/dev/null | grep -q "$1"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# wait_exit PID MILLISECONDS: 0 when the process ended within the time (its status in
# EXIT_STATUS), 1 otherwise.
wait_exit() {
  local pid=$1 left=$2
  while ((left > 0)); do
    if ! kill -0 "$pid" 2>/dev/null; then
      set +e
      wait "$pid"
      EXIT_STATUS=$?
      set -e
      return 0
    fi
    sleep 0.05
    left=$((left - 50))
  done
  return 1
}

# Bytes of audio output that are not zero (silence is all zero bytes in every sample format).
nonzero_bytes() {
  if [[ -f "$1" ]]; then tr -d '\000' <"$1" | wc -c; else echo 0; fi
}

# Moves the pointer by one pixel at a time: never enough to close the show.
jitter_pointer() {
  local i
  xdotool mousemove 500 500
  for i in $(seq 1 "$1"); do
    sleep 0.05
    xdotool mousemove $((500 + i % 2)) 500
  done
}

# The demo show is on screen (a screensaver host's window under it): its sea scenes have
# thousands of colours, a host's blank window one.
wait_for_show() {
  local colours=0
  for _ in $(seq 1 100); do
    sleep 0.1
    screenshot "$E2E_TMP/show.png"
    colours=$(convert "$E2E_TMP/show.png" -crop 1024x600+0+80 +repage -format %k info:)
    ((colours > 1000)) && return 0
  done
  echo "only $colours colours on the screen" >&2
  return 1
}

# Someone draws now: the demo's sea ripples all the time, so a picture left behind does not
# count.
sea_moves() {
  screenshot "$E2E_TMP/sea1.png"
  sleep 0.5
  screenshot "$E2E_TMP/sea2.png"
  crop "$E2E_TMP/sea1.png" 1024x250+0+420 "$E2E_TMP/s1.png"
  crop "$E2E_TMP/sea2.png" 1024x250+0+420 "$E2E_TMP/s2.png"
  (($(changed_pixels "$E2E_TMP/s1.png" "$E2E_TMP/s2.png") > 1000))
}
