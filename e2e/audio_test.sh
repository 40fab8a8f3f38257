#!/usr/bin/env bash
# Sound through SDL's disk audio driver: the looping surf of the first packed picture and the
# background music each reach the output on their own; with both off the output is silent.
# Usage: audio_test.sh path/to/Demo.scr
source "$(dirname "$0")/lib.sh"
[[ $# -eq 1 && -f "$1" ]] || fail "usage: audio_test.sh Demo.scr"
prepare_run "$1" Demo.scr disk

# run_with SOUND MUSIC: runs the show for 3 s with these user settings; prints the number of
# non-zero output bytes.
run_with() {
  printf '[Setting]\r\nSound=%s\r\nMusic=%s\r\n' "$1" "$2" >"$E2E_TMP/run/Demo.ini"
  local out="$E2E_TMP/audio-$1-$2.raw"
  SDL_DISKAUDIOFILE="$out" timeout -k 1 60 "$E2E_TMP/run/Demo.scr" /S >"$E2E_TMP/show.log" 2>&1 &
  local pid=$!
  CHILD_PIDS+=("$pid")
  wait_for_window fmLPScrSvr 10 || fail "the screensaver window did not appear"
  sleep 3
  xdotool key Escape
  wait_exit "$pid" 2000 || fail "the show did not end on Escape"
  [[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS"
  nonzero_bytes "$out"
}

sound=$(run_with 1 0)
music=$(run_with 0 1)
none=$(run_with 0 0)
echo "non-zero output bytes: picture sound $sound, music $music, neither $none"
[[ $sound -gt 50000 ]] || fail "the picture sound is silent"
[[ $music -gt 50000 ]] || fail "the music is silent"
[[ $none -eq 0 ]] || fail "sound came out with sound and music off"
echo "PASS"
