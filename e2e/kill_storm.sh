#!/usr/bin/env bash
# Starts of "/S" and "/C" ended by signals at random moments, one or two instances at once.
# TERM, INT and HUP must end an instance within 2 s with its work folder removed and its
# settings untouched; KILL leaves files by nature, and the next start must clean them up, so
# after a round without KILL the temporary folder holds nothing it did not hold before the round
# (an earlier KILL's folder stays when every start of the round was ended before it got as far
# as its work folder), and the last, clean run must leave it empty.
# Fails on an instance that ends on its own, one that a signal does not end (a hang), a settings
# file that is not whole, or anything left over.
# Usage: kill_storm.sh lpcsaver lpctool [ROUNDS]  (or LPC_KILL_ROUNDS; default 8)
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/storm_lib.sh"
[[ $# -ge 2 && -f "$1" && -f "$2" ]] || fail "usage: kill_storm.sh lpcsaver lpctool [rounds]"
rounds=${3:-${LPC_KILL_ROUNDS:-8}}
start_xvfb
mkdir -p "$E2E_TMP/tmp"
export TMPDIR="$E2E_TMP/tmp" SDL_AUDIODRIVER=dummy
make_big_show "$1" "$2" Storm 1
settings="$E2E_TMP/run/Storm.ini"
# A settings file of the user's own: every end must leave it as it is.
printf '[Setting]\r\nDuration=1\r\nTransition=1\r\n' >"$settings"
before=$(md5sum <"$settings")
signals=(TERM INT HUP KILL)

for round in $(seq 1 "$rounds"); do
  left_before=$(ls -A "$TMPDIR")
  count=$((1 + RANDOM % 2))
  wrappers=() modes=() sigs=()
  for i in $(seq 1 "$count"); do
    if ((RANDOM % 3 == 0)); then mode=/C; else mode=/S; fi
    timeout -k 1 60 "$E2E_TMP/run/Storm.scr" "$mode" >>"$E2E_TMP/storm.log" 2>&1 &
    wrappers+=($!)
    CHILD_PIDS+=($!)
    modes+=("$mode")
  done
  # Any moment: unpacking, the window opening, a decode, a fade.
  sleep_ms "$(random_ms 50 3000)"
  any_kill=0
  for i in $(seq 0 $((count - 1))); do
    pid=$(pgrep -P "${wrappers[$i]}" | head -1 || true)
    [[ -n $pid ]] || fail "round $round: ${modes[$i]} ended on its own: $(tail -5 "$E2E_TMP/storm.log")"
    sig=${signals[$((RANDOM % 4))]}
    [[ $sig == KILL ]] && any_kill=1
    sigs+=("$sig")
    kill -s "$sig" "$pid"
  done
  for i in $(seq 0 $((count - 1))); do
    wait_exit "${wrappers[$i]}" 2000 ||
      fail "round $round: ${modes[$i]} still runs 2 s after SIG${sigs[$i]}"
  done
  echo "round $round: ${modes[*]} ended by ${sigs[*]}"
  settings_whole "$settings" || fail "round $round: the settings file is not whole"
  [[ $(md5sum <"$settings") == "$before" ]] || fail "round $round: the settings file changed"
  if ((any_kill == 0)); then
    new=$(comm -13 <(echo "$left_before") <(ls -A "$TMPDIR"))
    [[ -z $new ]] || fail "round $round: left in the temporary folder: $new"
  fi
done
# A last clean run takes whatever KILL left.
timeout -k 1 60 "$E2E_TMP/run/Storm.scr" /S >>"$E2E_TMP/storm.log" 2>&1 &
wrapper=$!
CHILD_PIDS+=("$wrapper")
wait_for_window fmLPScrSvr 15 || fail "the last show did not start"
sleep 0.5
kill -TERM "$(pgrep -P "$wrapper" | head -1)"
wait_exit "$wrapper" 2000 || fail "the last show did not end on SIGTERM"
tmp_empty || fail "a KILL's leftovers were not cleaned by the next start: $(ls -A "$TMPDIR")"
echo "PASS"
