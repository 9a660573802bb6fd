#!/usr/bin/env bash
# Builds and runs the benchmarks (all, or those named: pages search tree startup open watch moves theme deletes history)
# under Wine on a private X display; they print tables of timings.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" --target tav_bench
"$root/scripts/wineprefix.sh" "$root/build/wineprefix"
. "$root/scripts/xenv.sh"
start_private_display
trap stop_private_display EXIT
start_wineserver "$root/build/wineprefix"
WINEDEBUG=-all /usr/lib/wine/wine64 "$root/build/bench/tav_bench.exe" "$@"
