#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine (run as root,
# or with sudo available). Idempotent: packages already present are skipped quickly.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
  wine64 fonts-wine libfreeimage-dev libtiff-dev libtiff-tools imagemagick
  xvfb xauth x11-apps dpkg-dev xz-utils
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
