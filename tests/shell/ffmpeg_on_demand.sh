#!/usr/bin/env bash
# A game that plays no movie and no CD track file paints its first frame, and plays on,
# without FFmpeg's libraries in the process; the hook that says when the frame was painted
# is the one bench_launch times.
set -u
exe="$1"; project="$2"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" VELMOR_REPORT_FIRST_FRAME=1
data=$(mktemp -d); export XDG_DATA_HOME="$data" XDG_RUNTIME_DIR="$data"
trap 'rm -rf "$data"' EXIT
"$exe" "$project" 2>"$data/err.txt" & pid=$!
painted=0
for _ in $(seq 1 200); do
  grep -q "first frame painted" "$data/err.txt" 2>/dev/null && { painted=1; break; }
  sleep 0.1
done
sleep 1
loaded=$(grep -c -E 'libav(codec|format|util)|libsw(scale|resample)' "/proc/$pid/maps" 2>/dev/null)
source "$(dirname "$0")/stop_within.sh"
stopped=0; stop_within "$pid" 20 && stopped=1
echo "first frame painted: $painted; FFmpeg mappings: ${loaded:-none}; stopped when asked: $stopped"
[ "$painted" -eq 1 ] && [ "${loaded:-0}" -eq 0 ] && [ "$stopped" -eq 1 ]
