#!/usr/bin/env bash
# Runs the window program on an X display (under-xvfb.sh gives it one) as a user would, on a
# generated project of ten megabytes: the project on its command line, the proposed file accepted
# in the save dialog with Enter, the window closed as a window manager closes it. Once the window
# has closed the program is to end without taking apart what the run holds in memory, which for a
# large project takes seconds. Rather than time that on a busy machine, FreedAfterLoop, preloaded,
# counts the bytes given back after the event loop has ended: they must stay far below the size
# of the project (taking the run apart gives back more than half of it).
#   window-exit-test.sh PROGRAM FREED_AFTER_LOOP_LIBRARY SOURCE_DIR
# Exit code 77 (ctest's "skipped") when xdotool cannot be had here.
set -euo pipefail
program=$(realpath "$1")
counter=$(realpath "$2")
source=$(cd "$3" && pwd)
fail() {
  echo "window-exit-test: $*" >&2
  exit 1
}
[[ -n ${DISPLAY:-} ]] || fail "no X display: run it by under-xvfb.sh"
if ! command -v xdotool >/dev/null; then
  echo "window-exit-test: xdotool is missing (scripts/install-deps installs it): NOT run" >&2
  exit 77
fi
# The program and the virtual X server end with the test, however it ends.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

project=$scratch/large.vlp
"$source/bench/make-old-project" --size 10mb "$project"
output=$project"_converted.vxp"
timeout 300 env VLP_FREED_AFTER_LOOP="$scratch/freed" LD_PRELOAD="$counter" "$program" "$project" &
window=$!

# A loaded machine may take long to show a window.
search() {
  timeout 120 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1
}
main=$(search '^Convert VLP') || fail "the window did not come up"
# The run ends in the save dialog; a key pressed before it has the keyboard is lost, so Enter is
# pressed again while nothing is saved.
dialog=$(search '^Save As$') || fail "no save dialog came up"
for _ in 1 2 3 4 5; do
  [[ -f $output ]] && break
  xdotool windowfocus "$dialog" 2>/dev/null || true
  sleep 0.5
  xdotool key Return
  for _ in $(seq 50); do
    [[ -f $output ]] && break
    sleep 0.2
  done
done
[[ -f $output ]] || fail "the window saved nothing"

"$source/ui/qt/tests/close-window" "$main"
wait "$window" || fail "the program ended with exit code $? (124: it did not end)"

read -r loop_ended freed < <(od -An -t u8 -w16 "$scratch/freed")
((loop_ended == 1)) || fail "the program ended before its event loop did"
size=$(stat -c %s "$project")
echo "window-exit-test: $freed bytes freed after the window closed, for a project of $size bytes"
((freed < size / 100)) || fail "the program took apart what the run held after its window closed"
