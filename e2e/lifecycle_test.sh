#!/usr/bin/env bash
# Demo.scr from the outside: two instances side by side, stop signals at any moment, and a
# display that is not there. Whatever happens, nothing stays in the temporary folder.
# Usage: lifecycle_test.sh path/to/Demo.scr
source "$(dirname "$0")/lib.sh"
[[ $# -eq 1 && -f "$1" ]] || fail "usage: lifecycle_test.sh Demo.scr"
prepare_run "$1" Demo.scr dummy
# A new picture every second, straight away, and no sound.
printf '[Setting]\r\nDuration=1\r\nTransition=0\r\nMusic=0\r\nSound=0\r\n' >"$E2E_TMP/run/Demo.ini"

start() { # start VAR ARGS...: starts the screensaver, its pid in VAR
  local var=$1
  shift
  timeout -k 1 60 "$E2E_TMP/run/Demo.scr" "$@" >>"$E2E_TMP/run.log" 2>&1 &
  CHILD_PIDS+=($!)
  printf -v "$var" '%s' $!
}
# The program under its timeout wrapper.
program_of() { pgrep -P "$1" | head -1; }
leftovers() { ls -A "$TMPDIR"; }
# Land and sky change only when the picture does (the sea ripples all the time). A loaded
# machine (a sanitizer build, two shows at once) may take seconds per change: look for up to 10 s.
picture_changes() {
  screenshot "$E2E_TMP/p1.png"
  crop "$E2E_TMP/p1.png" 1024x250+0+100 "$E2E_TMP/c1.png"
  for _ in $(seq 1 20); do
    sleep 0.5
    screenshot "$E2E_TMP/p2.png"
    crop "$E2E_TMP/p2.png" 1024x250+0+100 "$E2E_TMP/c2.png"
    (($(changed_pixels "$E2E_TMP/c1.png" "$E2E_TMP/c2.png") > 1000)) && return 0
  done
  return 1
}

# --- two instances a second apart: each keeps its own files
start first /S
wait_for_window fmLPScrSvr 10 || fail "the first window did not appear"
sleep 1
start second /S
for _ in $(seq 1 100); do
  (($(xwininfo -root -tree | grep -c fmLPScrSvr) >= 2)) && break
  sleep 0.1
done
sleep 1
[[ -d "$(work_folder Demo)" && -d "$(work_folder Demo).2" ]] || fail "not one work folder each: $(leftovers)"
picture_changes || fail "the second instance does not change pictures"
kill -TERM "$(program_of "$second")"
wait_exit "$second" 3000 || fail "the second instance did not end on SIGTERM"
[[ ! -e "$(work_folder Demo).2" ]] || fail "the second instance left its folder"
[[ -e "$(work_folder Demo)/.lpcsaver.lock" ]] || fail "the second instance removed the first one's files"
picture_changes || fail "the first instance stopped changing pictures when the second ended"
kill -HUP "$(program_of "$first")"
wait_exit "$first" 3000 || fail "the first instance did not end on SIGHUP"
[[ -z "$(leftovers)" ]] || fail "left behind: $(leftovers)"

# --- stop signals while unpacking and while showing
for sig in HUP TERM INT USR1; do
  for delay in 0.05 2; do
    start run /S
    sleep "$delay"
    pid=$(program_of "$run")
    [[ -n "$pid" ]] && kill -"$sig" "$pid"
    wait_exit "$run" 3000 || fail "SIG$sig at $delay s did not end the show"
    [[ -z "$(leftovers)" ]] || fail "SIG$sig at $delay s left: $(ls -AR "$TMPDIR")"
  done
done

# --- SIGTERM ends the show by the signal itself after the clean-up: XScreenSaver logs an exit
# status (143) as an abnormal exit. Perl's system() tells the two apart; bash's wait cannot.
perl -e 'system(@ARGV); my $s = $?; print(($s & 127) ? "signal " . ($s & 127) : "exit " . ($s >> 8))' \
  "$E2E_TMP/run/Demo.scr" /S >"$E2E_TMP/ended.txt" 2>>"$E2E_TMP/run.log" &
waiter=$!
CHILD_PIDS+=($waiter)
wait_for_window fmLPScrSvr 10 || fail "the show did not appear for the SIGTERM check"
kill -TERM "$(pgrep -P "$waiter" | head -1)"
wait_exit "$waiter" 3000 || fail "SIGTERM did not end the show"
[[ "$(cat "$E2E_TMP/ended.txt")" == "signal 15" ]] ||
  fail "after SIGTERM the parent saw \"$(cat "$E2E_TMP/ended.txt")\", not death by SIGTERM"
[[ -z "$(leftovers)" ]] || fail "SIGTERM left: $(ls -AR "$TMPDIR")"

# --- a display that is not there: a clear message, quickly, and nothing left
n=99
while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n - 1)); done
t0=$(date +%s%N)
status=0
DISPLAY=":$n" timeout -s KILL 10 "$E2E_TMP/run/Demo.scr" /S >"$E2E_TMP/nodisplay.log" 2>&1 || status=$?
elapsed=$((($(date +%s%N) - t0) / 1000000))
echo "no display: status $status after $elapsed ms: $(head -1 "$E2E_TMP/nodisplay.log")"
((status != 0 && status != 137)) || fail "exit status $status without a display"
((elapsed < 2000)) || fail "took $elapsed ms to give up on the display"
grep -q "display \":$n\"" "$E2E_TMP/nodisplay.log" || fail "the message does not name the display: $(cat "$E2E_TMP/nodisplay.log")"
[[ -z "$(leftovers)" ]] || fail "left behind without a display: $(leftovers)"
echo "PASS"
