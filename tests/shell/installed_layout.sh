#!/usr/bin/env bash
# Installs the build under a scratch prefix and plays from there: the program finds its
# resource library in lib/velmor/ and, without an argument, the demo in share/velmor/; the
# runner plays the installed demo to its end; the menu entry, metainfo and manual pages check.
set -u
build="$1"
scratch=$(mktemp -d); trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
export XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch"
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "install failed"; exit 1; }
status=0
for f in bin/velmor bin/velmor-headless bin/velmor-pack lib/velmor/VELMORRC.DLL \
         share/applications/velmor.desktop share/metainfo/velmor.metainfo.xml \
         share/mime/packages/velmor.xml share/icons/hicolor/48x48/apps/velmor.png \
         share/icons/hicolor/256x256/apps/velmor.png share/man/man6/velmor.6 \
         share/man/man1/velmor-headless.1 share/man/man1/velmor-pack.1 \
         share/velmor/demo/demo.vsc share/velmor/demo/lighthouse.so; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; status=1; }
done
[ -e "$prefix/bin/VELMORRC.DLL" ] && { echo "the library belongs in lib/velmor"; status=1; }
desktop-file-validate "$prefix/share/applications/velmor.desktop" || status=1
# Errors fail; the one warning, an id that is not a reverse domain name, is ours to keep.
appstreamcli validate --no-net "$prefix/share/metainfo/velmor.metainfo.xml" >"$scratch/as.txt" 2>&1
grep -q '^E:' "$scratch/as.txt" && { cat "$scratch/as.txt"; status=1; }
grep '^W:' "$scratch/as.txt" | grep -v 'cid-desktopapp-is-not-rdns' | grep -q . && { cat "$scratch/as.txt"; status=1; }
for page in "$prefix"/share/man/man*/*; do
  MANPAGER=cat MANWIDTH=80 man -l "$page" 2>"$scratch/man.txt" | grep -q "NAME" ||
    { echo "man page does not format: $page"; cat "$scratch/man.txt"; status=1; }
done

# The runner plays the installed demo through to its end.
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
  "$prefix/bin/velmor-headless" --auto --choices 1 "$prefix/share/velmor/demo/demo.vsc" \
  >"$scratch/run.jsonl" 2>"$scratch/run.err"
grep '"event":"end"' "$scratch/run.jsonl" | grep -q 'scenario-end' ||
  { echo "the installed demo did not play to its end"; tail -3 "$scratch/run.jsonl"; cat "$scratch/run.err"; status=1; }

# The program without an argument starts the installed demo: with no sound device it gets as
# far as warning about that, which comes after the library, the lookup and the engine.
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=no-such-driver "$prefix/bin/velmor" \
  2>"$scratch/err.txt" & pid=$!
started=0
for _ in $(seq 1 200); do
  grep -q "DirectSound" "$scratch/err.txt" 2>/dev/null && { started=1; break; }
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
source "$(dirname "$0")/stop_within.sh"
stop_within "$pid" 20 || status=1
[ "$started" -eq 1 ] || { echo "the installed program did not start the demo"; cat "$scratch/err.txt"; status=1; }
exit $status
