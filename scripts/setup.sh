#!/usr/bin/env bash
# Installs what building, running and testing TAV need on a Debian machine.
# Idempotent: when everything is there it only looks and returns.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64)
have_cmd x86_64-w64-mingw32-windres   || need+=(binutils-mingw-w64-x86-64)
have_cmd cmake                        || need+=(cmake)
have_cmd ctest                        || need+=(cmake)
[ -x /usr/lib/wine/wine64 ]           || need+=(wine64)
have_cmd Xvfb                         || need+=(xvfb)
have_cmd xdotool                      || need+=(xdotool)
have_cmd import                       || need+=(imagemagick)
have_cmd python3                      || need+=(python3)
have_cmd make                         || need+=(make)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
have_cmd wixl                         || need+=(wixl)

if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "setup: missing packages (${need[*]}); run this script as root" >&2
    exit 1
  fi
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${need[@]}"
fi
