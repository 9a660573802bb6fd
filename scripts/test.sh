#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine on a
# private X display with one wineserver for the whole run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
"$root/scripts/wineprefix.sh" "$root/build/wineprefix"
. "$root/scripts/xenv.sh"
start_private_display
trap stop_private_display EXIT
start_wineserver "$root/build/wineprefix"
cd "$root/build"
ctest --output-on-failure "$@"
