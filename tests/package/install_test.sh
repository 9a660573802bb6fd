#!/usr/bin/env bash
# The packages as a Windows user meets them, under Wine in a prefix made for
# this run alone: the installer installs silently, TAV starts from Program
# Files on a notebook and shows its page, the installed file carries its
# version resource, the settings an earlier TAV kept in the Windows folder
# are taken over into the user's own TAV.INI, the uninstall removes what was
# installed and leaves the notebook and both settings files as they were, and
# a newer package replaces an older one. Then the portable zip is opened. ctest runs this on the test display
# (test_package_install); the arguments come from packaging/CMakeLists.txt.
set -euo pipefail
if [ $# -ne 10 ]; then
  echo "usage: $0 MSI ZIP TAV.EXE TEST_PACKAGE.EXE WORKDIR WIXL WXS ICON MSI-VERSION VERSION" >&2
  exit 2
fi
msi=$1 zip=$2 exe=$3 probe=$4 work=$5 wixl=$6 wxs=$7 icon=$8 msiVersion=$9 version=${10}
root=$(cd "$(dirname "$0")/../.." && pwd)

fail() { echo "FAIL: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }
winpath() { echo "Z:${1//\//\\}"; }

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
"$root/scripts/wineprefix.sh" "$prefix" >/dev/null
# Wine's menu builder stays off: the Start-menu shortcut is not to reach the
# desktop menus of the machine's own user.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEDEBUG=-all
. "$root/scripts/xenv.sh"
start_wineserver "$prefix"
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT
wine() { /usr/lib/wine/wine64 "$@" </dev/null; }

installed=$prefix/drive_c/Program\ Files/TAV
ini=$prefix/drive_c/windows/TAV.INI
shortcuts() { find "$prefix/drive_c" -path '*/Start Menu/Programs/TAV.lnk'; }
# Product codes of the installed programs named TAV.
products() { wine uninstaller --list | tr -d '\r' | sed -n 's/|||TAV$//p'; }
uninstallValue() {
  wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" /v "$2" |
    tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

# A notebook, and the settings file that names it, as an earlier TAV kept it
# in the Windows folder.
nb=$work/notebook
mkdir -p "$nb/Journal"
printf 'Hello from the notebook\r\n' >"$nb/Welcome.tav"
printf 'Dear diary' >"$nb/Journal/Monday.tav"
printf '[Settings]\r\nWorkDir=%s\r\n' "$(winpath "$nb")" >"$ini"
notebookState() { (cd "$nb" && find . | sort && find . -type f -exec sha256sum {} + | sort); }
notebookBefore=$(notebookState)
oldSettings=$(sha256sum <"$ini")

# Install.
wine msiexec /i "$(winpath "$msi")" /qn || fail "msiexec /i exited with $?"
[ -f "$installed/TAV.exe" ] || fail "no TAV.exe in Program Files\\TAV"
cmp -s "$installed/TAV.exe" "$exe" || fail "the installed TAV.exe is not the built one"
ok "installed into Program Files\\TAV"
# Windows puts the shortcut of a per-machine package in the Start menu of all
# users; Wine 8 puts it in the installing user's. Either is the Start menu.
lnk=$(shortcuts)
[ "$(echo "$lnk" | grep -c .)" = 1 ] || fail "not one TAV shortcut in a Start Menu\\Programs folder: $lnk"
grep -a -q -F 'C:\Program Files\TAV\TAV.exe' "$lnk" || fail "the shortcut does not start the installed TAV.exe"
ok "Start menu shortcut ${lnk#$prefix/drive_c/}"
product=$(products)
[ "$(echo "$product" | grep -c .)" = 1 ] || fail "TAV is not listed once among the installed programs"
[ "$(uninstallValue "$product" DisplayVersion)" = "$msiVersion" ] || fail "listed without version $msiVersion"
cmp -s "$prefix/drive_c/windows/Installer/$product/tav.ico" "$icon" || fail "listed without TAV's icon"
ok "listed among the installed programs as $product, version $msiVersion, with its icon"

# The installed file's version resource and manifest, as its properties show them.
TAV_EXE_UNDER_TEST='C:\Program Files\TAV\TAV.exe' \
  wine "$probe" --gtest_color=no --gtest_filter='VersionResource.*:Manifest.ProgramAsks*' \
  >"$work/program-file.log" 2>&1 || { cat "$work/program-file.log"; fail "version resource or manifest"; }
ok "the installed TAV.exe carries version $version and its manifest"

# TAV from Program Files on the notebook: it shows the notebook's page, which
# it records in TAV.INI when it closes, and ends with 0.
(cd "$work" && exec /usr/lib/wine/wine64 'C:\Program Files\TAV\TAV.exe' </dev/null >/dev/null 2>&1) &
tav=$!
main=$(timeout 60 xdotool search --sync --onlyvisible --name '^TAV$' | head -1 || true)
[ -n "$main" ] || { kill "$tav" 2>/dev/null; fail "no TAV window"; }
sleep 1
import -window root "$work/installed-tav.png" || true
xdotool windowfocus --sync "$main" key alt+f x
for _ in $(seq 1 150); do kill -0 "$tav" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$tav" 2>/dev/null; then
  kill "$tav"
  fail "TAV did not end after File > Exit"
fi
code=0
wait "$tav" || code=$?
[ "$code" = 0 ] || fail "TAV ended with $code"
page="SavedPath=$(winpath "$nb")\\Welcome.tav"
own=$(find "$prefix/drive_c/users" -path '*/AppData/Roaming/TAV/TAV.INI' | head -1)
[ -n "$own" ] || fail "no TAV.INI in the user's application data"
tr -d '\r' <"$own" | grep -q -i -x -F "$page" || fail "TAV did not show Welcome.tav: $(tr -d '\r' <"$own" | grep SavedPath)"
[ "$(sha256sum <"$ini")" = "$oldSettings" ] || fail "the Windows folder's TAV.INI changed"
ok "TAV started from Program Files, took the old settings over, showed Welcome.tav and ended with 0"
settingsAfterRun=$(sha256sum <"$own")

# Uninstall: what was installed goes, the notebook and TAV.INI stay.
wine msiexec /x "$(winpath "$msi")" /qn || fail "msiexec /x exited with $?"
[ ! -e "$installed/TAV.exe" ] || fail "TAV.exe is still there"
[ ! -e "$installed" ] || fail "Program Files\\TAV is still there"
[ -z "$(shortcuts)" ] || fail "the shortcut is still there"
[ -z "$(products)" ] || fail "TAV is still listed among the installed programs"
[ "$(notebookState)" = "$notebookBefore" ] || fail "the notebook changed"
[ -f "$own" ] && [ "$(sha256sum <"$own")" = "$settingsAfterRun" ] || fail "the user's TAV.INI changed"
[ "$(sha256sum <"$ini")" = "$oldSettings" ] || fail "the Windows folder's TAV.INI changed"
ok "uninstalled; notebook and settings untouched"

# A newer package replaces this one: same UpgradeCode, higher version.
newer=${msiVersion%.*}.$((${msiVersion##*.} + 1))
# wixl finds the files it packs only by paths relative to where it runs.
(cd "$(dirname "$exe")" && "$wixl" -a x64 -D Version="$newer" -D DisplayVersion="$newer" \
  -D ExePath="$(basename "$exe")" -D IconPath="$(realpath --relative-to=. "$icon")" \
  -o "$work/TAV-newer.msi" "$wxs") || fail "wixl could not make a newer package"
wine msiexec /i "$(winpath "$msi")" /qn || fail "msiexec /i exited with $?"
wine msiexec /i "$(winpath "$work/TAV-newer.msi")" /qn || fail "msiexec /i of $newer exited with $?"
product=$(products)
[ "$(echo "$product" | grep -c .)" = 1 ] || fail "not one TAV listed after the upgrade: $product"
[ "$(uninstallValue "$product" DisplayVersion)" = "$newer" ] || fail "the listed TAV is not $newer"
[ -f "$installed/TAV.exe" ] || fail "no TAV.exe after the upgrade"
ok "version $newer replaced version $msiVersion"

# The portable zip: TAV.exe, the readme and the TAV.INI that keeps the
# settings beside TAV.exe at its top, and the licence once the project has one.
python3 - "$zip" "$exe" "$version" <<'EOF' || fail "portable zip"
import sys, zipfile
path, exe, version = sys.argv[1:]
with zipfile.ZipFile(path) as z:
    assert z.testzip() is None, "a damaged member"
    names = z.namelist()
    assert names[:3] == ["TAV.exe", "README.txt", "TAV.INI"], names
    assert all(n.upper().startswith(("LICEN", "COPYING")) for n in names[3:]), names
    settings = z.read("TAV.INI")
    assert all(line.startswith(b";") for line in settings.split(b"\r\n") if line), "TAV.INI holds values"
    assert z.read("TAV.exe") == open(exe, "rb").read(), "TAV.exe is not the built one"
    readme = z.read("README.txt")
    assert b"\n" not in readme.replace(b"\r\n", b""), "README.txt has line breaks Windows editors miss"
    assert ("TAV " + version).encode() in readme, "README.txt does not name the version"
EOF
ok "portable zip holds TAV.exe, README.txt and TAV.INI"
