#!/usr/bin/env bash
# A second SIGTERM ends the program at once, even while the orderly way out is held: here by
# the message box that says the state could not be written (its folder is not writable).
set -u
exe="$1"; project="$2"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" SDL_AUDIODRIVER=dummy
data=$(mktemp -d); trap 'rm -rf "$data"' EXIT
cp -r "$(dirname "$project")" "$data/game"
name="$(basename "$project" .vsc)"
mkdir "$data/game/$name.vss"          # beside the project: a folder, so no file can go there
touch "$data/not-a-folder"            # the per-user folder cannot be made below a file
export XDG_DATA_HOME="$data/not-a-folder/share" XDG_RUNTIME_DIR="$data"
"$exe" "$data/game/$name.vsc" 2>"$data/err.txt" & pid=$!
for _ in $(seq 1 100); do grep -q "DirectSound" "$data/err.txt" 2>/dev/null && break; sleep 0.1; done
sleep 1
kill -TERM "$pid"
for _ in $(seq 1 100); do grep -q "system state not written" "$data/err.txt" && break; sleep 0.1; done
held=0; kill -0 "$pid" 2>/dev/null && held=1
kill -TERM "$pid" 2>/dev/null
ended=0
for _ in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || { ended=1; break; }; sleep 0.1; done
[ "$ended" -eq 1 ] || kill -KILL "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
told=0; grep -q "system state not written" "$data/err.txt" && told=1
echo "state failure reported: $told; held by the box: $held; ended by the second SIGTERM within 2 s: $ended"
[ "$told" -eq 1 ] && [ "$held" -eq 1 ] && [ "$ended" -eq 1 ]
