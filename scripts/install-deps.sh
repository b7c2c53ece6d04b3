#!/usr/bin/env bash
# Installs every Debian package Quillon needs to build, test and run.
# Idempotent: packages already present are left alone.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache git
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libjsoncpp-dev libpugixml-dev
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  libasound2-dev libpulse-dev libudev-dev libfftw3-dev libsystemd-dev
  libx11-dev libxi-dev
  fonts-noto-cjk fonts-noto-core
  clang libclang-rt-14-dev
  xvfb xauth
  librsvg2-bin
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
