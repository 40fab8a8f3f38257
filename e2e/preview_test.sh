#!/usr/bin/env bash
# "/P" keeps the preview picture stretched in a window of another program for as long as that
# window lives, through the host's own repaints, with no unpacked files left meanwhile; it ends
# when the host window goes. Usage: preview_test.sh path/to/Demo.scr
source "$(dirname "$0")/lib.sh"
[[ $# -eq 1 && -f "$1" ]] || fail "usage: preview_test.sh Demo.scr"
prepare_run "$1" Demo.scr dummy

# The host: xlogo's drawing area (the child of its top-level window), 300 x 200 at 40, 60.
xlogo -geometry 300x200+40+60 -bg white >/dev/null 2>&1 &
xlogo_pid=$!
CHILD_PIDS+=($xlogo_pid)
wait_for_window '"xlogo"' 10 || fail "the host window did not appear"
host=$(xwininfo -root -tree | grep -A2 '"xlogo"' | awk '/has no name/ {print $1; exit}')
[[ -n "$host" ]] || fail "no drawing area in the host window"
sleep 0.3

timeout -k 1 60 "$E2E_TMP/run/Demo.scr" /p "$((host))" >"$E2E_TMP/preview.log" 2>&1 &
preview=$!
CHILD_PIDS+=($preview)
geometry=$(xwininfo -id "$host" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
read -r hx hy <<<"$geometry"
# The meadow: sky blue at the top, grass green at the bottom, across the whole host.
meadow_shown() {
  screenshot "$E2E_TMP/shot.png"
  for spot in "5 5" "290 5" "5 190" "290 190"; do
    read -r x y <<<"$spot"
    IFS=, read -r r g b <<<"$(pixel "$E2E_TMP/shot.png" $((hx + x)) $((hy + y)))"
    if ((y < 100)); then
      ((b > 150 && b > r + 40)) || { echo "($x, $y) is $r,$g,$b, not sky"; return 1; }
    else
      ((g > 120 && g > b + 40)) || { echo "($x, $y) is $r,$g,$b, not grass"; return 1; }
    fi
  done
}
shown() { # shown WHAT: the meadow within 10 s
  for _ in $(seq 1 50); do
    meadow_shown >"$E2E_TMP/why.txt" && return 0
    sleep 0.2
  done
  fail "$1: $(cat "$E2E_TMP/why.txt")"
}
shown "the preview did not appear"
[[ ! -e "$(work_folder Demo)" ]] || fail "a preview keeps its unpacked files: $(ls -A "$(work_folder Demo)")"
# The host hidden and shown again repaints itself (xlogo draws its logo on white): the
# preview's own window repaints the picture over it.
top=$(xwininfo -root -tree | awk '/"xlogo"/ {print $1; exit}')
xdotool windowunmap --sync "$top"
sleep 0.3
xdotool windowmap --sync "$top"
sleep 0.5
shown "the picture did not come back after the host was hidden and shown"
kill -0 "$preview" || fail "the preview ended while its host lives: $(cat "$E2E_TMP/preview.log")"
# "/c:HWND": the configuration window belongs to that window (transient-for it).
top_id=$(printf '0x%x' "$((top))")
timeout -k 1 60 "$E2E_TMP/run/Demo.scr" "/c:$((top))" >"$E2E_TMP/config.log" 2>&1 &
config=$!
CHILD_PIDS+=($config)
owner=""
for _ in $(seq 1 300); do
  program=$(pgrep -P "$config" | head -1)
  for w in $(xdotool search --pid "${program:-0}" 2>/dev/null); do
    owner=$(xprop -id "$w" WM_TRANSIENT_FOR 2>/dev/null | awk '/window id/ {print $NF}')
    [[ -n "$owner" ]] && break 2
  done
  sleep 0.1
done
[[ "$owner" == "$top_id" ]] || fail "/c:$((top)) opened a window transient for \"$owner\", not $top_id"
kill "$program" 2>/dev/null || true
wait_exit "$config" 10000 || fail "the configuration window did not end on SIGTERM"

# The host goes: the preview ends within a second, leaving nothing behind.
kill "$xlogo_pid"
wait_exit "$preview" 3000 || fail "the preview did not end within 3 s of its host"
((EXIT_STATUS == 0)) || fail "the preview ended with $EXIT_STATUS: $(cat "$E2E_TMP/preview.log")"
[[ -z "$(ls -A "$TMPDIR")" ]] || fail "left behind: $(ls -A "$TMPDIR")"
echo "PASS"
