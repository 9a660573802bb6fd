#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix on the display in $DISPLAY.
# ctest uses it as the emulator for the cross-built test executables.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${TAV_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 "$@"
