#!/usr/bin/env bash
# TAV on displays scaled to 100 %, 150 % and 200 %: the DPI is the Wine
# prefix's LogPixels, set in copies of the test prefix (the test prefix keeps
# 96). For each, screenshots of the main window (with a chosen font and with
# none, as at a first start), the name dialog, Find in All Pages, History, the
# customize dialog, the About box and the folder chooser of Move Page go to
# build/user-check-dpi/, and what TAV wrote to its settings is checked.
# Needs a built TAV.exe (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/user-check-dpi
rm -rf "$out"; mkdir -p "$out"
"$root/scripts/wineprefix.sh" "$root/build/wineprefix"
. "$root/scripts/xenv.sh"
trap stop_private_display EXIT
export WINEDEBUG=-all

# A 12-point Courier New (its height -16 at 96 per inch), as a settings file
# holds the 60-byte font record; and the record of a first start, all zero:
# no font chosen, the editor's own default.
font=$(python3 -c '
import struct
record = struct.pack("<5i8B32s", -16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 49, b"Courier New")
print(",".join("%02X" % b for b in record))')
nofont=$(python3 -c 'print(",".join(["00"] * 60))')

shot() {  # shot NAME WINDOW: the window alone, as the screen shows it
  import -window root "$out/screen.png"
  eval "$(xdotool getwindowgeometry --shell "$2")"
  convert "$out/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1.png"
  echo "$1: ${WIDTH}x${HEIGHT}"
}
keys() { xdotool key --delay 120 "$@"; sleep 0.8; }
settings() {  # settings FONT-RECORD: the notebook $nb, the settings file $ini
  printf '[Settings]\r\nWorkDir=%s\r\nSavedPath=%s\r\nFont=%s\r\n[Window]\r\nLeft=20\r\nTop=20\r\nRight=620\r\nBottom=440\r\nDpi=96\r\n' \
    "Z:${nb//\//\\}" "Z:${nb//\//\\}\\Work\\Plan.tav" "$1" > "$ini"
}
window_named() { xdotool search --sync --onlyvisible --name "$1" | head -1; }

for dpi in 96 144 192; do
  prefix=$out/prefix-$dpi
  cp -a "$root/build/wineprefix" "$prefix"
  start_private_display
  start_wineserver "$prefix"
  /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f \
    >/dev/null 2>&1
  users=$prefix/drive_c/users/$(ls "$prefix/drive_c/users" | grep -v -i public | head -1)
  ini=$users/AppData/Roaming/TAV/TAV.INI
  mkdir -p "$(dirname "$ini")"
  nb=$out/notebook-$dpi
  mkdir -p "$nb/Work/Reports" "$nb/Home" "$nb/Travel"
  printf 'Monday\r\nthe budget meeting at ten\r\nThe quick brown fox jumps over the lazy dog.\r\n' > "$nb/Work/Plan.tav"
  printf 'milk\r\nbudget for food\r\n' > "$nb/Home/List.tav"
  printf 'another page' > "$nb/Work/Notes.tav"
  printf 'budget: 300\r\n' > "$nb/Travel/Trip.tav"
  # The window was closed on a display of 100 %: it comes back as large in
  # proportion to this one.
  settings "$font"

  (cd "$nb" && /usr/lib/wine/wine64 "$root/build/TAV.exe" >/dev/null 2>&1 &)
  win=$(window_named '^TAV$')
  sleep 2
  xdotool windowfocus --sync "$win"
  shot "main-$dpi" "$win"
  keys ctrl+n
  shot "name-$dpi" "$(window_named '^New Page$')"
  keys Escape
  keys ctrl+shift+f; xdotool type --delay 40 'budget'; keys Return; sleep 2
  shot "find-all-$dpi" "$(window_named '^Find in All Pages$')"
  keys Escape
  xdotool windowfocus --sync "$win"
  keys alt+o c; sleep 1
  shot "customize-$dpi" "$(window_named '^Customize Toolbar$')"
  keys Escape
  xdotool windowfocus --sync "$win"
  keys alt+h a
  shot "about-$dpi" "$(window_named '^About TAV$')"
  keys Escape
  xdotool windowfocus --sync "$win"
  keys ctrl+shift+m
  shot "move-$dpi" "$(window_named '^Move Page$')"
  keys Escape
  # A save keeps the text it replaces: History has a version to show.
  keys ctrl+End; xdotool type --delay 40 ' noted'; keys ctrl+s
  keys ctrl+shift+h; sleep 1
  shot "history-$dpi" "$(window_named '^History$')"
  keys Escape
  xdotool windowfocus --sync "$win"
  keys alt+f x; sleep 2
  tr -d '\r' < "$ini" | grep -q "^Dpi=$dpi$" && echo "ok ($dpi): the window's place was stored for $dpi per inch"
  tr -d '\r' < "$ini" | grep -q "^Font=$font$" && echo "ok ($dpi): the font record was kept as it was"

  # No font chosen: the editor's own default, as large in points as at 100 %.
  settings "$nofont"
  (cd "$nb" && /usr/lib/wine/wine64 "$root/build/TAV.exe" >/dev/null 2>&1 &)
  win=$(window_named '^TAV$')
  sleep 2
  xdotool windowfocus --sync "$win"
  shot "main-default-font-$dpi" "$win"
  keys alt+f x; sleep 2
  tr -d '\r' < "$ini" | grep -q "^Font=$nofont$" && echo "ok ($dpi): no font is chosen still"
  stop_private_display
done
rm -f "$out/screen.png"
echo "screenshots in $out"
