#!/usr/bin/env bash
# Runs a command on a virtual X display of its own, Qt on its X11 platform: there the X server
# places and sizes the windows, which the offscreen platform only pretends to do.
#   under-xvfb.sh COMMAND [ARGUMENT...]
# VLP_XVFB_SCREEN sets the screen (WIDTHxHEIGHTxDEPTH, 1024x768x24 unless given).
# Exit code 77 (ctest's "skipped") when no virtual X server can be had here.
set -euo pipefail
name=$(basename "$1")
skip() {
  echo "under-xvfb: $*: $name was NOT run on an X display" >&2
  exit 77
}
command -v Xvfb >/dev/null || skip "Xvfb is missing (scripts/install-deps installs xvfb)"

scratch=$(mktemp -d)
xvfb=
cleanup() {
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
DISPLAY=:$(cat "$scratch/display") QT_QPA_PLATFORM=xcb "$@"
