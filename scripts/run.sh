#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine, builds Quolt and starts it on
# the user's display. Without a display it runs the program's demonstration
# round under a virtual X server instead: the bundled example page is pasted
# into the window and cleaned with both buttons, and the path of a screenshot
# of the window and the cleaned text are printed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target quolt

program=build/release/src/Quolt_fm_Main/window/quolt
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program"
fi

shot="${TMPDIR:-/tmp}/quolt-$(date +%Y%m%d-%H%M%S).png"
exec xvfb-run -a -s "-screen 0 1024x768x24" \
  "$program" --demo examples/sample.html --screenshot "$shot"
