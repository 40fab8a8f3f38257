#!/usr/bin/env bash
# Random input for a while, with restarts: at "/C" clicks, double clicks, drags and keys (Alt+F4
# among them) anywhere in the configuration window and whatever it opens, until the time for
# one start is up and the windows are closed; at "/S" one random input at a random moment,
# which must end the show at once. Every start must end with status 0, within its bound, with
# a whole settings file and nothing left in the temporary folder.
# Usage: storm_config.sh lpcsaver lpctool [SECONDS]  (or LPC_STORM_SECONDS; default 20, half of
# it at "/C" and half at "/S")
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/storm_lib.sh"
[[ $# -ge 2 && -f "$1" && -f "$2" ]] || fail "usage: storm_config.sh lpcsaver lpctool [seconds]"
seconds=${3:-${LPC_STORM_SECONDS:-20}}
start_xvfb
mkdir -p "$E2E_TMP/tmp" "$E2E_TMP/home"
# Whatever the window opens or saves for the user stays in this run.
export TMPDIR="$E2E_TMP/tmp" SDL_AUDIODRIVER=dummy HOME="$E2E_TMP/home" BROWSER=true
export XDG_CONFIG_HOME="$E2E_TMP/home/.config"
make_big_show "$1" "$2" Storm 1
settings="$E2E_TMP/run/Storm.ini"
keys=(Tab Tab Return space Escape Left Right Up Down Home End a 1 F1 alt+F4)

# check_end WHAT: the instance that just ended left everything in order.
check_end() {
  [[ $EXIT_STATUS -eq 0 ]] || fail "$1: exit status $EXIT_STATUS: $(tail -5 "$E2E_TMP/storm.log")"
  settings_whole "$settings" || fail "$1: the settings file is not whole: $(od -c "$settings" | tail -5)"
  tmp_empty || fail "$1: left in the temporary folder: $(ls -A "$TMPDIR")"
}

# One random input somewhere in window ID (geometry W H).
random_input() {
  local id=$1 w=$2 h=$3 x y
  x=$((RANDOM % w)) y=$((RANDOM % h))
  case $((RANDOM % 6)) in
    0 | 1) xdotool mousemove --window "$id" "$x" "$y" click 1 ;;
    2) xdotool mousemove --window "$id" "$x" "$y" click --repeat 2 --delay 60 1 ;;
    3) xdotool mousemove --window "$id" "$x" "$y" mousedown 1 \
         mousemove --window "$id" $((RANDOM % w)) $((RANDOM % h)) mouseup 1 ;;
    *) xdotool key "${keys[$((RANDOM % ${#keys[@]}))]}" ;;
  esac
}

# The topmost window of pid (the last one it mapped), "" when it has none on the screen.
top_window() {
  local id last=""
  for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do last=$id; done
  echo "$last"
}

# --- "/C": a storm per start, then everything closed
starts=0
end=$(($(now_ms) + seconds * 500))
while (($(now_ms) < end)); do
  starts=$((starts + 1))
  timeout -k 1 120 "$E2E_TMP/run/Storm.scr" /C >>"$E2E_TMP/storm.log" 2>&1 &
  wrapper=$!
  CHILD_PIDS+=("$wrapper")
  pid=""
  for _ in $(seq 1 150); do
    pid=$(pgrep -P "$wrapper" | head -1 || true)
    [[ -n $pid && -n $(top_window "$pid") ]] && break
    sleep 0.1
  done
  [[ -n $pid && -n $(top_window "$pid") ]] || fail "/C start $starts: no window"
  stop=$(($(now_ms) + $(random_ms 2000 5000)))
  while (($(now_ms) < stop)) && kill -0 "$pid" 2>/dev/null; do
    id=$(top_window "$pid")
    [[ -n $id ]] || { sleep 0.1; continue; }
    eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || continue
    random_input "$id" "${WIDTH:-100}" "${HEIGHT:-100}" 2>/dev/null || true
    sleep_ms "$(random_ms 20 250)"
  done
  # Close whatever is open, innermost first: Escape (a dialog's Cancel, a message box, the
  # show), else a click where the window keeps its Close button (bottom right).
  for attempt in $(seq 1 30); do
    kill -0 "$pid" 2>/dev/null || break
    id=$(top_window "$pid")
    if ((attempt % 2)) || [[ -z $id ]]; then
      xdotool key Escape
    elif eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)"; then
      xdotool mousemove --window "$id" $((WIDTH - 45)) $((HEIGHT - 20)) click 1
    fi
    sleep 0.3
  done
  wait_exit "$wrapper" 3000 || fail "/C start $starts: the windows did not close (hung?)"
  check_end "/C start $starts"
done
echo "/C: $starts starts"

# --- "/S": a random input at a random moment ends the show
runs=0
end=$(($(now_ms) + seconds * 500))
while (($(now_ms) < end)); do
  runs=$((runs + 1))
  timeout -k 1 60 "$E2E_TMP/run/Storm.scr" /S >>"$E2E_TMP/storm.log" 2>&1 &
  wrapper=$!
  CHILD_PIDS+=("$wrapper")
  wait_for_window fmLPScrSvr 15 || fail "/S run $runs: the screensaver window did not appear"
  id=$(show_window_id)
  sleep_ms "$(random_ms 100 3500)"
  kill -0 "$wrapper" 2>/dev/null || fail "/S run $runs: the show ended on its own"
  case $((RANDOM % 5)) in
    0) xdotool mousemove 10 10 sleep 0.05 mousemove 600 500 mousemove 300 300 ;;
    1) xdotool click 1 ;;
    2) xdotool click --repeat 2 --delay 60 1 ;;
    3) xdotool key alt+F4 ;;
    *) xdotool key "${keys[$((RANDOM % ${#keys[@]}))]}" ;;
  esac
  # Keys that type nothing (arrows, F1, Tab is typed) keep the show: a letter then ends it.
  if ! wait_exit "$wrapper" 1000; then
    xdotool key q
    wait_exit "$wrapper" 1000 || fail "/S run $runs: a letter did not end the show within 1 s"
  fi
  check_end "/S run $runs"
done
echo "/S: $runs runs"
echo "PASS"
