#!/usr/bin/env bash
# Fails when a toolkit, audio, video, X11 or POSIX header is included in the engine core.
# Allowed: platform/, the window code (shell/, windows/, save/form_*), tools, tests, bench, fuzz, rc.
set -u
root="$1"
cd "$root" || exit 2
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]+|Qt[A-Za-z]+/|SDL|libav|libsw|X11/|unistd\.h|sys/|dlfcn\.h|fcntl\.h|pthread\.h|dirent\.h|iconv\.h|pwd\.h|glob\.h|fnmatch\.h|libgen\.h|poll\.h|termios\.h|semaphore\.h|spawn\.h|mntent\.h)'
bad=$(grep -nE "$pattern" -r --include='*.h' --include='*.cpp' \
  resources graphics sound modes engine save 2>/dev/null | grep -v '^save/form_')
if [ -n "$bad" ]; then
  echo "Platform headers outside platform/ and the window code:" >&2
  echo "$bad" >&2
  exit 1
fi
exit 0
