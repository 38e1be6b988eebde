#!/usr/bin/env bash
# Installs, from Debian packages, whatever the build, the tests, the benchmarks
# and the demo need and this machine lacks. Does nothing when all is there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config g++ clang libclang-rt-14-dev
  libpng-dev zlib1g-dev libsdl2-dev libx11-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
  xvfb xauth xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo="sudo"; else
    echo "setup: not root and no sudo; please install: ${missing[*]}" >&2
    exit 1
  fi
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
