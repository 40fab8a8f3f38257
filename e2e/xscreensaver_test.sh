#!/usr/bin/env bash
# Demo.scr under the real XScreenSaver daemon: a private home whose ~/.xscreensaver lists only
# the screensaver (put there by `lpctool install`), activated, cycled and deactivated with
# xscreensaver-command. The show draws into the daemon's window; every time the daemon stops it,
# its log says the program ended by SIGTERM, never "abnormally"; nothing stays behind.
# XScreenSaver runs no screensaver as root: under root the daemon runs as the user nobody.
# Usage: xscreensaver_test.sh path/to/Demo.scr path/to/lpctool
# Exits 77 (a skip) when XScreenSaver is not installed or there is no user to run it as.
source "$(dirname "$0")/lib.sh"
[[ $# -eq 2 && -f "$1" && -x "$2" ]] || fail "usage: xscreensaver_test.sh Demo.scr lpctool"
if ! command -v xscreensaver >/dev/null || ! command -v xscreensaver-command >/dev/null; then
  echo "SKIP: XScreenSaver is not installed"
  exit 77
fi
AS=()
if (($(id -u) == 0)); then
  if ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
    echo "SKIP: running as root, and no way to run XScreenSaver as another user"
    exit 77
  fi
  AS=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
prepare_run "$1" Demo.scr dummy
export HOME="$E2E_TMP/home" XDG_DATA_HOME=""
mkdir -p "$HOME"
cat >"$HOME/.xscreensaver" <<'EOF'
# XScreenSaver Preferences File
timeout:	0:30:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
grabDesktopImages:	False
mode:		one
selected:	0
programs:
EOF
"$2" install "$E2E_TMP/run/Demo.scr" >"$E2E_TMP/install.log" 2>&1 ||
  fail "install failed: $(cat "$E2E_TMP/install.log")"
installed="$HOME/.local/share/lpcsaver/Demo.scr"
grep -q "\"Demo\" *$installed /S" "$HOME/.xscreensaver" ||
  fail "the program list does not hold the screensaver: $(cat "$HOME/.xscreensaver")"
# A new picture every second, straight away, and no sound.
printf '[Setting]\r\nDuration=1\r\nTransition=0\r\nMusic=0\r\nSound=0\r\n' \
  >"$HOME/.local/share/lpcsaver/Demo.ini"
# The daemon's own folder, for its log and as its current folder.
mkdir -p "$E2E_TMP/daemon"
if ((${#AS[@]} > 0)); then
  chmod 755 "$E2E_TMP"
  chown -R nobody:nogroup "$HOME" "$TMPDIR" "$E2E_TMP/daemon"
fi

LOG="$E2E_TMP/daemon/xscreensaver.log"
xss() { "${AS[@]}" xscreensaver-command "$@" >>"$E2E_TMP/command.log" 2>&1; }
leftovers() { ls -A "$TMPDIR"; }
# The pid of the show the daemon started last: "forked "... in pid N on window W".
started_pids() { grep -o "forked \"$installed /S\" in pid [0-9]*" "$LOG" | awk '{print $NF}'; }
wait_started() { # wait_started N: until the daemon has started the show N times; prints its pid
  for _ in $(seq 1 100); do
    (($(started_pids | wc -l) >= $1)) && { started_pids | tail -1; return 0; }
    sleep 0.1
  done
  return 1
}
wait_gone() { # wait_gone PID MILLISECONDS
  local left=$2
  while ((left > 0)); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.05
    left=$((left - 50))
  done
  return 1
}

(cd "$E2E_TMP/daemon" && exec "${AS[@]}" xscreensaver -no-splash -verbose -log "$LOG") \
  >"$E2E_TMP/daemon.out" 2>&1 &
CHILD_PIDS+=($!)
# Up to 30 s: on a busy machine (a sanitizer build beside other work) the daemon took over 10.
for _ in $(seq 1 300); do
  xss -time && break
  sleep 0.1
done
xss -time || fail "the daemon does not answer: $(cat "$E2E_TMP/daemon.out" "$LOG")"

xss -activate || fail "xscreensaver-command -activate failed"
first=$(wait_started 1) || fail "the daemon did not start the screensaver: $(tail -20 "$LOG")"
CHILD_PIDS+=("$first")
wait_for_show || fail "the show did not draw in the daemon's window"
! xwininfo -root -tree | grep -q fmLPScrSvr || fail "the show opened a window of its own"

# The daemon stops the show and starts it again.
xss -cycle || fail "xscreensaver-command -cycle failed"
second=$(wait_started 2) || fail "the daemon did not start the screensaver again"
CHILD_PIDS+=("$second")
wait_gone "$first" 3000 || fail "the first show did not end when the daemon cycled"
wait_for_show || fail "the second show did not draw"
sea_moves || fail "nobody draws after the show was started again"

xss -deactivate || fail "xscreensaver-command -deactivate failed"
wait_gone "$second" 3000 || fail "the show did not end on deactivation"
xss -exit || true

ours=$(grep -F "$installed" "$LOG" || true)
echo "$ours"
! grep -q "abnormally\|unexpectedly" <<<"$ours" || fail "the daemon saw the show fail: $ours"
grep -q "child pid $first (.*) exited normally with SIGTERM" <<<"$ours" ||
  fail "the daemon did not see the cycled show end by SIGTERM"
[[ -z "$(leftovers)" ]] || fail "left behind: $(ls -AR "$TMPDIR")"
echo "PASS"
