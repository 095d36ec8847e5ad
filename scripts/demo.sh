#!/usr/bin/env bash
# The main job, end to end on a fresh machine: set up, build, make a sample star field,
# and denoise it through the stand-in host, the plug-in and the reference denoiser under
# Wine (with a virtual X display, so the dialog can be photographed).
#
# Writes into DEMO_OUT (default: demo-output/ in the checkout):
#   before.tif / after.tif    the image as handed to the plug-in and as it came back
#   before.png / after.png    the same, stretched alike for viewing
#   compare.png               a detail of both side by side at twice the size
#   dialog.png                a screenshot of the host and the dialog after the run
#   pinoxfade-1.2.zip         the plug-in and its readme, as a user unpacks them
# and prints the noise level before and after.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=${DEMO_OUT:-$root/demo-output}
strength=${DEMO_STRENGTH:-100}

bash "$root/scripts/setup.sh"
mkdir -p "$build"
BUILD_DIR="$build" bash "$root/scripts/build.sh" >"$build/build.log" 2>&1 || {
  tail -n 40 "$build/build.log"; echo "demo: build failed (full log: $build/build.log)"; exit 1; }

native="$build/native/bin"
win="$build/windows/bin"
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/{before,after}.{tif,png} "$out/dialog.png" "$out/compare.png"

echo "== making a sample star field"
"$native/starfield" "$out/before.tif" --width 1024 --height 768 --colour --seed 42

echo "== installing the plug-in beside the stand-in host, the denoiser in a folder of its own"
host="$out/host"; denoiser="$out/Noxfade"
mkdir -p "$host" "$denoiser"
cp "$win/hostsim.exe" "$win/pinoxfade.dll" "$root/docs/NoxfadePlugin-readme.htm" "$host/"
cp "$win/noxfade.exe" "$denoiser/"
cp "$build/windows/pinoxfade-1.2.zip" "$out/"

echo "== starting a virtual display and a Wine prefix that draws on it"
export WINEPREFIX="$build/windows/wineprefix-x11" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
PINOXFADE_WINE_X11=1 bash "$root/cmake/wine-prefix.sh" "$WINEPREFIX"
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() { /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

echo "== denoising through hostsim, pinoxfade.dll and noxfade.exe (strength $strength)"
log="$out/run.log"
/usr/lib/wine/wine64 "$host/hostsim.exe" --batch --show --linger 6000 \
  --image "$(winpath "$out/before.tif")" --denoiser "$(winpath "$denoiser")\\" \
  --strength "$strength" --out "$(winpath "$out/after.tif")" >"$log" 2>&1 &
host_pid=$!
for _ in $(seq 600); do [ -s "$out/after.tif" ] && break; kill -0 "$host_pid" 2>/dev/null || break; sleep 0.2; done
sleep 1.5
import -display ":$display" -window root "$out/dialog.png" 2>/dev/null || true
rc=0; wait "$host_pid" || rc=$?
echo "-- the dialog's log:"; tr -d '\r' <"$log" | sed 's/^/   /'
[ "$rc" -eq 0 ] && [ -s "$out/after.tif" ] || { echo "demo: the run failed (exit $rc)"; exit 1; }

before=$("$native/noiselevel" "$out/before.tif" | tail -n 1)
after=$("$native/noiselevel" "$out/after.tif" | tail -n 1)

echo "== pictures for viewing (both stretched alike, from the sky level of the noisy image)"
im=$(command -v convert-im6.q16 || command -v convert)
sigma=$(sed -E 's/.*: ([0-9.]+) ADU.*/\1/' <<<"$before")
mean=$("$im" "$out/before.tif" -format '%[fx:mean*65535]' info:)
levels=$(awk -v m="$mean" -v s="$sigma" 'BEGIN { printf "%d,%d", m - 5 * s, m + 15 * s }')
for f in before after; do
  "$im" "$out/$f.tif" -level "$levels" -depth 8 "$out/$f.png"
done
# A quarter of the frame at twice the size, noisy on the left, denoised on the right.
"$im" \( "$out/before.png" -crop 256x192+384+288 +repage -scale 200% \) \
      \( "$out/after.png" -crop 256x192+384+288 +repage -scale 200% \) +append "$out/compare.png"

echo "== noise level (sigma of the finest wavelet scale)"
echo "before: $before"
echo "after:  $after"
echo "demo: done; see $out (before.png, after.png, compare.png, dialog.png, pinoxfade-1.2.zip)"
