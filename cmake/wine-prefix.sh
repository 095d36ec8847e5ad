#!/usr/bin/env bash
# Makes a headless Wine prefix at $1 once (idempotent, under a lock):
# null graphics driver unless PINOXFADE_WINE_X11=1, unmanaged X11 windows,
# and Wine's own fonts copied where Windows programs look for them. The Wine is the one
# wine-env.sh names.
set -eu
prefix="$1"
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.pinoxfade-ready" ] && exit 0

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
. "$(dirname "$0")/wine-env.sh"

rm -rf "$prefix"
wine_run wine64 wineboot -i </dev/null >/dev/null 2>&1
wine_run wineserver -w
mkdir -p "$prefix/drive_c/windows/Fonts"
cp -n "$(wine_fonts)"/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
graphics=null
[ "${PINOXFADE_WINE_X11:-0}" = 1 ] && graphics=x11
# Inside the prefix, where a Wine in another root sees it too.
reg=$prefix/pinoxfade-setup.reg
cat >"$reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]
"Graphics"="$graphics"

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"
REG
wine_run wine64 regedit "$(printf 'Z:%s' "$reg" | tr / '\\')" </dev/null >/dev/null 2>&1
wine_run wineserver -w
rm -f "$reg"
touch "$prefix/.pinoxfade-ready"
