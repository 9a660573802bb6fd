#!/usr/bin/env bash
# Drives the built TAV.exe as a user would, with keys and clicks on a private
# X display, in a notebook made here; checks what it wrote to disk and leaves
# screenshots in build/user-check/. Needs a built TAV.exe (scripts/build.sh).
# "user-check.sh questions" runs only the check of questions and Find in All
# Pages, "user-check.sh moves" only the check of moves, "user-check.sh live"
# only the check of changes made by other programs, "user-check.sh outside"
# only the check of folders and pages renamed, rewritten and moved away
# elsewhere while shown, "user-check.sh hold" only
# the check that a label edit holds the tree still, "user-check.sh dark" only
# the check of the dark look (Windows' app mode switched both ways while a
# page with unsaved text is shown, the dialogs, the Options choice kept), "user-check.sh deletes" only the check that
# deleted pages and folders are in the Recycle Bin and come back with Undo
# Delete, "user-check.sh history" only the check of the pages' history and
# Deleted Pages, "user-check.sh index" only the check of the search index on
# a notebook of 20,000 pages.
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
# TAV keeps its settings in the user's application data folder.
users=$WINEPREFIX/drive_c/users/$(ls "$WINEPREFIX/drive_c/users" | grep -v -i public | head -1)
ini=$users/AppData/Roaming/TAV/TAV.INI
mkdir -p "$(dirname "$ini")"
rm -f "$ini" "$WINEPREFIX/drive_c/windows/TAV.INI"
rm -rf "$users/AppData/Local/TAV"
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
# Another window of TAV's, by its title; clicks in it land where Wine has it
# (a window moved by the X server alone would be clicked in the wrong place).
window_named() { xdotool search --sync --onlyvisible --name "$1" | head -1; }
click_in() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.8; }
# A fresh notebook in $nb with the window placed as always.
new_notebook() {
  rm -rf "$nb"; mkdir -p "$nb"
  printf '[Settings]\r\nWorkDir=%s\r\n[Window]\r\nLeft=40\r\nTop=30\r\nRight=940\r\nBottom=650\r\n' \
    "Z:${nb//\//\\}" > "$ini"
}

# While the main window asks a question, a row double-clicked in Find in All
# Pages changes neither folder nor page: the delete, the rename and the
# changed-page question of a save act on the page they named (One\B, then
# One\A), never on Two\Y, which the row shows. Afterwards the row opens.
questions_check() {
  new_notebook
  mkdir -p "$nb/One" "$nb/Two"
  printf 'page A' > "$nb/One/A.tav"; printf 'page B' > "$nb/One/B.tav"
  printf 'x' > "$nb/Two/X.tav"; printf 'needle' > "$nb/Two/Y.tav"
  printf '[Settings]\r\nWorkDir=%s\r\nSavedPath=%s\\One\\B.tav\r\n[Window]\r\nLeft=40\r\nTop=30\r\nRight=940\r\nBottom=650\r\n' \
    "Z:${nb//\//\\}" "Z:${nb//\//\\}" > "$ini"
  start
  keys ctrl+shift+f; xdotool type --delay 40 'needle'; keys Return; sleep 2
  local dialog; dialog=$(window_named '^Find in All Pages$')
  # Below the main window: Wine raises an owner clicked above the windows it
  # owns, where Windows keeps them on top.
  xdotool mousemove --window "$dialog" 150 10 mousedown 1 mousemove 770 665 mouseup 1; sleep 0.5
  open_row() { xdotool mousemove --window "$dialog" 100 122 click --repeat 2 --delay 80 1; sleep 1.5; }
  answer() { click_in "$1" 20 8; shift; keys "$@"; sleep 2; }
  click 400 400; keys alt+p d
  open_row; shot 15-row-while-delete-asks
  answer "$(window_named '^Confirm page delete$')" y
  [ ! -e "$nb/One/B.tav" ] && [ "$(cat "$nb/Two/Y.tav")" = needle ] &&
    echo "ok: Delete page 'B'? deleted One\\B, whatever row was opened meanwhile"
  click 400 400; keys alt+p r
  open_row; shot 16-row-while-rename-asks
  answer "$(window_named '^Rename Page$')" End BackSpace C Return
  [ -f "$nb/One/C.tav" ] && [ ! -e "$nb/One/A.tav" ] && [ "$(ls "$nb/Two")" = "$(printf 'X.tav\nY.tav')" ] &&
    echo "ok: Rename Page renamed One\\A, whatever row was opened meanwhile"
  click 400 400; keys ctrl+End; xdotool type --delay 40 ' mine'; sleep 0.5
  printf 'changed elsewhere' > "$nb/One/C.tav"
  keys ctrl+s
  open_row; shot 17-row-while-save-asks
  answer "$(window_named '^Confirm page overwrite$')" y
  [ "$(cat "$nb/One/C.tav")" = 'page A mine' ] &&
    [ "$(cat "$nb/One/C (other version).txt")" = 'changed elsewhere' ] &&
    [ "$(ls "$nb/Two")" = "$(printf 'X.tav\nY.tav')" ] &&
    echo "ok: the changed-page question saved into One\\C, whatever row was opened meanwhile"
  open_row; keys End; xdotool type --delay 40 ' found'; keys ctrl+s
  shot 18-row-opened-after
  [ "$(cat "$nb/Two/Y.tav")" = 'needle found' ] && echo "ok: with no question asked, the row opens Two\\Y"
  keys alt+f x; sleep 2
}
# 100 folders of 100 folders, each with two pages of the texts given, and
# one page holding "needle" in a branch far down.
make_big_notebook() {
  for t in $(seq -f '%03g' 0 99); do
    for s in $(seq -f '%02g' 0 99); do
      mkdir -p "$nb/Top $t/sub-$s"
      printf '%s' "$1" > "$nb/Top $t/sub-$s/Page 1.tav"
      printf '%s' "$2" > "$nb/Top $t/sub-$s/Page 2.tav"
    done
  done
  printf 'the needle is here' > "$nb/Top 077/sub-33/Page 2.tav"
}
# A notebook of 10,100 folders and 20,000 pages, the page shown last two
# levels down: the window and that page come at once; a folder opened late
# lists its subfolders at once, and the folder commands work in it; a row of
# Find in All Pages opens a page in a branch never opened.
big_notebook_check() {
  new_notebook
  make_big_notebook 'a page' 'another page'
  printf '[Settings]\r\nWorkDir=%s\r\nSavedPath=%s\\Top 050\\sub-50\\Page 1.tav\r\n[Window]\r\nLeft=40\r\nTop=30\r\nRight=940\r\nBottom=650\r\n' \
    "Z:${nb//\//\\}" "Z:${nb//\//\\}" > "$ini"
  start
  shot 19-big-notebook
  # F6 to the tree: up to Top 050, close it, down to Top 051 and open it.
  keys F6; keys Left Left Down Right; shot 20-opened-late
  keys Down; shot 21-first-subfolder
  keys alt+t a; xdotool type --delay 40 'Late'; keys Return; sleep 1
  [ -d "$nb/Top 051/sub-00/Late" ] && echo "ok: Add subfolder made Top 051/sub-00/Late"
  keys alt+t r; xdotool type --delay 40 'Renamed'; keys Return; sleep 1
  [ -d "$nb/Top 051/Renamed/Late" ] && echo "ok: Rename made sub-00 Renamed"
  shot 22-renamed
  keys alt+t e; sleep 4
  local shell; shell=$(xdotool search --onlyvisible --name '^Renamed$' | head -1 || true)
  if [ -n "$shell" ]; then
    echo "ok: Explore showed a window of the folder"; shot 23-explored
    xdotool windowfocus --sync "$shell"; keys alt+F4
  fi
  click 300 12   # TAV's caption: TAV is the active window again
  keys alt+t d; keys alt+y; sleep 1
  [ ! -e "$nb/Top 051/Renamed" ] && echo "ok: Delete removed Renamed with its pages and subfolder"
  shot 24-deleted
  keys ctrl+shift+f; xdotool type --delay 40 'needle'; keys Return; sleep 90
  shot 25-needle-found
  local dialog; dialog=$(window_named '^Find in All Pages$')
  click_in "$dialog" 100 118   # the only row
  keys Return
  shot 26-needle-opened
  keys alt+f x; sleep 2
  if grep -q 'SavedPath=.*Top 077\\sub-33\\Page 2.tav' "$ini"; then
    echo "ok: the found page was shown last"
  else
    echo "FAIL: the found page was not shown"
  fi
}
# The search index on the notebook of 20,000 pages: built after start-up,
# a search answered from it at once; a page changed while TAV was closed and
# one changed while it runs found as they are now, their old text not found;
# the index deleted, and then garbage in its place: the same row, only
# slower, and the damaged one set aside as .bad.
index_check() {
  new_notebook
  make_big_notebook 'a page about the weather' 'another page about lunch'
  local index=$users/AppData/Local/TAV/Index
  # The row found is the page shown when TAV exits.
  found_row() {
    local dialog; dialog=$(window_named '^Find in All Pages$')
    click_in "$dialog" 100 118   # the only row
    keys Return; keys alt+f x; sleep 3
    if grep -q "SavedPath=.*$1" "$ini"; then echo "ok: $2"; else echo "FAIL: $2"; fi
  }
  search_needle() {
    keys ctrl+shift+f; xdotool type --delay 40 'needle'
    keys Return; sleep "$1"; shot "$2"
  }
  start
  # The index is built in the idle step's slices; it is done once its file
  # stops growing.
  local last=-1 size=0 waited=0
  while [ "$waited" -lt 240 ]; do
    sleep 5; waited=$((waited + 5))
    size=$(du -sb "$index" 2>/dev/null | cut -f1 || true); size=${size:-0}
    [ "$size" = "$last" ] && break
    last=$size
  done
  echo "ok: the index was built in about $waited s ($size bytes)"
  # The walk through the 10,100 folders takes most of it: reading every
  # page as well takes about 7 s here.
  search_needle 4 index-1-search
  found_row 'Top 077\\sub-33\\Page 2.tav' "a search from the index had ended, its row shown, within 4 s"
  # Changed while TAV was closed: found at once after the start.
  printf 'only hay here' > "$nb/Top 077/sub-33/Page 2.tav"
  printf 'a needle moved here' > "$nb/Top 012/sub-04/Page 1.tav"
  start
  search_needle 8 index-2-changed-while-closed
  found_row 'Top 012\\sub-04\\Page 1.tav' "the page changed while TAV was closed was found as it is now, the old text not"
  # Changed while TAV runs.
  start; sleep 5
  printf 'hay again' > "$nb/Top 012/sub-04/Page 1.tav"
  printf 'the last needle' > "$nb/Top 099/sub-99/Page 2.tav"
  search_needle 8 index-3-changed-while-running
  found_row 'Top 099\\sub-99\\Page 2.tav' "the page changed while TAV ran was found as it is now, the old text not"
  # No index, then garbage in its place: the same row, read from the pages.
  rm -rf "$index"
  start
  search_needle 20 index-4-no-index
  found_row 'Top 099\\sub-99\\Page 2.tav' "with the index deleted the same row was found"
  local db; db=$(ls "$index"/*.db 2>/dev/null | head -1)
  if [ -z "$db" ]; then echo "FAIL: no index was made again"; return; fi
  head -c 100000 /dev/urandom > "$db"
  start
  search_needle 20 index-5-garbage
  found_row 'Top 099\\sub-99\\Page 2.tav' "with garbage for an index the same row was found"
  [ -f "$db.bad" ] && echo "ok: the damaged index was set aside as .bad"
}
# The notebook changed by other programs while TAV shows it: folders made
# at the top and inside a folder made meanwhile appear; a page made, renamed
# and deleted in the folder shown changes the tabs; the page shown rewritten
# elsewhere shows the new text with the caret kept, or, with unsaved text,
# keeps both and asks only at the save; temporary files and TAV's own saves
# change nothing.
live_check() {
  new_notebook
  mkdir -p "$nb/Projects"
  printf 'first line\r\nsecond line\r\nthird line' > "$nb/Start.tav"
  printf 'notes' > "$nb/Notes.tav"
  printf '[Settings]\r\nWorkDir=%s\r\nSavedPath=%s\\Start.tav\r\n[Window]\r\nLeft=40\r\nTop=30\r\nRight=940\r\nBottom=650\r\n' \
    "Z:${nb//\//\\}" "Z:${nb//\//\\}" > "$ini"
  start
  mkdir "$nb/Made Top"; sleep 0.5; mkdir "$nb/Made Top/Inside"; sleep 1
  keys F6; keys Down Right; shot 39-folders-made-elsewhere
  keys Home; click 400 300; keys ctrl+Tab
  printf 'added' > "$nb/Added.tav"; sleep 1; shot 40-page-made-elsewhere
  mv "$nb/Added.tav" "$nb/Renamed.tav"; sleep 1; shot 41-page-renamed-elsewhere
  rm "$nb/Renamed.tav"; sleep 1; shot 42-page-deleted-elsewhere
  printf 'x' > "$nb/~\$Start.tav"; printf 'x' > "$nb/Start.tmp"; printf 'x' > "$nb/Start.tav~"
  printf 'x' > "$nb/Start.tav.bak"; sleep 1; shot 43-temporary-files
  rm -f "$nb/~\$Start.tav" "$nb/Start.tmp" "$nb/Start.tav~" "$nb/Start.tav.bak"
  # The caret at the start of the second line; the page rewritten elsewhere.
  click 400 300; keys ctrl+Home Down
  printf 'first line\r\nsecond line, changed elsewhere\r\nthird line' > "$nb/Start.tav"; sleep 1
  shot 44-reloaded; xdotool type --delay 40 '#'; keys ctrl+s
  [ "$(sed -n 2p "$nb/Start.tav" | tr -d '\r')" = '#second line, changed elsewhere' ] &&
    echo "ok: the page rewritten elsewhere was read again, the caret kept on its line"
  # TAV's own save: no reload, no question at the next save.
  xdotool type --delay 40 '!'; keys ctrl+s; sleep 1; xdotool type --delay 40 '?'; keys ctrl+s
  [ -z "$(xdotool search --onlyvisible --name '^Confirm page overwrite$' 2>/dev/null)" ] &&
    [ "$(sed -n 2p "$nb/Start.tav" | tr -d '\r')" = '#!?second line, changed elsewhere' ] &&
    echo "ok: TAV's own saves caused no reload and no question"
  # Unsaved text, then the page rewritten elsewhere: both kept, asked at the save.
  keys End; xdotool type --delay 40 ' mine'; sleep 0.5
  printf 'theirs' > "$nb/Start.tav"; sleep 1.5
  shot 45-changed-while-unsaved
  xdotool type --delay 40 ' more'
  keys ctrl+s; sleep 1; shot 46-asked-at-the-save
  answer_window=$(window_named '^Confirm page overwrite$')
  click_in "$answer_window" 20 8; keys y; sleep 1
  grep -q 'changed elsewhere mine more' "$nb/Start.tav" && [ "$(cat "$nb/Start (other version).txt")" = theirs ] &&
    echo "ok: typing went on while the page changed elsewhere; the save asked and kept both texts"
  keys alt+f x; sleep 2
}
# Folders and pages another program renames, rewrites and moves away while
# TAV shows them: a page renamed and rewritten at once shows its new text; a
# folder shown renamed elsewhere is still followed inside; a folder shown
# moved out of the notebook with unsaved text is said to be gone and its
# text written back when it is left; Undo Move leaves a page another program
# wrote in the moved one's place.
outside_check() {
  new_notebook
  mkdir -p "$nb/Sub" "$nb/Other"
  printf 'a text' > "$nb/Sub/A.tav"; printf 'b text' > "$nb/Sub/B.tav"; printf 'top' > "$nb/Top.tav"
  printf '[Settings]\r\nWorkDir=%s\r\nSavedPath=%s\\Sub\\A.tav\r\n[Window]\r\nLeft=40\r\nTop=30\r\nRight=940\r\nBottom=650\r\n' \
    "Z:${nb//\//\\}" "Z:${nb//\//\\}" > "$ini"
  start
  mv "$nb/Sub/A.tav" "$nb/Sub/Renamed.tav"; printf 'renamed and rewritten' > "$nb/Sub/Renamed.tav"
  sleep 1.5; shot 47-renamed-and-rewritten-elsewhere
  click 400 300; keys ctrl+Home; xdotool type --delay 40 '#'; keys ctrl+s
  [ "$(cat "$nb/Sub/Renamed.tav")" = '#renamed and rewritten' ] &&
    echo "ok: a page renamed and rewritten at once showed its new text under its new name"
  mv "$nb/Sub" "$nb/Sub2"; sleep 1.5
  printf 'rewritten in Sub2' > "$nb/Sub2/Renamed.tav"; sleep 1.5
  printf 'new page' > "$nb/Sub2/New.tav"; sleep 1.5
  shot 48-inside-the-folder-renamed-elsewhere
  keys ctrl+Home; xdotool type --delay 40 '@'; keys ctrl+s
  [ "$(cat "$nb/Sub2/Renamed.tav")" = '@rewritten in Sub2' ] &&
    echo "ok: the folder shown renamed elsewhere was still followed: its page rewritten there was read again"
  keys ctrl+End; xdotool type --delay 40 ' unsaved'; sleep 0.5
  rm -rf "$out/moved-away"; mv "$nb/Sub2" "$out/moved-away"; sleep 1.5
  shot 49-folder-shown-moved-away
  xdotool search --onlyvisible --name "was deleted by another program" >/dev/null &&
    echo "ok: the title said the page's folder was gone"
  xdotool mousemove 100 109 click 1; sleep 1  # the work folder's node
  [ "$(cat "$nb/Sub2/Renamed.tav")" = '@rewritten in Sub2 unsaved' ] &&
    [ "$(cat "$out/moved-away/Renamed.tav")" = '@rewritten in Sub2' ] &&
    echo "ok: leaving the page wrote its text back to its name, its folder made again"
  shot 50-written-back
  keys ctrl+shift+m; keys Home Down Return; sleep 1
  [ -f "$nb/Other/Top.tav" ] || echo "FAIL: Top was not moved to Other"
  rm "$nb/Other/Top.tav"; printf 'top' > "$nb/Other/Top.tav"; sleep 1.5
  keys alt+t u; shot 51-undo-move-leaves-the-stranger; keys Return
  [ ! -e "$nb/Top.tav" ] && [ "$(cat "$nb/Other/Top.tav")" = top ] &&
    echo "ok: Undo Move left the page another program wrote in the moved one's place"
  keys alt+f x; sleep 2
}
# Moving pages and folders with the mouse and the keyboard. Screen places are
# those of the window at 40, 30: tree rows every 16 pixels from y 125, the
# tabs at y 110.
moves_check() {
  new_notebook
  mkdir -p "$nb/Inbox" "$nb/Projects/Alpha/Drafts" "$nb/Projects/Beta" "$nb/Archive"
  printf 'plan text' > "$nb/Inbox/Plan.tav"; printf 'other' > "$nb/Inbox/Other.tav"
  printf 'alpha page' > "$nb/Projects/Alpha/a.tav"; printf 'draft' > "$nb/Projects/Alpha/Drafts/d.tav"
  printf 'old plan' > "$nb/Archive/Plan.tav"
  printf '[Settings]\r\nWorkDir=%s\r\nSavedPath=%s\\Inbox\\Plan.tav\r\n[Window]\r\nLeft=40\r\nTop=30\r\nRight=940\r\nBottom=650\r\n' \
    "Z:${nb//\//\\}" "Z:${nb//\//\\}" > "$ini"
  start
  drag() {  # drag X Y to X Y, through a few steps, then the last command given
    xdotool mousemove "$1" "$2" mousedown 1; sleep 0.3
    for step in 1 2 3 4; do
      xdotool mousemove $(($1 + ($3 - $1) * step / 4)) $(($2 + ($4 - $2) * step / 4)); sleep 0.15
    done
    sleep 0.3
  }
  xdotool mousemove 500 300 click 1; keys ctrl+End; xdotool type --delay 40 ' typed'
  drag 419 110 101 157; shot 31-tab-dragged-onto-projects; xdotool mouseup 1; sleep 1
  [ "$(cat "$nb/Projects/Plan.tav")" = 'plan text typed' ] && [ ! -e "$nb/Inbox/Plan.tav" ] &&
    echo "ok: the tab Plan dragged onto Projects moved the page, saved"
  shot 32-page-shown-in-projects
  drag 116 173 101 125; xdotool mouseup 1; sleep 1
  [ -f "$nb/Archive/Alpha/Drafts/d.tav" ] && [ -f "$nb/Archive/Alpha/a.tav" ] &&
    echo "ok: Alpha dragged below Archive moved with its pages and subfolders"
  shot 33-folder-moved
  drag 112 189 95 157; keys Escape; xdotool mouseup 1; sleep 1
  [ -d "$nb/Projects/Beta" ] && [ ! -e "$nb/Inbox/Beta" ] && echo "ok: Escape during a drag changed nothing"
  keys alt+t u; keys alt+t u
  [ -f "$nb/Inbox/Plan.tav" ] && [ -f "$nb/Projects/Alpha/Drafts/d.tav" ] && [ ! -e "$nb/Archive/Alpha" ] &&
    echo "ok: Undo Move twice put both back"
  shot 34-both-back
  keys ctrl+shift+m; shot 35-move-page-dialog; keys Home Down Return
  shot 36-name-taken; xdotool type --delay 40 'Plan 2'; keys Return
  [ "$(cat "$nb/Archive/Plan 2.tav")" = 'plan text typed' ] && [ "$(cat "$nb/Archive/Plan.tav")" = 'old plan' ] &&
    echo "ok: a move onto a taken name asked for another name"
  drag 101 157 112 189; xdotool mouseup 1; sleep 1; shot 37-into-its-own-subfolder; keys Return
  xdotool mousemove 101 157 click 1; sleep 0.5
  keys alt+t m; keys Down Down Down Right Down Return; shot 38-chosen-below-itself; keys Return Escape
  [ -d "$nb/Projects/Alpha" ] && [ -d "$nb/Projects/Beta" ] &&
    echo "ok: a move of a folder into its own subfolder was refused, dragged and chosen"
  keys alt+f x; sleep 2
}
# A page deleted with unsaved text and a folder of pages deleted with Yes are
# in the Recycle Bin (under Wine the freedesktop trash of the user Wine runs
# as) and come back byte-exact with Undo Delete, the page with its text.
deletes_check() {
  new_notebook
  local tag="uc$$" trash="${XDG_DATA_HOME:-$HOME/.local/share}/Trash/files"
  mkdir -p "$nb/Box $tag/Inner"
  printf 'plan\r\nsecond line\r\n' > "$nb/Plan $tag.tav"
  printf '\xff\xfew\x00i\x00d\x00e\x00' > "$nb/Box $tag/Wide.tav"
  printf 'inner\n' > "$nb/Box $tag/Inner/In.tav"
  printf 'start' > "$nb/Start.tav"
  cp -a "$nb" "$out/deletes-before"
  printf '[Settings]\r\nWorkDir=%s\r\nSavedPath=%s\\Plan %s.tav\r\n[Window]\r\nLeft=40\r\nTop=30\r\nRight=940\r\nBottom=650\r\n' \
    "Z:${nb//\//\\}" "Z:${nb//\//\\}" "$tag" > "$ini"
  start
  xdotool mousemove 500 300 click 1; keys ctrl+End; xdotool type --delay 40 'typed'
  # Wine runs the first item of a letter at once ("&Delete Page", "&Delete"),
  # so Undo Delete, which shares it, is reached with the arrows.
  keys alt+p d; shot 61-delete-page-asks; keys y; sleep 1
  [ ! -e "$nb/Plan $tag.tav" ] && cmp -s "$trash/Plan $tag.tav" "$out/deletes-before/Plan $tag.tav" &&
    echo "ok: Delete Page sent the page to the Recycle Bin, as it was saved"
  keys F6 Down; keys alt+t d; shot 63-delete-folder-asks; keys y; sleep 1
  [ ! -e "$nb/Box $tag" ] && diff -r "$trash/Box $tag" "$out/deletes-before/Box $tag" >/dev/null &&
    echo "ok: Delete Folder sent the folder with its pages to the Recycle Bin"
  keys alt+t Down Down Down Down Down Down Down; shot 64-undo-delete-chosen; keys Return; sleep 1
  diff -r "$nb/Box $tag" "$out/deletes-before/Box $tag" >/dev/null &&
    echo "ok: Undo Delete put the folder back byte for byte"
  keys alt+p Down Down Down Down Return; sleep 1; shot 65-page-back-with-its-text; keys Return
  cmp -s "$nb/Plan $tag.tav" "$out/deletes-before/Plan $tag.tav" && echo "ok: the page came back as saved"
  keys ctrl+s
  [ "$(cat "$nb/Plan $tag.tav")" = "$(printf 'plan\r\nsecond line\r\ntyped')" ] &&
    echo "ok: its unsaved text came back with it, and saves"
  shot 66-after-undo
  keys alt+f x; sleep 2
  rm -rf "$trash/Plan $tag.tav" "$trash/Box $tag" "$trash/../info/Plan $tag.tav.trashinfo" "$trash/../info/Box $tag.trashinfo"
}
# While a folder's name is edited the tree holds still: a folder removed by
# another program meanwhile stays shown until the edit ends, then goes.
hold_check() {
  new_notebook
  mkdir -p "$nb/Alpha" "$nb/Beta" "$nb/Gamma"
  printf 'start' > "$nb/Start.tav"
  start
  keys F6 Down; keys alt+t r; sleep 0.5
  rm -r "$nb/Beta"; sleep 1.5; shot 60-edit-holds-the-tree
  keys Escape; sleep 1.5; shot 61-taken-up-after-the-edit
  keys alt+f x; sleep 2
}
# The dark look. Windows' app mode is set in the registry and announced as
# Windows announces it (bench/setting_change); the panes' pixels are read
# from screenshots: the editor, tree, tab strip, toolbar and splitter bar,
# for the window placed at 40,30 as always.
personalize='HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize'
app_mode() {
  /usr/lib/wine/wine64 reg add "$personalize" /v AppsUseLightTheme /t REG_DWORD /d "$1" /f \
    >/dev/null 2>&1
}
announce_app_mode() { /usr/lib/wine/wine64 "$root/build/bench/tav_setting_change.exe"; }
pixel() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}
# Dark: the three channels together below 240 (the dark look's surfaces are
# 30 to 58 each); light: above 600.
pane_sum() { local r g b; read -r r g b < <(pixel "$1" "$2" "$3"); echo $((r + g + b)); }
panes_are() {
  local look=$1 file=$2 fault=0 name x y sum
  while read -r name x y; do
    sum=$(pane_sum "$file" "$x" "$y")
    if [ "$look" = dark ] && [ "$sum" -ge 240 ]; then echo "FAIL: $name not dark ($sum)"; fault=1; fi
    if [ "$look" = light ] && [ "$sum" -le 600 ]; then echo "FAIL: $name not light ($sum)"; fault=1; fi
  done <<'PANES'
editor 630 420
tree 180 420
tabs 630 108
toolbar 630 84
splitter 335 420
PANES
  [ $fault = 0 ] && echo "ok: editor, tree, tabs, toolbar and splitter $look ($file)"
}
# Waits until the editor's pixel is dark or light; prints the milliseconds.
wait_for_editor() {
  local look=$1 begin now sum
  begin=$(date +%s%N)
  for _ in $(seq 1 40); do
    import -window root "$out/probe.png"
    sum=$(pane_sum "$out/probe.png" 630 420)
    if { [ "$look" = dark ] && [ "$sum" -lt 240 ]; } || { [ "$look" = light ] && [ "$sum" -gt 600 ]; }; then
      now=$(date +%s%N); echo $(((now - begin) / 1000000)); return 0
    fi
    sleep 0.05
  done
  echo 99999
}
dark_check() {
  [ -e "$root/build/bench/tav_setting_change.exe" ] ||
    "$root/scripts/build.sh" --target tav_setting_change >/dev/null
  new_notebook
  mkdir -p "$nb/Projects/Ideas" "$nb/Journal"
  printf 'Plans for the week\r\n- call the printer\r\n' > "$nb/Monday.tav"
  printf 'Second page' > "$nb/R&D notes.tav"
  printf 'v1.2 ideas\r\n' > "$nb/Projects/Release v1.2.tav"
  app_mode 1
  start
  shot dark-01-light; panes_are light "$out/dark-01-light.png"
  keys ctrl+End; xdotool type --delay 40 'typed while light'
  app_mode 0; announce_app_mode
  ms=$(wait_for_editor dark)
  [ "$ms" -lt 2000 ] && echo "ok: switched to dark within 2 s (${ms} ms after the announcement ended)"
  sleep 0.5; shot dark-02-dark; panes_are dark "$out/dark-02-dark.png"
  convert "$out/dark-02-dark.png" -crop 900x620+40+30 +repage "$out/screenshot-dark.png"
  # The toolbar's pictures stand out on the dark toolbar: light pixels there.
  bright=$(convert "$out/dark-02-dark.png" -crop 330x18+45+75 +repage -colorspace gray \
             -threshold 55% -format '%[fx:int(w*h*mean)]' info:)
  [ "$bright" -gt 150 ] && echo "ok: $bright light pixels of pictures on the dark toolbar"
  keys ctrl+n; shot dark-03-name-dialog; keys Escape
  keys ctrl+shift+f; xdotool type --delay 40 'page'; keys Return; sleep 1.5
  shot dark-04-find-all; keys Escape
  keys ctrl+o; sleep 1; shot dark-05-open-page; keys Escape
  keys ctrl+shift+m; sleep 1; shot dark-06-folder-chooser; keys Escape
  keys alt+f w; sleep 1.5; shot dark-07-work-folder-browser; keys Escape
  keys alt+h a; sleep 1; shot dark-08-about; keys Escape
  keys ctrl+f; sleep 1; shot dark-09-find; keys Escape
  keys alt+o c; sleep 1.5; shot dark-09-customize-toolbar
  xdotool key --window "$(window_named '^Customize Toolbar$')" Escape; sleep 1
  app_mode 1; announce_app_mode
  ms=$(wait_for_editor light)
  [ "$ms" -lt 2000 ] && echo "ok: switched back to light within 2 s (${ms} ms)"
  sleep 0.5; shot dark-10-light-again; panes_are light "$out/dark-10-light-again.png"
  keys ctrl+s
  [ "$(cat "$nb/Monday.tav")" = "$(printf 'Plans for the week\r\n- call the printer\r\ntyped while light')" ] &&
    echo "ok: the unsaved text typed before both switches was saved whole"
  # Options > App theme > Dark, on a light Windows, kept across a restart.
  keys alt+o t d; sleep 1; shot dark-11-dark-chosen; panes_are dark "$out/dark-11-dark-chosen.png"
  # The save above kept the page's first text: History shows it, dark.
  keys ctrl+shift+h; sleep 1; shot dark-11-history
  click_in "$(window_named '^History$')" 495 377; sleep 1
  keys alt+f x; sleep 2
  grep -q '^Theme=2' "$ini" && echo "ok: TAV.INI keeps Theme=2"
  start; sleep 1; shot dark-12-restarted-dark; panes_are dark "$out/dark-12-restarted-dark.png"
  keys alt+o t u; sleep 1
  shot dark-13-system-again; panes_are light "$out/dark-13-system-again.png"
  keys alt+f x; sleep 2
  grep -q '^Theme=0' "$ini" && echo "ok: TAV.INI keeps Theme=0"
}

# Every page's history: a page rewritten twice by another program lists
# both texts it replaced, and Restore plus a save brings the first back; the
# history survives Rename Page and a restart; a page deleted in an earlier
# run comes back from Deleted Pages; a damaged and hostile store changes
# nothing else.
history_check() {
  new_notebook
  printf 'first text\r\nkept line\r\n' > "$nb/Start.tav"
  printf 'other text\r\n' > "$nb/Other.tav"
  printf '[Settings]\r\nWorkDir=%s\r\nSavedPath=%s\\Start.tav\r\n[Window]\r\nLeft=40\r\nTop=30\r\nRight=940\r\nBottom=650\r\n' \
    "Z:${nb//\//\\}" "Z:${nb//\//\\}" > "$ini"
  local store=$users/AppData/Local/TAV/History
  start
  printf 'second text\r\nkept line\r\n' > "$nb/Start.tav"; sleep 1.5
  printf 'third text\r\nkept line\r\n' > "$nb/Start.tav"; sleep 1.5
  click 400 300; keys ctrl+shift+h; sleep 1
  local dialog; dialog=$(window_named '^History$')
  shot 70-history-newest; keys Down; sleep 1; shot 71-history-first-chosen
  keys alt+r; sleep 1; keys ctrl+s; sleep 1
  [ "$(cat "$nb/Start.tav")" = "$(printf 'first text\r\nkept line\r\n')" ] &&
    echo "ok: the page rewritten twice elsewhere listed both texts; Restore and a save brought the first back"
  keys alt+p r; sleep 1; xdotool type --delay 40 'Renamed'; keys Return; sleep 1
  click 400 40; keys ctrl+Tab; sleep 0.5
  keys alt+p d; sleep 1; click_in "$(window_named '^Confirm page delete$')" 20 8; keys y; sleep 1
  [ ! -e "$nb/Other.tav" ] && echo "ok: Other deleted"
  keys alt+f x; sleep 2
  start
  click 400 300; keys ctrl+shift+h; sleep 1; shot 72-history-after-restart-and-rename
  keys Escape; sleep 0.5
  grep -lq 'Page=Renamed.tav' "$store"/*/*/page.txt &&
    [ "$(ls "$(dirname "$(grep -l 'Page=Renamed.tav' "$store"/*/*/page.txt)")" | grep -c '\.ver$')" -ge 3 ] &&
    echo "ok: the history followed Rename Page and survived the restart"
  keys alt+p Down Down Down Down Down Down Down Return; sleep 1; shot 73-deleted-pages
  keys alt+r; sleep 1.5; shot 74-deleted-page-restored
  [ "$(cat "$nb/Other.tav")" = "$(printf 'other text\r\n')" ] &&
    echo "ok: a page deleted in an earlier run came back from Deleted Pages"
  keys alt+f x; sleep 2
  # The store damaged and written by someone else: an index of garbage, one
  # naming a page outside the notebook, a file where a version would be.
  local entry; entry=$(dirname "$(grep -l 'Page=Renamed.tav' "$store"/*/*/page.txt)")
  printf '\x00\xff garbage' > "$entry/page.txt"
  local hostile; hostile=$(dirname "$entry")/d-0123456789abcdef-0123456789abcdef
  mkdir -p "$hostile"
  printf 'TAV page history 1\r\nPage=..\\..\\escaped.tav\r\nDeleted=134097984000000000\r\n' > "$hostile/page.txt"
  printf 'x' > "$hostile/20251210-120000-000-deleted-0000000000000001.ver"
  local before; before=$(cd "$nb" && find . -type f | sort | xargs md5sum)
  start
  keys alt+p Down Down Down Down Down Down Down Return; sleep 1; shot 75-damaged-store
  keys Escape Escape; sleep 0.5
  [ "$before" = "$(cd "$nb" && find . -type f | sort | xargs md5sum)" ] &&
    [ -z "$(find "$out" "$WINEPREFIX/drive_c" -name 'escaped.tav' 2>/dev/null)" ] &&
    echo "ok: a damaged store changed nothing else and named no place outside the notebook"
  keys alt+f x; sleep 2
}
if [ "${1:-}" = history ]; then history_check; exit 0; fi
if [ "${1:-}" = dark ]; then dark_check; exit 0; fi
if [ "${1:-}" = deletes ]; then deletes_check; exit 0; fi
if [ "${1:-}" = hold ]; then hold_check; exit 0; fi
if [ "${1:-}" = live ]; then live_check; exit 0; fi
if [ "${1:-}" = outside ]; then outside_check; exit 0; fi
if [ "${1:-}" = questions ]; then questions_check; exit 0; fi
if [ "${1:-}" = moves ]; then moves_check; exit 0; fi
if [ "${1:-}" = big ]; then big_notebook_check; exit 0; fi
if [ "${1:-}" = index ]; then index_check; exit 0; fi

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

# Deleting a folder never deletes what a link inside it leads to.
new_notebook
mkdir -p "$nb/A" "$nb/B"
printf 'b page' > "$nb/B/b.tav"; printf 'c page' > "$nb/B/c.tav"
ln -s ../B "$nb/A/L"
start
click 46 95; keys alt+t d; keys alt+y; shot 8-link-not-removed; keys Return
[ -f "$nb/B/b.tav" ] && [ -f "$nb/B/c.tav" ] && echo "ok: the folder a deleted link led to kept its pages"
# Ctrl+Z in the folder's label edit undoes the label, not the page.
click 46 111; click 400 200; keys ctrl+End; xdotool type --delay 40 ' world'
keys alt+t r; xdotool type --delay 40 'Renamed'; keys ctrl+z ctrl+d; shot 9-label-undone; keys Escape
keys ctrl+s
[ "$(cat "$nb/B/b.tav")" = "b page world" ] && [ -d "$nb/B" ] && echo "ok: Ctrl+Z and Ctrl+D in the label edit left the page alone"
# Export takes the selection as Find Next left it while the save dialog was open.
click 400 200; keys ctrl+Home shift+Right
keys ctrl+f; xdotool type --delay 40 'world'
find=$(window_named '^Find$')
xdotool mousemove --window "$find" 150 10 mousedown 1 mousemove 1000 720 mouseup 1; sleep 0.5
click 17 32; keys e
click_in "$find" 364 41
click_in "$(window_named '^Select The Export File$')" 210 195
xdotool type --delay 20 "Z:${out//\//\\}\\export.txt"; keys Return
[ "$(cat "$out/export.txt")" = "world" ] && echo "ok: Export wrote the selection Find Next made while its dialog was open"
click_in "$find" 364 68
keys alt+f x; sleep 2

# Pages in every encoding keep every byte with an edit, and names outside
# the old code pages open, save, rename and delete: once in the system code
# page 1252, once in 932 (Wine takes it from the locale).
encodings_check() {
  local cp=$1
  new_notebook
  mkdir -p "$nb/Ωmega" "$nb/📚 Reading"
  printf '\xEF\xBB\xBFcafé 日本 — naïve' > "$nb/a-utf8bom.tav"
  printf 'Grüße\naus München\n' > "$nb/b-utf8.tav"
  printf '\xFF\xFEa\x00\r\x00\n\x00\x3D\xD8\x00\xDE' > "$nb/c-utf16.tav"
  if [ "$cp" = 932 ]; then printf '\x82\xa0\x81\x81\r\n\x83\x41' > "$nb/d-legacy.tav"
  else printf 'caf\xe9\r\n\x80' > "$nb/d-legacy.tav"; fi
  printf 'page in omega' > "$nb/Ωmega/日本.tav"; printf 'reading list' > "$nb/📚 Reading/x.tav"
  mkdir -p "$out/originals-$cp"; cp "$nb"/*.tav "$out/originals-$cp/"
  if [ "$cp" = 932 ]; then LC_ALL=ja_JP.UTF-8 start; else start; fi
  click 400 300
  for _ in 1 2 3 4; do keys ctrl+End; xdotool type '!'; sleep 0.3; keys ctrl+Tab; done
  shot "10-encodings-$cp"
  for f in a-utf8bom b-utf8 c-utf16 d-legacy; do
    local added='!'; [ $f = c-utf16 ] && added='!\x00'
    if cmp -s <(cat "$out/originals-$cp/$f.tav"; printf "$added") "$nb/$f.tav"; then
      echo "ok ($cp): $f kept every byte with an edit"
    else echo "FAIL ($cp): $f changed"; fi
  done
  click 60 95; click 400 300; keys ctrl+End; xdotool type ' typed'; keys ctrl+s
  [ "$(cat "$nb/Ωmega/日本.tav")" = 'page in omega typed' ] && echo "ok ($cp): the page 日本 in Ωmega opened and saved"
  keys alt+p r; keys End; xdotool type '2'; keys Return
  [ -f "$nb/Ωmega/日本2.tav" ] && echo "ok ($cp): the page renamed 日本2"
  keys alt+p d; keys alt+y
  [ -z "$(ls "$nb/Ωmega")" ] && echo "ok ($cp): the page 日本2 deleted"
  click 60 111; keys alt+t r; keys End; xdotool type ' 2'; keys Return
  [ -f "$nb/📚 Reading 2/x.tav" ] && echo "ok ($cp): the folder 📚 Reading renamed"
  click 60 95; keys alt+t d; keys alt+y
  [ ! -e "$nb/Ωmega" ] && echo "ok ($cp): the folder Ωmega deleted"
  keys alt+f x; sleep 2
}
# Find in All Pages: a word in pages of three folders and in the unsaved
# text of the page shown; Enter on a row shows its page with the match
# selected. F6 moves through the panes, Left and Right on the tabs change pages.
new_notebook
mkdir -p "$nb/Work" "$nb/Home" "$nb/Travel"
printf 'monday\r\nthe budget meeting\r\n' > "$nb/Work/Plan.tav"
printf 'milk\r\nbudget for food\r\n' > "$nb/Home/List.tav"
printf 'another page' > "$nb/Home/Other.tav"
printf 'Gr\xc3\xbc\xc3\x9fe aus M\xc3\xbcnchen\r\nbudget: 300\r\n' > "$nb/Travel/Trip.tav"
printf 'start page' > "$nb/Start.tav"
start
click 400 300; keys ctrl+End; xdotool type --delay 40 ' unsaved budget'
keys ctrl+shift+f; xdotool type --delay 40 'budget'; keys Return; sleep 2
shot 11-find-in-all-pages
dialog=$(window_named '^Find in All Pages$')
click_in "$dialog" 100 133   # the second row: Home, List
keys Return
shot 12-row-opened
[ "$(cat "$nb/Start.tav")" = "start page unsaved budget" ] && echo "ok: the unsaved text was found, and saved when its page was left"
keys F6; keys F6; keys Right; shot 13-f6-and-right
keys alt+f x; sleep 2

encodings_check 1252
encodings_check 932

# A page from Linux with one line from Windows: saved with LF everywhere, and said so.
new_notebook
printf 'one\ntwo\nthree\r\nfour' > "$nb/Mixed.tav"
start
click 400 300; keys ctrl+End; xdotool type '!'; keys ctrl+s; sleep 1
shot 14-line-breaks-made-alike
keys Return
cmp -s <(printf 'one\ntwo\nthree\nfour!') "$nb/Mixed.tav" &&
  echo "ok: a page with mixed line breaks saved with LF, and said so"
keys alt+f x; sleep 2

questions_check
big_notebook_check

# Open Page, places, Back and Forward. Ctrl+O and three letters show a page
# in a deep folder; a long page left in its middle comes back there, in this
# run and after a restart, by Open Page, Alt+Left, Alt+Right and the mouse's
# back and forward buttons: each arrival types a mark at the caret.
new_notebook
deep="$nb/Projects/Clients/Acme/2026/Q3"
mkdir -p "$deep"
printf 'roadmap text' > "$deep/Quarterly Roadmap.tav"
printf 'quotes' > "$nb/Projects/Clients/Acme/Quotes.tav"
for i in $(seq 1 300); do printf 'line %d of the long page\r\n' "$i"; done > "$nb/Long.tav"
printf 'start page' > "$nb/Start.tav"
start
keys ctrl+o; xdotool type --delay 80 'qro'; shot 27-open-page-typed
keys Return; shot 28-open-page-shown
keys ctrl+End; xdotool type --delay 40 ' typed'; keys ctrl+s
[ "$(cat "$deep/Quarterly Roadmap.tav")" = 'roadmap text typed' ] &&
  echo "ok: Ctrl+O, 'qro' and Enter showed the page in a deep folder"
keys ctrl+o; xdotool type --delay 80 'long'; keys Return
keys ctrl+Home Next Next Next Next Down Down Home
keys ctrl+o; xdotool type --delay 80 'sta'; keys Return
keys ctrl+o; xdotool type --delay 80 'long'; keys Return; shot 29-long-at-its-place
xdotool type --delay 40 '#1'; keys ctrl+s
mark=$(grep -n '#1' "$nb/Long.tav" | cut -d: -f1)
[ -n "$mark" ] && [ "$mark" -gt 50 ] && [ "$mark" -lt 250 ] &&
  echo "ok: the long page came back at line $mark, where it was left"
keys alt+Left; xdotool type --delay 40 '!'; keys ctrl+s
[ "$(cat "$nb/Start.tav")" = 'start page!' ] && echo "ok: Alt+Left went back to the page before, at its place"
keys alt+Right; xdotool type --delay 40 '#2'; keys ctrl+s
grep -q "^#1#2line $mark of" "$nb/Long.tav" && echo "ok: Alt+Right went forward, to the place left"
xdotool mousemove --window "$win" 500 300 click 8; sleep 1; xdotool type --delay 40 '?'; keys ctrl+s
xdotool mousemove --window "$win" 500 300 click 9; sleep 1
[ "$(cat "$nb/Start.tav")" = 'start page!?' ] && echo "ok: the mouse's back button went back"
keys alt+f x; sleep 2
start; shot 30-restarted-at-its-place
xdotool type --delay 40 '#3'; keys ctrl+s
grep -q "^#1#2#3line $mark of" "$nb/Long.tav" && echo "ok: the mouse's forward button went forward, and the place came back after a restart"
keys alt+f x; sleep 2

moves_check
deletes_check
live_check
outside_check
