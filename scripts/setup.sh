#!/usr/bin/env bash
# Installs everything the build, the application and the tests need on Debian 12.
# Idempotent and non-interactive; does nothing when every package is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git
  juce-modules-source
  libasound2-dev libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxext-dev
  libfreetype-dev libfontconfig1-dev libpng-dev libjpeg-dev zlib1g-dev
  libgtest-dev googletest
  xvfb xauth xdotool imagemagick x11-utils
  fonts-dejavu-core
  python3 python3-mido
  clang libclang-rt-14-dev llvm
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
