#!/usr/bin/env bash
# Runs the built window under Wine on a virtual X display as a user would: `vlp5tovxp.exe
# examples\demo.vlp`, the proposed file accepted in the save dialog with Enter, the saved project
# compared with the checked-in one. Given a picture's name, it also saves a picture of the window.
#   window-run-test.sh PROGRAM SOURCE_DIR WINE_PREFIX [PICTURE.png]
# The prefix is made once and kept; a second run waits for the first. Exit code 77 (ctest's
# "skipped") when Wine, a virtual display or xdotool cannot be had here.
set -euo pipefail
program=$(realpath "$1")
source=$(cd "$2" && pwd)
export WINEPREFIX=$(realpath -m "$3")
picture=${4:+$(realpath -m "$4")}
wineserver=$(command -v wineserver64 || echo /usr/lib/wine/wineserver64)
fail() {
  echo "window-run-test: $*" >&2
  exit 1
}
skip() {
  echo "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!" >&2
  echo "!! window-run-test: $*: the Windows window was NOT run end to end." >&2
  echo "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!" >&2
  exit 77
}
# Polls a command until it succeeds or the seconds run out; a loaded machine may take long.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}
# Whether a program started here has ended, waited for or not.
ended() {
  local state
  state=$(ps -o stat= -p "$1") || return 0
  [[ $state == Z* ]]
}
wine() {
  timeout 300 "$source/scripts/wine-run" "$@" 8>&-
}

command -v Xvfb >/dev/null || skip "Xvfb is missing (scripts/install-deps installs xvfb)"
command -v xdotool >/dev/null || skip "xdotool is missing (scripts/install-deps installs it)"
[[ -z $picture ]] || command -v import >/dev/null || fail "ImageMagick's import is missing"

mkdir -p "$(dirname "$WINEPREFIX")"
# The lock is not handed to the programs started here, which a killed run may leave behind.
exec 8>"$WINEPREFIX.run-lock"
flock -w 600 8 || fail "another run kept the Wine prefix for ten minutes"
scratch=$(mktemp -d)
xvfb=
# The prefix's Wine server holds the display of this run; it must not outlive it.
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  [[ -z $xvfb ]] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
# A run that was killed may have left the server behind, bound to its display, which is gone.
"$wineserver" -k 2>/dev/null || true

# A display of its own: the X server writes the number it found free.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" \
  8>&- &
xvfb=$!
display_known() {
  [[ -s $scratch/display ]] || ended "$xvfb"
}
wait_for 30 display_known
[[ -s $scratch/display ]] || skip "the virtual X server did not start: $(cat "$scratch/xvfb.log")"
export DISPLAY=:$(cat "$scratch/display")
wine cmd /c exit 0 >/dev/null 2>&1 || skip "Wine does not run Windows programs here"
# Debian's Wine leaves out the symbol font of the caption buttons, which it takes from the
# prefix's own font folder.
marlett=/usr/share/wine/fonts/marlett.ttf
[[ ! -f $marlett ]] || cp -n "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
# Without a window manager Wine draws the windows' captions and borders itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1

work=$WINEPREFIX/drive_c/work
rm -rf "$work"
mkdir -p "$work/examples"
cp "$source/examples/demo.vlp" "$work/examples/"
output=$work/examples/demo.vlp_converted.vxp
(cd "$work" && exec timeout 300 "$source/scripts/wine-run" "$program" 'examples\demo.vlp' 8>&-) &
window=$!

visible() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1
}
find_main() {
  main=$(visible '^Convert VLP')
  [[ -n $main ]]
}
find_dialog() {
  dialog=$(visible '^Save$')
  [[ -n $dialog ]]
}
wait_for 120 find_main || fail "the window did not come up"
# The run ends in the save dialog. Wine gives its window the keyboard a moment after X does; a
# key pressed before that is lost, so Enter is pressed again while the dialog stays open.
wait_for 120 find_dialog || fail "no save dialog came up"
for _ in 1 2 3 4 5; do
  [[ -f $output ]] && break
  find_dialog || break
  xdotool windowfocus "$dialog" 2>/dev/null || true
  sleep 1
  xdotool key Return
  wait_for 10 test -f "$output" || true
done
[[ -f $output ]] || fail "the window saved nothing"

# The new project names its old one by the absolute path; the fixture was made with demo.vlp.
sed 's|&quot;C:\\work\\examples\\demo.vlp&quot;|\&quot;demo.vlp\&quot;|' "$output" \
  >"$scratch/relative.vxp"
cmp "$scratch/relative.vxp" "$source/tests/data/demo.vlp_converted.vxp" ||
  fail "the window saved other bytes than the fixture"

if [[ -n $picture ]]; then
  # The log's last lines come after the save.
  sleep 2
  mkdir -p "$(dirname "$picture")"
  import -window "$main" "$picture"
fi
# Closed as a user would close it; destroying its X window would leave the program running.
xdotool windowfocus "$main" 2>/dev/null || true
sleep 1
xdotool key alt+F4
wait_for 30 ended "$window" || fail "the window did not close on Alt+F4"
wait "$window" || fail "the window ended with exit code $?"
echo "window-run-test: the window converted examples\\demo.vlp${picture:+; picture: $picture}"
