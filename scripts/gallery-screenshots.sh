#!/usr/bin/env bash
# Saves screenshots of the control gallery (tools/gallery) under a virtual X display in the
# light, dark and high-contrast colour schemes, at 100% and at 200% display scaling:
#   build/gallery/gallery-light.png, gallery-dark.png, gallery-contrast.png (96 DPI)
#   build/gallery/gallery-light-200.png, ... (192 DPI)
# and the 100% ones enlarged three times (gallery-*-x3.png) for looking at single pixels.
# Builds the Windows tree first unless NO_BUILD=1. BUILD_DIR moves the build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out="$build/gallery"
[ "${NO_BUILD:-0}" = 1 ] || BUILD_DIR="$build" bash "$root/scripts/build.sh" >/dev/null
exe="$build/windows/bin/gallery.exe"
[ -f "$exe" ] || { echo "gallery-screenshots: $exe is missing"; exit 1; }
mkdir -p "$out"

export WINEPREFIX="$build/windows/wineprefix-x11" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
PINOXFADE_WINE_X11=1 bash "$root/cmake/wine-prefix.sh" "$WINEPREFIX"
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64)

display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 2048x1536x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
# Wine's DPI: LogPixels, read when a program starts.
logpixels() {
  local reg; reg=$(mktemp --suffix=.reg)
  printf 'REGEDIT4\n\n[HKEY_CURRENT_CONFIG\\Software\\Fonts]\n"LogPixels"=dword:%08x\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' \
    "$1" "$1" >"$reg"
  "$wine" regedit "$(printf 'Z:%s' "$reg" | tr / '\\')" </dev/null >/dev/null 2>&1
  "$wineserver" -w
  rm -f "$reg"
}
# Only this prefix's wineserver is ended: the scheme's colours last until it exits.
cleanup() { logpixels 96 || true; "$wineserver" -k >/dev/null 2>&1 || true; kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

im=$(command -v convert-im6.q16 || command -v convert)
for dpi in 96 192; do
  logpixels "$dpi"
  suffix=""; [ "$dpi" = 96 ] || suffix="-$((dpi * 100 / 96))"
  for scheme in light dark contrast; do
    shot="$out/gallery-$scheme$suffix.png"
    rm -f "$shot"
    "$wine" "$exe" --scheme "$scheme" --close-after 7000 >"$out/gallery-$scheme.log" 2>&1 &
    pid=$!
    # Wait until the window is on the screen (the first start of a prefix takes longer).
    for _ in $(seq 40); do
      sleep 0.5
      import -display ":$display" -window root "$out/root-$scheme.png"
      [ "$("$im" "$out/root-$scheme.png" -format '%[fx:standard_deviation>0]' info:)" = 1 ] && break
    done
    sleep 1.5  # every control painted
    import -display ":$display" -window root "$out/root-$scheme.png"
    wait "$pid" || { echo "gallery-screenshots: gallery.exe failed ($scheme)"; cat "$out/gallery-$scheme.log"; exit 1; }
    "$wineserver" -w
    # The gallery sits at the top-left corner: keep the window, drop the empty screen.
    "$im" "$out/root-$scheme.png" -fuzz 0% -trim +repage "$shot"
    rm -f "$out/root-$scheme.png"
    [ "$dpi" = 96 ] && "$im" "$shot" -filter point -resize 300% "$out/gallery-$scheme-x3.png"
    echo "$shot"
  done
done
