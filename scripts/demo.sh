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
#   dialog-dark.png           the same run again with a dark window colour (dark scheme)
#   dialog-200.png, dialog-dark-200.png   both again at 200% display scaling (192 DPI)
#   pinoxfade-1.2.zip         the plug-in and its readme, as a user unpacks them
# The host and the plug-in are installed in "C:\Program Files\Celvanta\" of the Wine
# prefix, the denoiser in "C:\Program Files\Noxfade\".
# With DEMO_DOCS=1 it also puts the dialog screenshots, cut to the dialog, into docs/
# (the pictures the README shows).
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
rm -f "$out"/{before,after}.{tif,png} "$out"/dialog{,-dark}{,-200}.png "$out"/*.geometry "$out/compare.png" "$out/after-dark.tif"

echo "== making a sample star field"
"$native/starfield" "$out/before.tif" --width 1024 --height 768 --colour --seed 42

echo "== a Wine prefix that draws on a virtual display"
export WINEPREFIX="$build/windows/wineprefix-x11" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
PINOXFADE_WINE_X11=1 bash "$root/cmake/wine-prefix.sh" "$WINEPREFIX"

echo "== installing the plug-in beside the stand-in host, the denoiser in a folder of its own"
host="$WINEPREFIX/drive_c/Program Files/Celvanta"; denoiser="$WINEPREFIX/drive_c/Program Files/Noxfade"
mkdir -p "$host" "$denoiser"
cp "$win/hostsim.exe" "$win/pinoxfade.dll" "$root/docs/NoxfadePlugin-readme.htm" "$host/"
cp "$win/noxfade.exe" "$denoiser/"
cp "$build/windows/pinoxfade-1.2.zip" "$out/"

display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
# Wine's DPI: LogPixels, read when a program starts.
logpixels() {
  local reg; reg=$(mktemp --suffix=.reg)
  printf 'REGEDIT4\n\n[HKEY_CURRENT_CONFIG\\Software\\Fonts]\n"LogPixels"=dword:%08x\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' \
    "$1" "$1" >"$reg"
  /usr/lib/wine/wine64 regedit "$(printf 'Z:%s' "$reg" | tr / '\\')" </dev/null >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  rm -f "$reg"
}
cleanup() { logpixels 96 || true; /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

winpath() {  # a path in the prefix's drive_c as C:, any other as Z:
  case "$1" in
    "$WINEPREFIX/drive_c/"*) printf 'C:/%s' "${1#"$WINEPREFIX/drive_c/"}" | tr / '\\' ;;
    *) printf 'Z:%s' "$1" | tr / '\\' ;;
  esac
}

# The prefix's colour scheme: "dark" writes a dark window, face and text colours into the
# user's registry (programs started after read them), "light" removes them again.
scheme() {
  local reg; reg=$(mktemp --suffix=.reg)
  {
    echo "REGEDIT4"; echo; echo '[HKEY_CURRENT_USER\Control Panel\Colors]'
    local pair
    for pair in "ButtonFace=43 43 43" "ButtonShadow=90 90 90" "Window=30 30 30" "WindowText=230 230 230" \
                "GrayText=138 138 138" "ButtonText=230 230 230" "ButtonLight=60 60 60" \
                "ButtonHilight=80 80 80" "ButtonDkShadow=16 16 16" "Scrollbar=60 60 60"; do
      if [ "$1" = dark ]; then echo "\"${pair%%=*}\"=\"${pair#*=}\""; else echo "\"${pair%%=*}\"=-"; fi
    done
  } >"$reg"
  /usr/lib/wine/wine64 regedit "$(winpath "$reg")" </dev/null >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  rm -f "$reg"
}

# One run through the host with the dialog on the screen; the screenshot is taken once
# the result is written, while the host lingers.
run() {  # result file, screenshot, log
  rm -f "$1"  # the wait below is for this run's result
  /usr/lib/wine/wine64 "$host/hostsim.exe" --batch --show --linger 6000 \
    --image "$(winpath "$out/before.tif")" --denoiser "$(winpath "$denoiser")\\" \
    --strength "$strength" --out "$(winpath "$1")" >"$3" 2>&1 &
  local host_pid=$!
  for _ in $(seq 600); do [ -s "$1" ] && break; kill -0 "$host_pid" 2>/dev/null || break; sleep 0.2; done
  sleep 1.5
  import -display ":$display" -window root "$2" 2>/dev/null || true
  # Where the dialog is on the screen, for the README's pictures.
  xwininfo -display ":$display" -name "Plugin for Noxfade v1.2" 2>/dev/null |
    awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF} /Height:/ {h=$NF}
         END { if (w) printf "%dx%d+%d+%d\n", w, h, x, y }' >"${2%.png}.geometry"
  local rc=0; wait "$host_pid" || rc=$?
  /usr/lib/wine/wineserver -w
  [ "$rc" -eq 0 ] && [ -s "$1" ] || { tr -d '\r' <"$3"; echo "demo: the run failed (exit $rc)"; return 1; }
}

echo "== denoising through hostsim, pinoxfade.dll and noxfade.exe (strength $strength)"
log="$out/run.log"
scheme light
run "$out/after.tif" "$out/dialog.png" "$log"
echo "-- the dialog's log:"; tr -d '\r' <"$log" | sed 's/^/   /'

echo "== the same run in a dark colour scheme (dialog-dark.png)"
scheme dark
trap 'scheme light; cleanup' EXIT
run "$out/after-dark.tif" "$out/dialog-dark.png" "$out/run-dark.log"

echo "== both again at 200% display scaling (dialog-dark-200.png, dialog-200.png)"
logpixels 192
run "$out/after-dark.tif" "$out/dialog-dark-200.png" "$out/run-dark-200.log"
scheme light
trap cleanup EXIT
run "$out/after-dark.tif" "$out/dialog-200.png" "$out/run-200.log"
logpixels 96
rm -f "$out/after-dark.tif"
echo "-- the dialog on the screen (width x height + left + top):"
for f in dialog dialog-200; do echo "   $f: $(cat "$out/$f.geometry")"; done

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

if [ "${DEMO_DOCS:-0}" = 1 ]; then
  echo "== the README's pictures of the dialog (docs/dialog.png, dialog-dark.png, dialog-200.png)"
  for f in dialog dialog-dark dialog-200; do
    "$im" "$out/$f.png" -crop "$(cat "$out/$f.geometry")" +repage "$root/docs/$f.png"
  done
fi

echo "== noise level (sigma of the finest wavelet scale)"
echo "before: $before"
echo "after:  $after"
echo "demo: done; see $out (before.png, after.png, compare.png, dialog.png, dialog-dark.png, dialog-200.png, dialog-dark-200.png, pinoxfade-1.2.zip)"
