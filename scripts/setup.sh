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
[ -f /usr/include/dtl/dtl.hpp ]    || need+=(libdtl-dev)
have_cmd wixl                         || need+=(wixl)
[ -f /usr/share/i18n/locales/ja_JP ]  || need+=(locales)

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

# The double-byte tests run Wine under a Japanese locale (code page 932); a
# locale the C library does not have would leave Wine unable to write file
# names beyond ASCII.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  if [ "$(id -u)" != 0 ]; then
    echo "setup: the locale ja_JP.UTF-8 is missing; run this script as root" >&2
    exit 1
  fi
  echo "setup: making the locale ja_JP.UTF-8"
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
