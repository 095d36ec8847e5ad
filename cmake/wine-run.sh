#!/usr/bin/env bash
# Runs one Windows executable under Wine for ctest and gtest_discover_tests.
#
# Each build tree gets its own headless Wine prefix (one per Wine, see wine-env.sh), made once
# under a lock.
# Wine's output goes to a temporary file that is printed after the exit: the
# wineserver keeps inherited descriptors open, and ctest would wait on them.
set -u
exe="$1"; shift

exe_dir=$(cd "$(dirname "$exe")" && pwd)
# The prefix lives at the top of the build tree (the folder holding CMakeCache.txt).
tree="$exe_dir"
while [ "$tree" != "/" ] && [ ! -f "$tree/CMakeCache.txt" ]; do tree=$(dirname "$tree"); done
[ -f "$tree/CMakeCache.txt" ] || tree="$exe_dir"

. "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="${PINOXFADE_WINEPREFIX:-$(wine_default_prefix "$tree")}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8

"$(dirname "$0")/wine-prefix.sh" "$WINEPREFIX" >/dev/null 2>&1 || {
  echo "wine-run: cannot prepare the Wine prefix $WINEPREFIX" >&2; exit 125; }

out=$(mktemp)
wine_run wine64 "$exe" "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
