#!/usr/bin/env bash
# Drives the built TAV.exe where settings and unsaved text are at stake, in a
# copy of the Wine prefix of its own: the Windows folder made unwritable (as
# it is for a user on Windows), a TAV.INI beside a portable TAV.exe, an old
# TAV.INI in the Windows folder taken over, and text typed before TAV was
# killed offered back at the next start. Needs root (chattr) and a built
# TAV.exe; leaves screenshots in build/user-check-settings/.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/user-check-settings
rm -rf "$out"; mkdir -p "$out"
"$root/scripts/wineprefix.sh" "$root/build/wineprefix"
. "$root/scripts/xenv.sh"
export WINEDEBUG=-all
start_private_display
prefix=$out/prefix
cp -a "$root/build/wineprefix" "$prefix"
start_wineserver "$prefix"
trap 'chattr -i "$prefix/drive_c/windows" 2>/dev/null; stop_private_display' EXIT
users=$prefix/drive_c/users/$(ls "$prefix/drive_c/users" | grep -v -i public | head -1)
own=$users/AppData/Roaming/TAV/TAV.INI
recovery=$users/AppData/Local/TAV/Recovery
old=$prefix/drive_c/windows/TAV.INI
rm -rf "$old" "$users/AppData/Roaming/TAV" "$users/AppData/Local/TAV"

ok() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; }
shot() { import -window root "$out/$1.png"; }
keys() { xdotool key --delay 120 "$@"; sleep 0.6; }
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.8; }
tav_windows() { xdotool search --onlyvisible --name '^TAV$' 2>/dev/null; }
start() {  # start folder, program (default the built TAV.exe)
  (cd "$1" && exec /usr/lib/wine/wine64 "${2:-$root/build/TAV.exe}" >/dev/null 2>&1 &)
  xdotool search --sync --onlyvisible --name '^TAV$' >/dev/null
  sleep 2
  win=$(tav_windows | head -1)
}
focus_box() { xdotool windowfocus --sync "$(tav_windows | tail -1)"; sleep 0.3; }
focus_main() { win=$(tav_windows | head -1); xdotool windowfocus --sync "$win"; sleep 0.3; }
notices() { [ "$(tav_windows | wc -l)" -ge 2 ]; }
winpath() { echo "Z:${1//\//\\}"; }
type_at_end() { click 400 300; keys ctrl+End; xdotool type --delay 30 "$1"; }

nb=$out/notebook; mkdir -p "$nb/Sub"
printf 'root page' > "$nb/a.tav"; printf 'sub page' > "$nb/Sub/s.tav"

# The Windows folder cannot be written: the settings live in the user's own folder.
chattr +i "$prefix/drive_c/windows" || fail "chattr +i (needs root)"
start "$nb"
if notices; then focus_box; keys Return; fi
focus_main
keys alt+e w
xdotool keydown shift mousemove --window "$win" 14 54 mousedown 1 mousemove --window "$win" 300 300 mouseup 1 keyup shift
sleep 0.5
click 46 95; click 400 300
keys alt+f x; sleep 2
start "$nb"; shot 1-second-start
if notices; then fail "the second start is like the first"; focus_box; keys Return
else ok "the second start with the Windows folder unwritable knows its settings"; fi
focus_main; keys alt+f x; sleep 2
tr -d '\r' < "$own" | grep -q -x "WordWrap=1" && ok "word wrap kept"
tr -d '\r' < "$own" | grep -q -x -F "SavedPath=$(winpath "$nb")\\Sub\\s.tav" && ok "the page last shown kept"
tr -d '\r' < "$own" | grep -q -x "Count=16" && ok "the toolbar's layout kept"
chattr -i "$prefix/drive_c/windows"

# A TAV.INI beside TAV.exe that can be written is used instead.
mkdir -p "$out/portable"; cp "$root/build/TAV.exe" "$out/portable/"
printf '; settings\r\n' > "$out/portable/TAV.INI"
before=$(sha256sum < "$own")
start "$nb" "$(winpath "$out/portable/TAV.exe")"
if notices; then focus_box; keys Return; fi
focus_main; keys alt+f x; sleep 2
grep -q WorkDir "$out/portable/TAV.INI" && [ "$(sha256sum < "$own")" = "$before" ] &&
  ok "the portable TAV.INI was used, the user's left alone"

# An old TAV.INI in the Windows folder is taken over once.
nb2=$out/notebook2; mkdir -p "$nb2"; printf 'second notebook' > "$nb2/b.tav"
rm -f "$own"
printf '[Settings]\r\nWorkDir=%s\r\n' "$(winpath "$nb2")" > "$old"
oldSum=$(sha256sum < "$old")
start "$nb"
notices && fail "a notice although the old file names the work folder"
focus_main; keys alt+f x; sleep 2
tr -d '\r' < "$own" | grep -q -x -F "WorkDir=$(winpath "$nb2")" && ok "the old settings were taken over"
[ "$(sha256sum < "$old")" = "$oldSum" ] && ok "the old file was left as it was"
printf '[Settings]\r\nWorkDir=C:\\elsewhere\r\n' > "$old"
start "$nb"; focus_main; keys alt+f x; sleep 2
tr -d '\r' < "$own" | grep -q -x -F "WorkDir=$(winpath "$nb2")" && ok "and only once"

# Text typed before TAV was killed is offered back.
start "$nb"; focus_main
type_at_end ' typed before TerminateProcess'; sleep 7
[ -n "$(ls "$recovery" 2>/dev/null)" ] && ok "a recovery copy while the page has unsaved changes"
/usr/lib/wine/wine64 taskkill /f /im TAV.exe >/dev/null 2>&1; sleep 2
start "$nb"; shot 2-offered
notices && ok "the next start asks" && { focus_box; keys alt+y; }
focus_main; keys ctrl+s
[ "$(cat "$nb2/b.tav")" = "second notebook typed before TerminateProcess" ] && ok "Yes restored the text"
type_at_end ' typed before SIGKILL'; sleep 7
pkill -9 -f 'TAV.exe'; sleep 2
start "$nb"
notices && { focus_box; keys alt+n; sleep 1; focus_box; keys Return; }
[ "$(cat "$nb2/b (recovered).txt" 2>/dev/null)" = "second notebook typed before TerminateProcess typed before SIGKILL" ] &&
  [ "$(cat "$nb2/b.tav")" = "second notebook typed before TerminateProcess" ] &&
  ok "No kept the text beside the page as 'b (recovered).txt'"
focus_main; type_at_end ' typed, then a clean exit'; sleep 7
keys alt+f x; sleep 2
[ -z "$(ls "$recovery" 2>/dev/null)" ] && ok "a clean exit leaves no copy behind"
