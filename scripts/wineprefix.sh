#!/usr/bin/env bash
# Makes the Wine prefix TAV runs and is tested in, once: $1 (default build/wineprefix).
# Two settings matter here: without a window manager every hide or destroy of a
# top-level window blocks about 2 s unless the X11 driver is told windows are
# unmanaged, and a crash should end the process at once instead of opening winedbg.
set -euo pipefail
prefix=${1:-$(cd "$(dirname "$0")/.." && pwd)/build/wineprefix}
[ -f "$prefix/.tav-ready" ] && exit 0
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
# A prefix made under a Japanese locale keeps Japanese menu and title fonts
# for good; the double-byte tests set the locale per process instead.
unset LC_ALL LC_CTYPE LANG
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
echo "wineprefix: creating $prefix"
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
reg() { /usr/lib/wine/wine64 reg add "$@" /f >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
/usr/lib/wine/wineserver -w
touch "$prefix/.tav-ready"
