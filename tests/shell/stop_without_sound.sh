#!/usr/bin/env bash
# With no sound device the engine warns (on the error stream when there is no screen), plays
# on silently, and still ends when asked to.
set -u
exe="$1"; project="$2"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" SDL_AUDIODRIVER=no-such-driver
data=$(mktemp -d); export XDG_DATA_HOME="$data" XDG_RUNTIME_DIR="$data"
trap 'rm -rf "$data"' EXIT
"$exe" "$project" 2>"$data/err.txt" & pid=$!
warned=0
for _ in $(seq 1 200); do
  grep -q "DirectSound" "$data/err.txt" 2>/dev/null && { warned=1; break; }
  sleep 0.1
done
sleep 0.5
alive=0; kill -0 "$pid" 2>/dev/null && alive=1
source "$(dirname "$0")/stop_within.sh"
stopped=0; stop_within "$pid" 20 && stopped=1
echo "warned: $warned; running after the warning: $alive; stopped when asked: $stopped"
[ "$warned" -eq 1 ] && [ "$alive" -eq 1 ] && [ "$stopped" -eq 1 ]
