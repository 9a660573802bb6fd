#!/usr/bin/env bash
# Drives the built TAV.exe as a user would, with keys and clicks on a private
# X display, in a notebook made here; checks what it wrote to disk and leaves
# screenshots in build/user-check/. Needs a built TAV.exe (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/user-check
nb=$out/notebook
rm -rf "$out"; mkdir -p "$nb/Projects/Ideas" "$nb/Journal" "$nb/Recipes & Tips"
printf 'Plans for the week\r\n- call the printer\r\n' > "$nb/Monday.tav"
printf 'Second page' > "$nb/R&D notes.tav"
printf 'v1.2 ideas\r\n' > "$nb/Projects/Release v1.2.tav"
printf 'An idea' > "$nb/Projects/Ideas/Big Idea.TAV"
printf 'Dear diary' > "$nb/Journal/2026.12.07.tav"
printf 'Pancakes' > "$nb/Recipes & Tips/Pancakes.tav"

"$root/scripts/wineprefix.sh" "$root/build/wineprefix"
. "$root/scripts/xenv.sh"
start_private_display
trap stop_private_display EXIT
start_wineserver "$root/build/wineprefix"
export WINEDEBUG=-all
ini=$WINEPREFIX/drive_c/windows/TAV.INI
rm -f "$ini"
winnb="Z:${nb//\//\\}"
printf '[Settings]\r\nWorkDir=%s\r\n[Window]\r\nLeft=40\r\nTop=30\r\nRight=940\r\nBottom=650\r\n' "$winnb" > "$ini"

shot() { import -window root "$out/$1.png"; }
start() {
  (cd "$nb" && /usr/lib/wine/wine64 "$root/build/TAV.exe" >/dev/null 2>&1 &)
  win=$(xdotool search --sync --onlyvisible --name '^TAV$' | head -1)
  sleep 1
  xdotool windowfocus --sync "$win"
}
keys() { xdotool key --delay 120 "$@"; sleep 0.6; }
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.8; }

start
shot 1-start
keys ctrl+End; xdotool type --delay 40 'typed on Monday'; keys ctrl+s
grep -q 'typed on Monday' "$nb/Monday.tav" && echo "ok: Ctrl+S wrote Monday.tav"
keys ctrl+Tab; shot 2-next-page
xdotool type --delay 40 'R&D line '; keys ctrl+shift+Tab
grep -q 'R&D line' "$nb/R&D notes.tav" && echo "ok: leaving the page saved R&D notes.tav"
# The tree: click Projects, open it with the Right key and go down to Ideas.
click 62 111; shot 3-projects
keys Right Down; shot 4-ideas
keys ctrl+u; shot 5-move-up
click 400 200; xdotool type --delay 40 'clicked tab '; sleep 0.5
keys F5; shot 6-refresh
grep -q 'clicked tab' "$nb/Projects/Release v1.2.tav" && echo "ok: F5 saved the Projects page"
echo "files now:"; (cd "$nb" && find . -type f | sort)
keys alt+f x; sleep 2
pgrep -f TAV.exe >/dev/null && echo "FAIL: still running after File > Exit" || echo "ok: File > Exit ended TAV"
grep -E 'SavedPath|WorkDir' "$ini"
start
shot 7-restarted
keys alt+f x; sleep 2
