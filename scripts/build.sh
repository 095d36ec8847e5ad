#!/usr/bin/env bash
# Configures and builds both trees: build/native (portable core, tests, benchmarks) and
# build/windows (the DLL, the stand-in host, the reference denoiser, Windows tests).
# BUILD_DIR overrides the folder that holds both.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
jobs=${JOBS:-$(nproc)}

freeimage_root=$("$root/scripts/build-freeimage-mingw.sh")

cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/native" -j "$jobs"

cmake -S "$root" -B "$build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DPINOXFADE_FREEIMAGE_ROOT="$freeimage_root" >/dev/null
cmake --build "$build/windows" -j "$jobs"
