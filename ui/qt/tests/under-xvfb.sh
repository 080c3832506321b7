#!/usr/bin/env bash
# Runs a command on a virtual X display of its own, Qt on its X11 platform: there the X server
# places and sizes the windows, which the offscreen platform only pretends to do. With
# --window-manager a window manager runs on the display too, which activates windows and moves
# the focus between them as on a desktop.
#   under-xvfb.sh [--window-manager] COMMAND [ARGUMENT...]
# VLP_XVFB_SCREEN sets the screen (WIDTHxHEIGHTxDEPTH, 1024x768x24 unless given).
# Exit code 77 (ctest's "skipped") when no virtual X server or window manager can be had here.
set -euo pipefail
manager=
if [[ ${1:-} == --window-manager ]]; then
  manager=openbox
  shift
fi
name=$(basename "$1")
skip() {
  echo "under-xvfb: $*: $name was NOT run on an X display" >&2
  exit 77
}
command -v Xvfb >/dev/null || skip "Xvfb is missing (scripts/install-deps installs xvfb)"
[[ -z $manager ]] || command -v "$manager" >/dev/null ||
  skip "$manager is missing (scripts/install-deps installs it)"

scratch=$(mktemp -d)
xvfb=
wm=
cleanup() {
  [[ -z $wm ]] || kill "$wm" 2>/dev/null || true
  [[ -z $xvfb ]] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
# A display of its own: the X server writes the number it found free, or ends.
Xvfb -displayfd 3 -screen 0 "${VLP_XVFB_SCREEN:-1024x768x24}" -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
for _ in $(seq 150); do
  if [[ -s $scratch/display ]] || ! kill -0 "$xvfb" 2>/dev/null; then
    break
  fi
  sleep 0.2
done
[[ -s $scratch/display ]] ||
  skip "the virtual X server did not start: $(cat "$scratch/xvfb.log")"
export DISPLAY=:$(cat "$scratch/display")
if [[ -n $manager ]]; then
  HOME=$scratch "$manager" --sm-disable >"$scratch/wm.log" 2>&1 &
  wm=$!
  # Time to take the screen over; a window shown before that would be placed without it.
  sleep 1
  kill -0 "$wm" 2>/dev/null || skip "$manager did not start: $(cat "$scratch/wm.log")"
fi
QT_QPA_PLATFORM=xcb "$@"
