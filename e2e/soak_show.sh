#!/usr/bin/env bash
# A long show: "/S" with a picture of 2400 x 1600 changing every second (with fades) for a
# while, sampling the process once a second: resident memory (VmRSS), threads and open files.
# Fails when any of them grows after the warm-up beyond its margin, when the show ends on its
# own or stops working (no CPU time for 5 s), when a key then does not end it within 2 s, or
# when it leaves a file in the temporary folder or writes settings.
# Margins: memory at most 25 % + 24 MB above the warm-up's peak, threads at most 2 more (a
# dropped load's worker finishing alone), open files none more; a leak lasts, so a value counts
# as grown once it is beyond its margin in three samples in a row (a picture being read holds
# a file for a moment).
# Usage: soak_show.sh lpcsaver lpctool [SECONDS]  (or LPC_SOAK_SECONDS; default 30; the warm-up
# is the first third, at least one round of every picture: 15 s)
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/storm_lib.sh"
[[ $# -ge 2 && -f "$1" && -f "$2" ]] || fail "usage: soak_show.sh lpcsaver lpctool [seconds]"
seconds=${3:-${LPC_SOAK_SECONDS:-30}}
warmup=$((seconds / 3 > 15 ? seconds / 3 : 15))
((seconds > warmup + 5)) || seconds=$((warmup + 5))
start_xvfb
mkdir -p "$E2E_TMP/tmp"
export TMPDIR="$E2E_TMP/tmp" SDL_AUDIODRIVER=dummy
make_big_show "$1" "$2" Soak 1

timeout -k 1 $((seconds + 60)) "$E2E_TMP/run/Soak.scr" /S >"$E2E_TMP/show.log" 2>&1 &
wrapper=$!
CHILD_PIDS+=("$wrapper")
wait_for_window fmLPScrSvr 15 || fail "the screensaver window did not appear"
pid=$(pgrep -P "$wrapper" | head -1)
[[ -n $pid ]] || fail "no screensaver process under its timeout"

status_value() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$pid/status"; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }

peak_rss=0 peak_threads=0 peak_fds=0
over_rss=0 over_threads=0 over_fds=0
last_cpu=$(cpu_ticks) still=0
start=$(now_ms)
samples="$E2E_TMP/samples.txt"
while (($(now_ms) - start < seconds * 1000)); do
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "the show ended on its own: $(cat "$E2E_TMP/show.log")"
  rss=$(status_value VmRSS) threads=$(status_value Threads)
  fds=$(ls "/proc/$pid/fd" 2>/dev/null | wc -l)
  cpu=$(cpu_ticks)
  t=$((($(now_ms) - start) / 1000))
  echo "$t s: rss ${rss} kB, threads $threads, files $fds" >>"$samples"
  if ((cpu == last_cpu)); then still=$((still + 1)); else still=0; fi
  last_cpu=$cpu
  ((still < 5)) || fail "the show has used no CPU time for 5 s: hung"
  if ((t < warmup)); then
    ((rss > peak_rss)) && peak_rss=$rss
    ((threads > peak_threads)) && peak_threads=$threads
    ((fds > peak_fds)) && peak_fds=$fds
    continue
  fi
  if ((rss > peak_rss * 5 / 4 + 24576)); then over_rss=$((over_rss + 1)); else over_rss=0; fi
  if ((threads > peak_threads + 2)); then over_threads=$((over_threads + 1)); else over_threads=0; fi
  if ((fds > peak_fds)); then over_fds=$((over_fds + 1)); else over_fds=0; fi
  ((over_rss < 3)) || fail "memory grew after the warm-up: $rss kB against a peak of $peak_rss kB
$(cat "$samples")"
  ((over_threads < 3)) || fail "threads grew after the warm-up: $threads against $peak_threads
$(cat "$samples")"
  ((over_fds < 3)) || fail "open files grew after the warm-up: $fds against $peak_fds
$(ls -l "/proc/$pid/fd")"
done
tail -3 "$samples"
echo "warm-up peaks: rss $peak_rss kB, threads $peak_threads, files $peak_fds"

xdotool key a
wait_exit "$wrapper" 2000 || fail "a key did not end the show within 2 s"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS: $(cat "$E2E_TMP/show.log")"
tmp_empty || fail "left in the temporary folder: $(ls -A "$TMPDIR")"
settings_whole "$E2E_TMP/run/Soak.ini" || fail "the settings file is not whole"
[[ ! -e "$E2E_TMP/run/Soak.ini" ]] || fail "the show wrote a settings file"
echo "PASS"
