#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing need, only when one
# is missing. Uses sudo when not run as root. `install-deps.sh web` adds what the browser
# build and its tests need: emscripten, Node.js with npm, and Chromium; `install-deps.sh
# package` what making and checking the release packages needs.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config
  libsdl2-dev libopenmpt-dev libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb openbox xdotool wmctrl x11-utils imagemagick ffmpeg
  pulseaudio libpulse-dev
  libxmp-dev xmp
  libhwy-dev
)
if [ "${1:-}" = web ]; then
  packages+=(emscripten nodejs chromium)
  # Some builds of nodejs bring their own npm; Debian's comes as a package of its own.
  command -v npm >/dev/null || packages+=(npm)
fi
if [ "${1:-}" = package ]; then
  packages=(binutils patchelf dpkg-dev lintian desktop-file-utils zip unzip)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
