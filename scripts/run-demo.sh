#!/usr/bin/env bash
# Builds the engine and plays the bundled demo: in a window when a display exists, headless otherwise.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
# Only what the demo needs, not the tests and benchmarks: a player's first command is quick.
"$here/scripts/setup.sh" release demo_playable | tail -n 1
bin="$here/build/bin"
# The build assembles the demo: its scripts beside the pictures and sounds it draws and makes.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/velmor" "$here/build/demo-game/demo.vsc"
fi
echo "No display found: playing the demo headless."
out="$here/build/demo-run"
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
  "$bin/velmor-headless" --auto --shots "$out" "$here/build/demo-game/demo.vsc"
echo "Screenshots and transcript are in $out"
