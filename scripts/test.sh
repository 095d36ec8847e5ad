#!/usr/bin/env bash
# Sets up a fresh machine, builds every tree and runs every test:
#   native core tests, the same under ASan/UBSan, and the Windows tests under Wine: the
#   machine's own, and Wine 10 too where that is older (Debian 12's Wine 8): from a Debian 13
#   root made once into the cache (scripts/wine10-root.sh). PINOXFADE_SKIP_WINE10=1 skips
#   that second Wine for quick local runs; under CI (CI=true) it always runs.
# Prints one line per suite and one closing line "tests: N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
jobs=${JOBS:-$(nproc)}

bash "$root/scripts/setup.sh" || exit 1
BUILD_DIR="$build" bash "$root/scripts/build.sh" || exit 1

cmake -S "$root" -B "$build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DPINOXFADE_SANITIZE=ON -DPINOXFADE_BENCHMARKS=OFF >/dev/null || exit 1
cmake --build "$build/asan" -j "$jobs" || exit 1

passed=0; failed=0; summary=()
wrap=()   # a command that runs ctest for the suite (the Wine 10 root), or none
run_suite() {  # name dir [ctest args...]
  local name=$1 dir=$2; shift 2
  local slug; slug=$(tr -cs 'A-Za-z0-9' '-' <<<"${name,,}" | sed 's/-$//')
  local log="$build/ctest-$slug.log" start=$SECONDS
  echo "== $name tests"
  (cd "$dir" && "${wrap[@]}" ctest --output-on-failure "$@") 2>&1 | tee "$log"
  local line; line=$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1)
  local total fails
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  fails=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$line")
  [[ "$total" =~ ^[0-9]+$ ]] || { total=0; fails=1; echo "$name: no ctest summary"; }
  passed=$((passed + total - fails)); failed=$((failed + fails))
  summary+=("== $name: $((total - fails)) passed, $fails failed in $((SECONDS - start)) s")
}

run_suite native "$build/native" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_suite sanitizers "$build/asan" -j "$jobs"

# Wine now and then fails to start a process (a test executable, or a denoiser a test
# starts) with no word of why; a Windows test that fails is run once more before it counts.
# The machine's own Wine: where that is Wine 10 already (Debian 13), its suite is the
# "windows (Wine 10)" one and no second Wine is needed.
wine_major=$(/usr/lib/wine/wine64 --version 2>/dev/null | sed -nE 's/^wine-([0-9]+).*/\1/p')
if [ "${wine_major:-0}" -ge 10 ]; then
  run_suite "windows (Wine $wine_major)" "$build/windows" -j "$jobs" --repeat until-pass:2
else
  run_suite windows "$build/windows" -j "$jobs" --repeat until-pass:2
  if [ "${PINOXFADE_SKIP_WINE10:-0}" = 1 ] && [ "${CI:-}" != true ]; then
    echo "== windows (Wine 10) tests: skipped (PINOXFADE_SKIP_WINE10=1)"
    summary+=("== windows (Wine 10): skipped")
  else
    start=$SECONDS
    if bash "$root/scripts/wine10-root.sh" path >/dev/null; then
      [ $((SECONDS - start)) -lt 5 ] ||
        summary+=("== the Debian 13 root for Wine 10: made in $((SECONDS - start)) s")
      wrap=(bash "$root/scripts/wine10-root.sh" run "$root" "$build" --)
      run_suite "windows (Wine 10)" "$build/windows" -j "$jobs" --repeat until-pass:2
      wrap=()
    else
      failed=$((failed + 1))
      summary+=("== windows (Wine 10): not run, the Debian 13 root could not be made")
    fi
  fi
fi

printf '%s\n' "${summary[@]}"
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
