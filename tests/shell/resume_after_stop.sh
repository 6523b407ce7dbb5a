#!/usr/bin/env bash
# Stopped by SIGTERM in the middle of the demo, the program leaves the automatic save and the
# mark that offers it at the next start, besides the state file it always writes.
set -u
exe="$1"; project="$2"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" SDL_AUDIODRIVER=dummy
data=$(mktemp -d); export XDG_DATA_HOME="$data" XDG_RUNTIME_DIR="$data"
trap 'rm -rf "$data"' EXIT
"$exe" "$project" 2>"$data/err.txt" & pid=$!
sleep 3
source "$(dirname "$0")/stop_within.sh"
stop_within "$pid" 20 || exit 1
state=$(find "$data" -name '*.vss' | head -1)
[ -n "$state" ] || { echo "no state file written"; exit 1; }
list=$(iconv -f CP932 -t UTF-8 "$state")
echo "$list" | grep -q '^オートセーブ,' || { echo "no automatic save listed"; echo "$list"; exit 1; }
echo "$list" | grep -q '^Pending=1' || { echo "no resume mark"; exit 1; }
[ -f "${state%.vss}/オートセーブ" ] || { echo "no save data file"; exit 1; }
echo "automatic save and resume mark written on SIGTERM"
