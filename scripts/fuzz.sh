#!/usr/bin/env bash
# Builds the fuzz tree (clang, libFuzzer, ASan and UBSan; build/fuzz) and runs one target:
#   bash scripts/fuzz.sh NAME [libFuzzer options...]      e.g. -runs=1000000, -max_total_time=600
#   bash scripts/fuzz.sh --list                            the targets there are
# New inputs go to build/fuzz/corpus/NAME, seeded from tests/fuzz/corpus/NAME, which stays
# small (copy an input there by hand when it should be replayed by every test run). Findings
# are written to build/fuzz/findings/NAME/. BUILD_DIR moves build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
fuzz=$build/fuzz
jobs=${JOBS:-$(nproc)}

if [ "${1:-}" = "--list" ]; then
  sed -nE 's/^pinoxfade_add_fuzzer\(([A-Za-z0-9_]+).*/\1/p' "$root/tests/fuzz/CMakeLists.txt"
  exit 0
fi
name=${1:?usage: scripts/fuzz.sh NAME [libFuzzer options...] (--list shows the targets)}
shift

CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPINOXFADE_FUZZ=ON -DPINOXFADE_BENCHMARKS=OFF >/dev/null
cmake --build "$fuzz" -j "$jobs" --target "${name}_fuzz"

seeds=$root/tests/fuzz/corpus/$name
work=$fuzz/corpus/$name
findings=$fuzz/findings/$name
mkdir -p "$work" "$findings"
args=(-artifact_prefix="$findings/" -print_final_stats=1)
[ -f "$root/tests/fuzz/$name.dict" ] && args+=(-dict="$root/tests/fuzz/$name.dict")
inputs=("$work")
[ -d "$seeds" ] && inputs+=("$seeds")

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$fuzz/bin/${name}_fuzz" "${args[@]}" "$@" "${inputs[@]}"
