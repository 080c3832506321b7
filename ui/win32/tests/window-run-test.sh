#!/usr/bin/env bash
# Runs the built window under Wine on a virtual X display as a user would: `vlp5tovxp.exe
# examples\demo.vlp`, the proposed file accepted in the save dialog with Enter, the saved project
# compared with the checked-in one; then `vlp5tovxp.exe examples\demo.vlp examples\western.vlp
# more`, the question before the run answered with Enter, the three new projects compared; then
# the program started three times at once with one of these projects each, as Explorer opens a
# selection, which must give one window, one question and the same three projects.
# Given pictures' names, it also saves a picture of the window after each run.
#   window-run-test.sh PROGRAM SOURCE_DIR WINE_PREFIX [PICTURE.png [QUEUE-PICTURE.png]]
# The prefix is made once and kept; a second run waits for the first. Exit code 77 (ctest's
# "skipped") when Wine, a virtual display or xdotool cannot be had here.
set -euo pipefail
program=$(realpath "$1")
source=$(cd "$2" && pwd)
export WINEPREFIX=$(realpath -m "$3")
picture=${4:+$(realpath -m "$4")}
queuePicture=${5:+$(realpath -m "$5")}
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
mkdir -p "$work/examples" "$work/more"
cp "$source/examples/demo.vlp" "$source/examples/western.vlp" "$work/examples/"
cp "$source/examples/demo.vlp" "$work/more/"

visible() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1
}
find_main() {
  main=$(visible '^Convert VLP')
  [[ -n $main ]]
}
# Starts the window in the work folder with the arguments given; its process is $window.
start_window() {
  (cd "$work" && exec timeout 300 "$source/scripts/wine-run" "$program" "$@" 8>&-) &
  window=$!
  wait_for 120 find_main || fail "the window did not come up"
}
# Presses Enter in the box titled $1 until the file $2 is there. Wine gives a box the keyboard a
# moment after X does; a key pressed before that is lost, so Enter is pressed again while the box
# stays open.
answer_with_enter() {
  local title=$1 file=$2 box=
  find_box() {
    box=$(visible "$title")
    [[ -n $box ]]
  }
  wait_for 120 find_box || fail "no box \"$title\" came up"
  for _ in 1 2 3 4 5; do
    [[ -f $file ]] && break
    find_box || break
    xdotool windowfocus "$box" 2>/dev/null || true
    sleep 1
    xdotool key Return
    wait_for 10 test -f "$file" || true
  done
  [[ -f $file ]] || fail "the window saved nothing after \"$title\""
}
# The new project names its old one by the absolute path; the fixtures were made with the name.
same_as_fixture() {
  local saved=$1 name=$2
  sed "s|&quot;C:\\\\work\\\\[a-z]*\\\\$name&quot;|\\&quot;$name\\&quot;|" "$saved" >"$scratch/relative.vxp"
  cmp "$scratch/relative.vxp" "$source/tests/data/${name}_converted.vxp" ||
    fail "the window saved other bytes than the fixture in $saved"
}
# The picture after the log's last lines, then the window closed as a user would close it:
# destroying its X window would leave the program running.
picture_and_close() {
  sleep 2
  if [[ -n $1 ]]; then
    mkdir -p "$(dirname "$1")"
    import -window "$main" "$1"
  fi
  xdotool windowfocus "$main" 2>/dev/null || true
  sleep 1
  xdotool key alt+F4
  wait_for 30 ended "$window" || fail "the window did not close on Alt+F4"
  wait "$window" || fail "the window ended with exit code $?"
}

# One project: the run ends in the save dialog.
start_window 'examples\demo.vlp'
answer_with_enter '^Save$' "$work/examples/demo.vlp_converted.vxp"
same_as_fixture "$work/examples/demo.vlp_converted.vxp" demo.vlp
picture_and_close "$picture"
rm "$work/examples/demo.vlp_converted.vxp"

# Several: one question before the run, no dialog per project; each new project beside its old one.
start_window 'examples\demo.vlp' 'examples\western.vlp' more
answer_with_enter '^Convert several projects$' "$work/examples/demo.vlp_converted.vxp"
for saved in examples/demo.vlp examples/western.vlp more/demo.vlp; do
  wait_for 120 test -f "$work/${saved}_converted.vxp" || fail "the run of several did not save $saved"
  same_as_fixture "$work/${saved}_converted.vxp" "${saved#*/}"
done
picture_and_close "$queuePicture"
rm "$work"/examples/*_converted.vxp "$work"/more/*_converted.vxp

# A selection of three projects opened from Explorer: one start per project, nearly at once. The
# later starts hand their projects to the first one's window and end; it asks one question.
starts=()
for project in 'examples\demo.vlp' 'examples\western.vlp' 'more\demo.vlp'; do
  (cd "$work" && exec timeout 300 "$source/scripts/wine-run" "$program" "$project" 8>&-) &
  starts+=($!)
done
answer_with_enter '^Convert several projects$' "$work/examples/demo.vlp_converted.vxp"
for saved in examples/demo.vlp examples/western.vlp more/demo.vlp; do
  wait_for 120 test -f "$work/${saved}_converted.vxp" || fail "the selection's run did not save $saved"
  same_as_fixture "$work/${saved}_converted.vxp" "${saved#*/}"
done
handed_over() {
  local start count=0
  for start in "${starts[@]}"; do
    ! ended "$start" || count=$((count + 1))
  done
  ((count >= 2))
}
wait_for 60 handed_over || fail "the later starts of the selection did not end"
window=
for start in "${starts[@]}"; do
  if ended "$start"; then
    wait "$start" || fail "a start that handed its project over ended with exit code $?"
  else
    window=$start
  fi
done
[[ -n $window ]] || fail "no start of the selection kept its window"
find_main || fail "the selection's window is gone"
windows=$(xdotool search --onlyvisible --name '^Convert VLP' | wc -l)
((windows == 1)) || fail "the selection opened $windows windows"
[[ -z $(visible '^(Save|Convert several projects)$') ]] || fail "a second question came up"
picture_and_close ""
echo "window-run-test: the window converted examples\\demo.vlp, then three projects in one run," \
  "then a selection of three started at once in one window${picture:+; pictures: $picture $queuePicture}"
