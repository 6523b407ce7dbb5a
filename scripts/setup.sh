#!/usr/bin/env bash
# One place for everything a fresh Debian 12 machine needs, then configure and build.
# Usage: scripts/setup.sh [release|asan|plain|fuzz] [TARGET...]   (default: release, every
# target; fuzz builds the fuzz targets)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
kind="${1:-release}"
[ "$#" -gt 0 ] && shift
targets=("$@")

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libgl-dev
  libsdl2-dev libvorbis-dev libogg-dev libjpeg-dev zlib1g-dev libpng-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libcdio-paranoia-dev libxrandr-dev
  fonts-ipafont-gothic qt6-translations-l10n
  desktop-file-utils appstream
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev libdeflate-dev
  xvfb xauth x11-utils imagemagick
  graphviz libgraphviz-dev
  espeak-ng
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

case "$kind" in
  release) dir="$here/build";      opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMOR_WERROR=ON) ;;
  asan)    dir="$here/build-asan"; opts=(-DCMAKE_BUILD_TYPE=Debug -DVELMOR_SANITIZE=ON -DVELMOR_WERROR=ON) ;;
  # What a player or packager builds: optimised, warnings left as warnings.
  plain)   dir="$here/build-plain"; opts=(-DCMAKE_BUILD_TYPE=Release) ;;
  # libFuzzer targets with clang; warnings stay warnings (clang finds others than gcc).
  fuzz)    dir="$here/build-fuzz"; opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMOR_FUZZ=ON
                                         -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "setup: unknown build kind $kind" >&2; exit 2 ;;
esac

cmake -S "$here" -B "$dir" -G Ninja "${opts[@]}" >/dev/null
if [ "${#targets[@]}" -eq 0 ] && [ "$kind" = fuzz ]; then targets=(fuzz_all); fi
if [ "${#targets[@]}" -gt 0 ]; then
  cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
else
  cmake --build "$dir" -j "$(nproc)"
fi
echo "$dir"
