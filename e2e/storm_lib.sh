# shellcheck shell=bash
# Helpers for the input, storm, soak and kill scripts, sourced after lib.sh: a screensaver of
# large pictures that change every second with fades, and the checks every run ends with.

# make_big_show LPCSAVER LPCTOOL NAME [DURATION]: packs $E2E_TMP/run/NAME.scr from pictures of
# 2400 x 1600 made here (three photographs and two with water), shown in order for DURATION
# seconds each (default 1) with fades, so that a decode or a fade is under way most of the time.
make_big_show() {
  local runtime=$1 tool=$2 name=$3 duration=${4:-1} src="$E2E_TMP/src" i
  local colours=(navy-orange darkgreen-pink purple-yellow maroon-skyblue black-white)
  mkdir -p "$src" "$E2E_TMP/run"
  # Five pictures that tell apart at a glance: a gradient each, a disc, fine noise (so that
  # they decode as slowly as photographs do).
  for i in 1 2 3 4 5; do
    convert -size 2400x1600 "gradient:${colours[$((i - 1))]}" -fill white \
      -draw "circle $((i * 400)),800 $((i * 400 + 300)),800" +noise Gaussian -quality 95 \
      "$src/picture$i.jpg"
  done
  for i in 1 2 3; do mv "$src/picture$((i * 2 - 1)).jpg" "$src/photo$i.jpg"; done
  convert -size 2400x1600 xc:black -fill '#0000FF' -draw 'rectangle 0,800 2400,1600' \
    "$src/mask.png"
  for i in 1 2; do
    "$tool" lpp -o "$src/sea$i.lpp" --picture "$src/picture$((i * 2)).jpg" --mask "$src/mask.png" \
      --title "Sea $i" \
      --wave 1:amplitude=4,wavecount=3,phasestep=12,period=360,horizontal=1,vertical=1 \
      >/dev/null || fail "lpctool lpp failed"
  done
  printf '[General]\nProductName=%s\n[Default]\nStretch=1\nProportional=1\nRandom=1\nShowImageMode=1\nDuration=%s\nTransition=1\nSpeed=100\nMusic=0\nSound=0\n' \
    "$name" "$duration" >"$src/$name.ini"
  "$tool" pack -o "$E2E_TMP/run/$name.scr" --runtime "$runtime" --project "$src/$name.ini" \
    "$src/photo1.jpg" "$src/sea1.lpp" "$src/photo2.jpg" "$src/sea2.lpp" "$src/photo3.jpg" \
    >/dev/null || fail "lpctool pack failed"
}

# settings_whole FILE: true when FILE is missing or a whole ini (sections and key=value lines,
# each ended by CR LF), with no half-written copy beside it.
settings_whole() {
  local file=$1
  if compgen -G "$(dirname "$file")/*.tmp*" >/dev/null; then return 1; fi
  [[ -e $file ]] || return 0
  [[ -s $file ]] || return 1
  [[ $(tail -c 2 "$file" | od -An -c | tr -d ' ') == '\r\n' ]] || return 1
  ! tr -d '\r' <"$file" | grep -qvE '^(\[[^]]*\]|[^=]+=.*|)$'
}

# tmp_empty: nothing is left in the run's temporary folder.
tmp_empty() {
  [[ -z $(ls -A "$TMPDIR") ]]
}

# random_ms LOW HIGH: a random number of milliseconds between LOW and HIGH.
random_ms() {
  echo $(($1 + RANDOM % ($2 - $1 + 1)))
}

# sleep_ms MS
sleep_ms() {
  sleep "$(awk -v m="$1" 'BEGIN { printf "%.3f", m / 1000 }')"
}

# now_ms: wall-clock milliseconds.
now_ms() {
  local t=${EPOCHREALTIME/[.,]/}
  echo $((t / 1000))
}

# show_window_id: the id of the screensaver's window, "" while there is none.
show_window_id() {
  xdotool search --name '^fmLPScrSvr$' 2>/dev/null | head -1 || true
}

# window_viewable ID: the window is on the screen.
window_viewable() {
  xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'
}
