#!/usr/bin/env bash
# A program without a package: "/S" ends in the general error report, a message box naming the
# file and the fault, and a report file beside the program with the details.
# Usage: error_test.sh path/to/lpcsaver
source "$(dirname "$0")/lib.sh"
[[ $# -eq 1 && -f "$1" ]] || fail "usage: error_test.sh lpcsaver"
prepare_run "$1" Bare.scr dummy
report="$E2E_TMP/run/Bare.error.txt"

# The message box waits for a click; SIGKILL ends the program if the test fails first.
timeout -s KILL 30 "$E2E_TMP/run/Bare.scr" /S >"$E2E_TMP/error.log" 2>&1 &
pid=$!
CHILD_PIDS+=("$pid")
for i in $(seq 1 100); do
  [[ -s "$report" ]] && break
  sleep 0.1
done
[[ -s "$report" ]] || fail "no error report beside the program"
grep -q "Bare.scr" "$report" || fail "the report does not name the program: $(cat "$report")"
grep -q "no package" "$report" || fail "the report does not name the fault: $(cat "$report")"
grep -q "LPCSaver" "$report" || fail "the report lacks the version: $(cat "$report")"
grep -q "Bare.scr.*no package" "$E2E_TMP/error.log" || fail "no error text: $(cat "$E2E_TMP/error.log")"
# The box comes up (a loaded machine may take seconds) and waits for the user.
for i in $(seq 1 100); do
  [[ $(xwininfo -root -children | grep -c '^ *0x') -ge 1 ]] && break
  sleep 0.1
done
[[ $(xwininfo -root -children | grep -c '^ *0x') -ge 1 ]] || fail "no error box on the screen"
sleep 0.3
kill -0 "$pid" 2>/dev/null || fail "the program ended without waiting on its error box"
# A stop request ends the program even while its box waits (timeout passes SIGTERM on).
kill -TERM "$pid"
wait_exit "$pid" 2000 || fail "SIGTERM did not end the program while its error box was open"
[[ ! -e "$(work_folder Bare)" ]] || fail "the work folder stayed behind: $(ls "$(work_folder Bare)")"
echo "PASS"
