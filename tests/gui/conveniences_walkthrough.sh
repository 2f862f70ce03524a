#!/usr/bin/env bash
# Walks through the everyday conveniences on the real program under a virtual display with a
# window manager: the Open dialog listing GIF, PCX and PNG files, three files opened at once,
# cascaded windows, Tile and Cascade, the tool letters, a file dropped from a drag source, a
# narrow picture's caption, the export settings and Open Recent after a restart. Screenshots
# go to the output folder (default /tmp/kolvar-conveniences).
#
#   tests/gui/conveniences_walkthrough.sh [build folder] [output folder]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build}
out=${2:-/tmp/kolvar-conveniences}
kolvar=$build/app/kolvar
drag_source=$build/tests/gui/kolvar_drag_source
. "$root/tests/gui/walk_support.sh"
walk_require convert
[ -x "$drag_source" ] || { echo "build kolvar_drag_source first"; exit 2; }
rm -rf "$out" && mkdir -p "$out/home" "$out/pictures" "$out/exports"
walk_start_display

convert -size 240x160 plasma:fractal -seed 3 "$out/pictures/clouds.gif"
convert -size 200x150 gradient:orange-purple -colors 64 -type Palette "$out/pictures/sunset.pcx"
convert -size 260x180 pattern:checkerboard -fill blue -draw "circle 130,90 130,30" \
    "$out/pictures/target.png"
convert -size 180x120 xc:seagreen -fill white -draw "rectangle 20,20 160,100" "$out/dropped.bmp"
# A narrow page for every New, so the caption shows on a 100-pixel picture.
printf '[Main]\nFileWidth=100\nFileHeight=80\n' >"$out/home/kolvar.ini"

shot() { sleep "${2:-1}"; import -window root "$out/$1.png"; echo "  $out/$1.png"; }
start() {
    KOLVAR_HOME=$out/home "$kolvar" >>"$out/kolvar.log" 2>&1 &
    kolvar_pid=$!
    sleep 3
}
quit() {
    xdotool key ctrl+q
    sleep 1
    # Any "not saved" question: No.
    kill -0 "$kolvar_pid" 2>/dev/null && xdotool key n && sleep 1
    wait "$kolvar_pid" 2>/dev/null || true
}

start
shot 01-start 0
# Open: the dialog lists the folder's GIF, PCX and PNG files under the first entry.
xdotool key ctrl+o
sleep 2
xdotool type --delay 20 "$out/pictures/"
xdotool key Return
shot 02-open-lists-gif-pcx-png 2
# Three files at once.
xdotool type --delay 20 '"clouds.gif" "sunset.pcx" "target.png"'
xdotool key Return
shot 03-three-opened-cascaded 2
xdotool key alt+w
shot 04-windows-menu
xdotool key t
shot 05-tiled
xdotool key alt+w s
shot 06-cascaded
# Tool letters: E chooses the eraser, Z the zoom; the tooltip shows the letter.
xdotool key e
xdotool mousemove 15 108
shot 07-letter-e-and-tooltip 2
xdotool key z
shot 08-letter-z
# A file dropped from another program opens as a document.
"$drag_source" 1000 60 "$out/dropped.bmp" &
drag_pid=$!
extra_pids=$drag_pid
sleep 2
xdotool mousemove 1100 100 mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove $((1100 - step * 60)) $((100 + step * 40))
    sleep 0.1
done
xdotool mouseup 1
shot 09-dropped-file-opened 2
kill $drag_pid 2>/dev/null || true
drag_pid=
extra_pids=
# A new 100-pixel picture keeps its caption readable.
xdotool key ctrl+n
sleep 1
xdotool key Return
shot 10-narrow-picture 2
# Export: quality 80, progressive, into the exports folder (the dialog sits in the middle of
# the screen, so its controls have fixed places).
xdotool key ctrl+e
shot 11-export-dialog-first-time 2
xdotool mousemove 722 494 click 1
xdotool key End
xdotool key --repeat 20 --delay 10 Left
xdotool mousemove 722 542 click 1
xdotool mousemove 541 394 click 1
xdotool key ctrl+a
xdotool type --delay 10 "$out/exports/walk-export"
shot 12-export-choices
xdotool mousemove 780 648 click 1
sleep 1
[ -f "$out/exports/walk-export.jpg" ] || { echo "the export wrote no walk-export.jpg"; exit 1; }
quit
grep -q '^\[RecentFiles\]' "$out/home/kolvar.ini" || { echo "no recent files written"; exit 1; }
grep -q '^JpegQuality=80' "$out/home/kolvar.ini" || { echo "no export settings written"; exit 1; }
# After a restart: Open Recent lists the files, and the export dialog starts as it was left.
start
xdotool key alt+f
sleep 1
xdotool key r
shot 13-open-recent-after-restart
xdotool key 1
shot 14-newest-recent-opened 2
xdotool key ctrl+e
shot 15-export-dialog-after-restart 3
xdotool mousemove 850 648 click 1
quit
echo "walk-through done: screenshots in $out"
