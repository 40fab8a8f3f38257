#!/usr/bin/env bash
# "/P" draws the preview picture stretched into a window of another program, and removes the
# unpacked files when it ends. Usage: preview_test.sh path/to/Demo.scr
source "$(dirname "$0")/lib.sh"
[[ $# -eq 1 && -f "$1" ]] || fail "usage: preview_test.sh Demo.scr"
prepare_run "$1" Demo.scr dummy

# The host: xlogo's drawing area (the child of its top-level window), 300 x 200 at 40, 60.
xlogo -geometry 300x200+40+60 -bg white >/dev/null 2>&1 &
CHILD_PIDS+=($!)
wait_for_window '"xlogo"' 10 || fail "the host window did not appear"
host=$(xwininfo -root -tree | grep -A2 '"xlogo"' | awk '/has no name/ {print $1; exit}')
[[ -n "$host" ]] || fail "no drawing area in the host window"
sleep 0.3

timeout -k 1 20 "$E2E_TMP/run/Demo.scr" /p "$((host))" >"$E2E_TMP/preview.log" 2>&1 ||
  fail "preview exited with $?: $(cat "$E2E_TMP/preview.log")"
sleep 0.3
screenshot "$E2E_TMP/shot.png"
geometry=$(xwininfo -id "$host" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
read -r hx hy <<<"$geometry"
# The meadow: sky blue at the top, grass green at the bottom, across the whole host.
for spot in "5 5" "290 5" "5 190" "290 190"; do
  read -r x y <<<"$spot"
  IFS=, read -r r g b <<<"$(pixel "$E2E_TMP/shot.png" $((hx + x)) $((hy + y)))"
  if ((y < 100)); then
    ((b > 150 && b > r + 40)) || fail "($x, $y) is $r,$g,$b, not sky"
  else
    ((g > 120 && g > b + 40)) || fail "($x, $y) is $r,$g,$b, not grass"
  fi
done
[[ ! -e "$TMPDIR/Demo" ]] || fail "a preview leaves its unpacked files: $(ls -A "$TMPDIR/Demo")"
echo "PASS"
