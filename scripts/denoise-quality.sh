#!/usr/bin/env bash
# Quality benchmark of the reference denoiser (not part of the tests): makes synthetic star
# fields with their noise-free truth, denoises them with noxfade and with scikit-image's
# wavelet BayesShrink and non-local means, and prints per field a table of the error against
# the truth, the dark specks, the star flux kept and the times.
#
#   bash scripts/denoise-quality.sh [--repeats N] [--field colour:SEED|mono:SEED ...]
#
# Defaults: the demo's colour field with seed 7, monochrome fields with seeds 7 and 11, three
# timed runs each of noxfade and non-local means (taken in turn; medians are shown). Files go
# to build/denoise-quality (BUILD_DIR moves build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
# The peers come from Debian's own scikit-image, run by Debian's own Python.
missing=()
for p in python3-skimage python3-tifffile python3-numpy; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/native" -j "${JOBS:-$(nproc)}" --target noxfade starfield >/dev/null

exec /usr/bin/python3 "$root/scripts/denoise_quality.py" --bin "$build/native/bin" \
  --work "$build/denoise-quality" "$@"
