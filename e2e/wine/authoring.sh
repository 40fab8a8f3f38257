# Sourced by e2e/wine/run-tests (its helpers, Wine prefix and X server): a Windows author's
# whole run with lpctool.exe, from a folder of photographs to an installed screensaver, with
# Windows paths (drive Z:, backslashes, spaces, an accented name) and the runtime beside the
# tool; then the table of outputs lpctool.exe must write byte for byte as the Linux tool does.

author_tool="$bin/lpctool.exe"
host_tool="${LPC_HOST_BUILD:-$root/build}/bin/lpctool"

# lpctool.exe with the given arguments in the author's folder; what it printed (CR LF made LF)
# in $said. Never the settings dialog.
tool() {
  said=$(cd "$author" && LPCTOOL_NO_DIALOG=1 timeout -k 5 120 wine "$author_tool" "$@" 2>&1 |
    tr -d '\r')
}

winpath() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }

desktop_value() {
  wine reg query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE 2>/dev/null | tr -d '\r' |
    sed -n 's/.*REG_SZ *//p'
}

author_run() {
  author="$run/author"
  rm -rf "$author"
  mkdir -p "$author/Photos"
  local photos="$author/Photos" W P
  # Small photographs made here: sky over sea, a harbour, boats (PNG), a turned portrait (EXIF
  # orientation 6 on a 480 x 320 picture, which turns without loss) and a WebP.
  convert -size 480x320 gradient:'#9cc8f0'-'#103a70' "$photos/Île de Ré.jpg"
  convert -size 480x320 -seed 7 plasma:'#406030'-'#c0a070' "$photos/harbour.jpg"
  convert -size 480x320 -seed 9 plasma:'#202060'-'#e0e0ff' "$photos/boats.png"
  convert -size 480x320 gradient:'#f0c080'-'#402010' -orient RightTop "$photos/turned.jpg"
  convert -size 480x320 -seed 11 plasma:'#305030'-'#a0d0a0' "$photos/meadow.webp"
  W=$(winpath "$author")
  P="$W\\Photos"
  [[ $W == Z:\\* ]] || { fail "lpctool.exe: Windows paths" "winepath gave \"$W\""; return; }

  tool new "$W\\Harbour Project"
  check "lpctool.exe new writes project.ini at a path with a space" "$said" \
    test -s "$author/Harbour Project/project.ini"
  tool mask "$P\\Île de Ré.jpg" -o "$P\\Île de Ré-mask.png" --below 200
  check "lpctool.exe mask reads and writes accented names" "$said" \
    test -s "$photos/Île de Ré-mask.png"
  tool lpp -o "$P\\Île de Ré.lpp" --picture "$P\\Île de Ré.jpg" --mask "$P\\Île de Ré-mask.png" \
    --wave 1
  check "lpctool.exe lpp makes a packed image" "$said" test -s "$photos/Île de Ré.lpp"
  tool pack -o "$W\\My Saver.scr" --project "$W\\Harbour Project\\project.ini" \
    "$P\\Île de Ré.lpp" "$P\\harbour.jpg" "$P\\boats.png" "$P\\turned.jpg"
  local scr="$author/My Saver.scr"
  check "lpctool.exe pack takes lpcsaver.exe beside it without --runtime" "$said" \
    cmp -s -n "$(stat -c %s "$bin/lpcsaver.exe")" "$scr" "$bin/lpcsaver.exe"
  tool info "$W\\My Saver.scr"
  check "lpctool.exe info describes the screensaver" "$said" \
    grep -q 'Kind: package' <<<"$said"
  tool info "\\\\?\\$W\\My Saver.scr"
  check "lpctool.exe reads an extended-length path (\\\\?\\Z:\\...)" "$said" \
    grep -q 'Kind: package' <<<"$said"
  # As an author types it in cmd.exe: the quotes of a batch file.
  printf '@echo off\r\n"%s" info "%s\\My Saver.scr"\r\n' "$(winpath "$author_tool")" "$W" \
    >"$author/info.bat"
  said=$(cd "$author" && timeout -k 5 60 wine cmd /c "$W\\info.bat" 2>&1 | tr -d '\r')
  check "lpctool.exe run from a cmd.exe batch file with a quoted name" "$said" \
    grep -q 'Kind: package' <<<"$said"
  tool ui "$W\\My Saver.scr" --png "$W\\window.png"
  local width
  width=$(identify -format '%w' "$author/window.png" 2>/dev/null)
  check "lpctool.exe ui draws the window with the system's fonts" "$said" test "${width:-0}" -gt 100

  # show: the engine in a Win32 window, on the packed image with the accented name.
  tool show "$P\\Île de Ré.lpp" --frames 3 --timing
  check "lpctool.exe show runs the engine in a window" "$said" \
    grep -q 'first frame after' <<<"$said"

  # HEIC is what the Windows build cannot read: said, with the file's name.
  printf 'ftypheic' >"$photos/phone.heic"
  tool lpp -o "$P\\phone.lpp" --picture "$P\\phone.heic"
  check "lpctool.exe names a HEIC picture it cannot read" "$said" \
    grep -q 'phone.heic: this lpctool reads no HEIC/HEIF' <<<"$said"

  # Without a runtime beside it: a clear error and no file.
  mkdir -p "$author/alone"
  cp "$author_tool" "$author/alone/"
  said=$(cd "$author" && timeout -k 5 60 wine "$author/alone/lpctool.exe" pack -o "$W\\none.scr" \
    --project "$W\\Harbour Project\\project.ini" "$P\\harbour.jpg" 2>&1 | tr -d '\r')
  check "lpctool.exe pack without a runtime beside it names the missing file" "$said" \
    grep -q 'alone\\lpcsaver.exe: File not found' <<<"$said"
  check "lpctool.exe pack without a runtime writes nothing" "none.scr exists" \
    test ! -e "$author/none.scr"

  # The screensaver it made shows its first picture.
  start_wine "$scr" /S
  if wait_window "my saver.scr" 30 && wait_picture 30 "$run/author-show.png"; then
    pass "the .scr made by lpctool.exe shows its pictures with /S"
    xdotool mousemove 400 300 key a
    wait_exit "$pid" 20 || fail "the .scr made by lpctool.exe ends on a key" "still running"
  else
    fail "the .scr made by lpctool.exe shows its pictures with /S" "no window or only black"
  fi
  stop "$pid"

  # install makes it the user's screensaver and says how to undo; --remove puts back the one
  # chosen before.
  wine reg add 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE /t REG_SZ \
    /d 'C:\windows\system32\before.scr' /f >/dev/null 2>&1
  tool install "$W\\My Saver.scr"
  local value copy
  value=$(desktop_value)
  copy=$(ls "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/LPCSaver/"My Saver.scr" 2>/dev/null)
  check "lpctool.exe install copies the .scr under %APPDATA%\\LPCSaver" "$said" test -n "$copy"
  # The short form of ...\LPCSaver\My Saver.scr: no space, a "~" in the name.
  check "lpctool.exe install sets SCRNSAVE.EXE to the copy's short path" "value \"$value\"; $said" \
    grep -qiE '^C:\\users\\[^ ]*\\LPCSaver\\[^\\ ]*~[^\\ ]*\.SCR$' <<<"$value"
  check "lpctool.exe install prints the undo command" "$said" \
    grep -q 'install --remove "My Saver.scr"' <<<"$said"
  tool install --remove "My Saver.scr"
  value=$(desktop_value)
  check "lpctool.exe install --remove restores the previous SCRNSAVE.EXE" "value \"$value\"; $said" \
    test "$value" = 'C:\windows\system32\before.scr'
  check "lpctool.exe install --remove deletes the copy" "$copy is still there" test ! -e "$copy"
  # xsecurelock is a Linux screen locker: the option says so, and nothing is copied.
  tool install --xsecurelock "$W\\My Saver.scr"
  check "lpctool.exe install --xsecurelock says it is not available on Windows" "$said" \
    grep -q "not available on this system" <<<"$said"
  check "lpctool.exe install --xsecurelock copies nothing" "$copy is there" test ! -e "$copy"

  same_bytes "$photos" "$P"
}

# Each row: name | output file | arguments, with %I% for the photographs' folder and %O% for
# the output folder (each tool's own), %R% for the runtime.
same_bytes_rows=(
  "a JPEG and its mask made into a .lpp|sea.lpp|lpp|-o|%O%sea.lpp|--picture|%I%Île de Ré.jpg|--mask|%I%Île de Ré-mask.png|--wave|1:period=40|--title|Île de Ré"
  "a PNG made into a .lpp (stored as JPEG)|boats.lpp|lpp|-o|%O%boats.lpp|--picture|%I%boats.png|--weather|snow"
  "a photograph turned by its EXIF orientation|turned.lpp|lpp|-o|%O%turned.lpp|--picture|%I%turned.jpg"
  "a screensaver packed onto lpcsaver.exe|all.scr|pack|-o|%O%all.scr|--runtime|%R%|--project|%I%..%S%Harbour Project%S%project.ini|%I%Île de Ré.lpp|%I%harbour.jpg|%I%boats.png|%I%turned.jpg|%I%meadow.webp"
)

same_bytes() { # same_bytes LINUX-PHOTOS WINDOWS-PHOTOS
  if [[ ! -x "$host_tool" ]]; then fail "same bytes as the Linux lpctool" "no $host_tool"; return; fi
  local linux_out="$author/linux" windows_out="$author/windows" row name out args=() a
  mkdir -p "$linux_out" "$windows_out"
  local W_out W_runtime
  W_out=$(winpath "$windows_out")
  W_runtime=$(winpath "$bin/lpcsaver.exe")
  for row in "${same_bytes_rows[@]}"; do
    IFS='|' read -ra fields <<<"$row"
    name=${fields[0]}
    out=${fields[1]}
    local linux_args=() windows_args=()
    for a in "${fields[@]:2}"; do
      linux_args+=("$(sed -e "s|%I%|$1/|g; s|%O%|$linux_out/|g; s|%R%|$bin/lpcsaver.exe|g; s|%S%|/|g" <<<"$a")")
      a=${a//%I%/$2\\}
      a=${a//%O%/$W_out\\}
      a=${a//%R%/$W_runtime}
      windows_args+=("${a//%S%/\\}")
    done
    "$host_tool" "${linux_args[@]}" >/dev/null 2>&1
    tool "${windows_args[@]}"
    if [[ -s "$linux_out/$out" ]] && cmp -s "$linux_out/$out" "$windows_out/$out"; then
      pass "same bytes as the Linux lpctool: $name"
    else
      fail "same bytes as the Linux lpctool: $name" \
        "$(cmp "$linux_out/$out" "$windows_out/$out" 2>&1 | head -1); $said"
    fi
  done
}

author_run
