#!/usr/bin/env bash
# Under a real X server: a player whose saved WindowMode is 0 gets the game on the whole
# screen, and the state written when it is told to stop still says full screen.
set -u
exe="$1"; project="$2"
command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null || { echo "no xvfb-run"; exit 0; }
data=$(mktemp -d); export XDG_DATA_HOME="$data" XDG_RUNTIME_DIR="$data"
trap 'rm -rf "$data"' EXIT
mkdir -p "$data/velmor/velmor/demo"
printf '<SystemState>\r\nWindowMode=0\r\n</SystemState>\r\n' >"$data/velmor/velmor/demo/demo.vss"
cat >"$data/run.sh" <<INNER
#!/usr/bin/env bash
unset QT_QPA_PLATFORM
export SDL_AUDIODRIVER=dummy
"$exe" "$project" 2>/dev/null & pid=\$!
geometry=""
for _ in \$(seq 1 100); do
  geometry=\$(xwininfo -root -tree 2>/dev/null | grep '"velmor' | grep -v ' 1x1+' | grep -o '[0-9]*x[0-9]*+0+0' | head -1)
  [ -n "\$geometry" ] && break
  sleep 0.1
done
echo "window: \$geometry"
source "$(dirname "$0")/stop_within.sh"
stop_within "\$pid" 20 || echo "did not stop"
INNER
chmod +x "$data/run.sh"
out=$(xvfb-run -a -s '-screen 0 1024x768x24' "$data/run.sh")
echo "$out"
state=$(grep -a WindowMode "$data/velmor/velmor/demo/demo.vss")
echo "state: $state"
grep -q "window: 1024x768+0+0" <<<"$out" && ! grep -q "did not stop" <<<"$out" &&
  grep -q "WindowMode=0" <<<"$state"
