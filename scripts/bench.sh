#!/usr/bin/env bash
# Every benchmark, each as a ratio against a baseline measured in the same run:
# native (unscrambling, transfers through the emulated key, peak memory) and
# under Wine (download vs copy, message round trip busy vs idle, start-up,
# status-log cost at 100 vs 10,000 lines).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. scripts/packages.sh
scripts/install-deps.sh $PKG_NATIVE $PKG_WINDOWS $PKG_WINE
cmake --preset native >/dev/null && cmake --build --preset native -j2 >/dev/null
cmake --preset mingw-x64 >/dev/null && cmake --build --preset mingw-x64 -j2 >/dev/null

# --transfers: only what the tool adds to a download, plain and scrambled, three runs each.
if [ "${1:-}" = --transfers ]; then
    tests/bench/wine_bench.sh build/mingw-x64 --transfers 2>/dev/null | sed -n '/^under Wine/,$p'
    exit 0
fi
native=$(build/native/benchmarks --benchmark_color=false 2>/dev/null | sed -n '/^ratios/,$p')
plain=$(build/native/peak_memory plain)
scrambled=$(build/native/peak_memory scrambled)
wine=$(tests/bench/wine_bench.sh build/mingw-x64 2>/dev/null | sed -n '/^under Wine/,$p')

echo
echo "== native"
echo "$native"
echo "$plain"
echo "$scrambled"
echo
echo "== $wine"
