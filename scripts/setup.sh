#!/usr/bin/env bash
# Installs what building, running and testing TAV need on a Debian machine.
# Idempotent: when everything is there it only looks and returns.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

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
# SQLite comes as Debian's source package; making its single-file form takes
# dpkg-source, a native C compiler and tclsh.
have_cmd dpkg-source                  || need+=(dpkg-dev)
have_cmd gcc                          || need+=(gcc)
have_cmd tclsh                        || need+=(tcl)

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

# SQLite is compiled into TAV from Debian's source package, pinned to the
# version this Debian release ships. The package holds SQLite's whole source
# tree; its own build makes the single-file sqlite3.c and sqlite3.h, once,
# kept in build/third_party/sqlite3 for every later build.
sqlite_version=3.40.1
sqlite_package=3.40.1-2+deb12u2
sqlite_dir=$root/build/third_party/sqlite3
sqlite_tree=$sqlite_dir/sqlite3-$sqlite_version

need_root() {
  if [ "$(id -u)" != 0 ]; then
    echo "setup: $1; run this script as root" >&2
    exit 1
  fi
}

# Adds a deb-src entry beside every enabled deb entry of this release's
# suites (same URIs, suites, components and key) in a file of its own.
add_sqlite_deb_src() {
  local codename list=/etc/apt/sources.list.d/tav-deb-src
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -z "$codename" ]; then
    echo "setup: /etc/os-release names no release; cannot add a deb-src entry" >&2
    exit 1
  fi
  if apt-get indextargets --no-release-info --format '$(TARGET_OF) $(RELEASE)' |
       grep -qx "deb-src $codename"; then
    return
  fi
  need_root "no deb-src entry for $codename, needed for SQLite's source"
  echo "setup: adding deb-src entries for $codename ($list.*)"
  local sources=() lists=() f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$list.sources" ] && sources+=("$f")
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && [ "$f" != "$list.list" ] && lists+=("$f")
  done
  : >"$list.sources.new"; : >"$list.list.new"
  [ ${#sources[@]} -eq 0 ] || awk -v RS= -v cn="$codename" '
    { n = split($0, L, "\n"); types = ""; suites = ""; enabled = ""
      for (i = 1; i <= n; i++) {
        if (L[i] ~ /^Types:/) types = L[i]
        if (L[i] ~ /^Suites:/) suites = L[i]
        if (L[i] ~ /^Enabled:/) enabled = tolower(L[i])
      }
      if (types !~ /[ \t]deb([ \t]|$)/ || enabled ~ /no/) next
      if (suites !~ ("[ \t]" cn "(-[^ \t]*)?([ \t]|$)")) next
      out = ""
      for (i = 1; i <= n; i++)
        if (L[i] !~ /^#/) out = out (L[i] ~ /^Types:/ ? "Types: deb-src" : L[i]) "\n"
      printf "%s\n", out
    }' "${sources[@]}" >"$list.sources.new"
  # One-line entries: "deb [options] URI suite components".
  [ ${#lists[@]} -eq 0 ] || awk -v cn="$codename" '
    $1 == "deb" {
      i = 2
      if ($i ~ /^\[/) { while (i < NF && $i !~ /\]$/) i++; i++ }
      if ($(i + 1) ~ ("^" cn "(-.*)?$")) { sub(/^[ \t]*deb/, "deb-src"); print }
    }' "${lists[@]}" >"$list.list.new"
  for f in "$list.sources" "$list.list"; do
    if [ -s "$f.new" ]; then mv "$f.new" "$f"; else rm -f "$f.new"; fi
  done
  if [ ! -f "$list.sources" ] && [ ! -f "$list.list" ]; then
    echo "setup: no deb entry for $codename to add a deb-src entry beside" >&2
    exit 1
  fi
  apt-get update -q
}

# Fetches the source package; apt-get checks every file against the signed
# index and dpkg-source the .dsc before it unpacks and patches the tree.
fetch_sqlite_source() {
  need_root "SQLite's source is missing"
  add_sqlite_deb_src
  if ! apt-cache showsrc --only-source sqlite3 | grep -qx "Version: $sqlite_package"; then
    apt-get update -q
  fi
  local fetch=$sqlite_dir/fetch
  rm -rf "$fetch"; mkdir -p "$fetch"
  echo "setup: fetching SQLite's source (sqlite3 $sqlite_package)"
  (cd "$fetch" && apt-get source -q "sqlite3=$sqlite_package" >"$sqlite_dir/fetch.log" 2>&1) || {
    tail -n 20 "$sqlite_dir/fetch.log" >&2
    echo "setup: apt-get source sqlite3=$sqlite_package failed (all of it in $sqlite_dir/fetch.log)" >&2
    exit 1
  }
  local got
  got=$(dpkg-parsechangelog -l "$fetch/sqlite3-$sqlite_version/debian/changelog" -S Version)
  if [ "$got" != "$sqlite_package" ] ||
     [ "$(cat "$fetch/sqlite3-$sqlite_version/VERSION")" != "$sqlite_version" ]; then
    echo "setup: the fetched source is $got, not sqlite3 $sqlite_package" >&2
    exit 1
  fi
  rm -rf "$sqlite_tree"
  mv "$fetch/sqlite3-$sqlite_version" "$sqlite_tree"
  mv "$fetch"/*.dsc "$fetch"/*.tar.* "$sqlite_dir/"
  rm -rf "$fetch"
  echo "$sqlite_package" >"$sqlite_dir/source-package"
}

# Makes sqlite3.c and sqlite3.h with the tree's own configure and makefile,
# outside the tree; they land in $sqlite_dir/amalgamation only when whole.
make_sqlite_amalgamation() {
  local out=$sqlite_dir/make
  rm -rf "$out"; mkdir -p "$out"
  echo "setup: making sqlite3.c from SQLite's source"
  (cd "$out" && "$sqlite_tree/configure" --disable-tcl >configure.log 2>&1 &&
     make sqlite3.c >make.log 2>&1) || {
    echo "setup: making sqlite3.c failed; see $out/configure.log and $out/make.log" >&2
    exit 1
  }
  if ! grep -q "^#define SQLITE_VERSION  *\"$sqlite_version\"" "$out/sqlite3.h"; then
    echo "setup: the sqlite3.h made is not SQLite $sqlite_version" >&2
    exit 1
  fi
  mkdir -p "$sqlite_dir/amalgamation.new"
  cp "$out/sqlite3.c" "$out/sqlite3.h" "$sqlite_dir/amalgamation.new/"
  rm -rf "$sqlite_dir/amalgamation"
  echo "$sqlite_package" >"$sqlite_dir/amalgamation.new/package"
  mv "$sqlite_dir/amalgamation.new" "$sqlite_dir/amalgamation"
  rm -rf "$out"
}

if [ "$(cat "$sqlite_dir/amalgamation/package" 2>/dev/null)" != "$sqlite_package" ]; then
  [ "$(cat "$sqlite_dir/source-package" 2>/dev/null)" = "$sqlite_package" ] || fetch_sqlite_source
  make_sqlite_amalgamation
fi
