#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 or 13 machine (run as root,
# or with sudo available). Idempotent: packages already present are skipped quickly.
set -euo pipefail

# The release decides a few names: the clang runtime (sanitizers, fuzzing) follows the
# release's clang, and Debian 12 also needs debootstrap, for the Debian 13 root whose Wine 10
# runs the Windows tests a second time (scripts/wine10-root.sh).
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
version_id=$(. /etc/os-release && echo "${VERSION_ID:-}")
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
case "$codename/$version_id" in
  bookworm/*|*/12) clang_major=14; extra=(debootstrap) ;;
  trixie/*|*/13) clang_major=19; extra=() ;;
  *)
    # Another release: its clang's version, as the package index names it.
    $SUDO apt-get update -qq
    clang_major=$(apt-cache policy clang | sed -nE 's/^ *Candidate: ([0-9]+:)?([0-9]+).*/\2/p')
    [ -n "$clang_major" ] || { echo "setup: cannot tell this release's clang version" >&2; exit 1; }
    echo "setup: ${codename:-unknown release} ($version_id): using clang $clang_major's runtime" >&2
    extra=() ;;
esac

packages=(
  cmake ninja-build g++ libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
  wine64 fonts-wine libfreeimage-dev libtiff-dev libtiff-tools imagemagick
  xvfb xauth x11-apps dpkg-dev xz-utils
  clang "libclang-rt-$clang_major-dev"
  "${extra[@]}"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
