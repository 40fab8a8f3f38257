#!/usr/bin/env bash
# "/C": the demo's described window opens centred at its described client size with its
# caption, shows its components where the description puts them, opens its ViewThumbnails
# form at its described size and closes it again, and its Close button ends the program with status 0
# and no work folder left behind.
# Usage: config_test.sh path/to/Demo.scr
source "$(dirname "$0")/lib.sh"
[[ $# -eq 1 && -f "$1" ]] || fail "usage: config_test.sh Demo.scr"
prepare_run "$1" Demo.scr dummy

# The default description's MainWindow: client 580 x 440 on a 1024 x 768 screen.
width=580 height=440
left=$(((1024 - width) / 2)) top=$(((768 - height) / 2))

timeout -s KILL 60 "$E2E_TMP/run/Demo.scr" /c >"$E2E_TMP/config.log" 2>&1 &
pid=$!
CHILD_PIDS+=("$pid")
id=""
for i in $(seq 1 100); do
  id=$(xdotool search --onlyvisible --name '^LPCSaver Demo$' 2>/dev/null | head -n1 || true)
  [[ -n "$id" ]] && break
  sleep 0.1
done
[[ -n "$id" ]] || fail "no window captioned \"LPCSaver Demo\": $(cat "$E2E_TMP/config.log")"
[[ -d "$(work_folder Demo)" ]] || fail "no work folder while the window is open"
eval "$(xdotool getwindowgeometry --shell "$id")"
[[ "$WIDTH" == "$width" && "$HEIGHT" == "$height" ]] ||
  fail "client area ${WIDTH}x${HEIGHT}, expected ${width}x${height}"
[[ "$X" == "$left" && "$Y" == "$top" ]] || fail "window at $X,$Y, expected $left,$top (centred)"

sleep 0.5
shot="$E2E_TMP/config.png"
screenshot "$shot"
cp "$shot" "${LPC_E2E_SHOTS:-$E2E_TMP}/config_main.png" 2>/dev/null || true
# Client point -> screen pixel.
at() { pixel "$shot" $((left + $1)) $((top + $2)); }
# The window's own face next to the buttons, the buttons' light top edge, the preview frame's
# dark top edge, and the link label's blue text somewhere in its line.
[[ "$(at 426 300)" == "212,208,200" ]] ||
  fail "window face at 426,300 is $(at 426 300)"
[[ "$(at 520 408)" == "255,255,255" ]] || fail "Close button's top edge at 520,408 is $(at 520 408)"
[[ "$(at 100 8)" == "128,128,128" ]] || fail "preview frame's top edge at 100,8 is $(at 100 8)"
blue=$(convert "$shot" -crop "120x13+$((left + 8))+$((top + 418))" +repage -fx 'b>0.6&&r<0.3&&g<0.3' \
  -format '%[fx:int(mean*w*h)]' info:)
((blue > 10)) || fail "no blue link text under the thumbnail strip ($blue pixels)"

# Thumbnails opens ViewThumbnails over it at its described client size (a handful of pictures
# needs no whole screen); its Close (bottom right) returns to the main window.
xdotool mousemove --sync $((left + 500)) $((top + 52)) click 1
tid=""
for i in $(seq 1 50); do
  tid=$(xdotool search --onlyvisible --name '^LPCSaver Demo - Thumbnails$' 2>/dev/null | head -n1 || true)
  [[ -n "$tid" ]] && break
  sleep 0.1
done
[[ -n "$tid" ]] || fail "Thumbnails opened no window"
eval "$(xdotool getwindowgeometry --shell "$tid")"
[[ "$WIDTH,$HEIGHT" == "600,420" ]] ||
  fail "ViewThumbnails at $X,$Y ${WIDTH}x$HEIGHT, expected its described 600x420"
xdotool mousemove --sync $((X + WIDTH - 39)) $((Y + HEIGHT - 18)) click 1
for i in $(seq 1 50); do
  xdotool search --onlyvisible --name 'Thumbnails$' >/dev/null 2>&1 || break
  sleep 0.1
done
! xdotool search --onlyvisible --name 'Thumbnails$' >/dev/null 2>&1 || fail "ViewThumbnails stayed open"
kill -0 "$pid" 2>/dev/null || fail "closing ViewThumbnails ended the program"

# A real click on Close ends the program.
xdotool mousemove --sync $((left + 532)) $((top + 420)) click 1
wait_exit "$pid" 10000 || fail "Close did not end the program"
((EXIT_STATUS == 0)) || fail "exit status $EXIT_STATUS: $(cat "$E2E_TMP/config.log")"
[[ ! -e "$(work_folder Demo)" ]] || fail "the work folder is still there: $(ls "$(work_folder Demo)")"
echo "PASS"
