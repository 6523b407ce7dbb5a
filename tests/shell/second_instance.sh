#!/usr/bin/env bash
# Starts the engine, then a second copy, which must exit with code 1 at once, saying the game
# already runs, while the first keeps running; then asks the first to stop, which it must do
# promptly.
set -u
exe="$1"; project="$2"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
data=$(mktemp -d); export XDG_DATA_HOME="$data" XDG_RUNTIME_DIR="$data"
trap 'rm -rf "$data"' EXIT
"$exe" "$project" & first=$!
for _ in $(seq 1 100); do
  [ -n "$(ls "$data" 2>/dev/null | grep -i velmor)" ] && break
  sleep 0.1
done
start=$(date +%s%N)
"$exe" "$project" 2>"$data/second.err"; code=$?
said=0; grep -q "already running" "$data/second.err" && said=1
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
alive=0; kill -0 "$first" 2>/dev/null && alive=1
source "$(dirname "$0")/stop_within.sh"
stopped=0; stop_within "$first" 20 && stopped=1
echo "second copy: exit $code after ${elapsed} ms, said so: $said; first still running: $alive; first stopped when asked: $stopped"
[ "$code" -eq 1 ] && [ "$said" -eq 1 ] && [ "$alive" -eq 1 ] && [ "$elapsed" -lt 5000 ] && [ "$stopped" -eq 1 ]
