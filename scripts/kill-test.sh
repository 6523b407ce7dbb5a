#!/usr/bin/env bash
# Kills the headless runner with SIGKILL at random moments while it saves, overwrites and
# deletes games, ROUNDS times (default 120). After each kill: every save the list names has
# its data file, whole; the state file parses; and once the folder has been written again, no
# temporary file of ours is left. Exits 1 on the first broken round.
# Usage: scripts/kill-test.sh [ROUNDS]   (after scripts/setup.sh release)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
rounds="${1:-120}"
runner="$here/build/bin/velmor-headless"
game="$here/build/demo-game"
[ -x "$runner" ] && [ -d "$game" ] || { echo "kill-test: build first (scripts/setup.sh release)" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work"
cp -r "$game" "$work/game"
project="$work/game/demo.vsc"

{ echo "click"; echo "click"
  for i in $(seq 1 30); do
    echo "answer yes"; echo "saveload new kill$i"
    echo "answer yes"; echo "saveload save 0 over$i"
    [ $((i % 3)) -eq 0 ] && { echo "answer yes"; echo "saveload delete 0"; }
  done; } >"$work/saves.txt"
printf 'answer yes\nsaveload new after\n' >"$work/one.txt"

keys="GameMode SelectorCount File Line Paragraph BackFileName BackVisible BackBaseColor
FaceFileName FaceVisible MiniFaceDrawIndex MiniFaceDist MiniVisible CDTrackPresent BGMFileName
BGEFileName SoundFileName SoundPlayedScriptFile SoundPlayedScriptLine VoiceFileName
VoicePlayedScriptFile VoicePlayedScriptLine TitleExist TitleScriptFile TitleScriptLine
TitleScriptParagraph"

check() {
  local state folder
  state="$(find "$XDG_DATA_HOME" -name '*.vss' | head -n 1)"
  [ -n "$state" ] || return 0   # killed before the first write
  folder="${state%.vss}"
  iconv -f CP932 -t UTF-8 "$state" >"$work/state.txt" || { echo "state file is not Shift-JIS text"; return 1; }
  for tag in SystemState SaveData; do
    if grep -q "^<$tag>" "$work/state.txt" && ! grep -q "^</$tag>" "$work/state.txt"; then
      echo "state file: section $tag not closed"; return 1
    fi
  done
  sed -n '/^<SaveData>/,/^<\/SaveData>/p' "$work/state.txt" | sed '1d;$d' | tr -d '\r' |
    while IFS=, read -r name _; do
      [ -z "$name" ] && continue
      [ -f "$folder/$name" ] || { echo "listed save $name has no data file"; return 1; }
      for k in $keys; do
        grep -q "^$k=" "$folder/$name" || { echo "save $name lacks $k"; return 1; }
      done
    done
}

temps() {
  find "$XDG_DATA_HOME" -name '.*.velmor-??????' -o -name '*.tmp??????' | grep -c . || true
}

for round in $(seq 1 "$rounds"); do
  "$runner" --inputs "$work/saves.txt" "$project" >/dev/null 2>&1 & pid=$!
  sleep "0.$(printf '%03d' $((RANDOM % 900 + 50)))"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if ! why="$(check)"; then echo "round $round: $why"; exit 1; fi
  # The folder written again: what a kill left behind is gone.
  "$runner" --inputs "$work/one.txt" "$project" >/dev/null 2>&1 || true
  left="$(temps)"
  [ "$left" -eq 0 ] || { echo "round $round: $left temporary files left after the next write"; exit 1; }
  if ! why="$(check)"; then echo "round $round (after the next write): $why"; exit 1; fi
done
echo "kill-test: $rounds kills during saves, every listed save whole, no temporary file left"
