#!/usr/bin/env bash
# Walks through the document window on the real program under a virtual display with a window
# manager: start, New, open a JPEG, zoom in, scroll to the bottom-right corner, Save As, close
# with the question, exit. Screenshots go to the output folder (default /tmp/kolvar-walk).
#
#   tests/gui/document_walkthrough.sh [build/app/kolvar] [output folder]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
kolvar=${1:-$root/build/app/kolvar}
out=${2:-/tmp/kolvar-walk}
. "$root/tests/gui/walk_support.sh"
walk_require convert
rm -rf "$out" && mkdir -p "$out/home"
walk_start_display

convert -size 1600x1200 plasma:fractal -seed 7 "$out/photo.jpg"
shot() { sleep "${2:-1}"; import -window root "$out/$1.png"; echo "  $out/$1.png"; }
type_path() { xdotool key ctrl+a; xdotool type --delay 20 "$1"; xdotool key Return; }

KOLVAR_HOME=$out/home "$kolvar" >"$out/kolvar.log" 2>&1 &
kolvar_pid=$!
shot 01-start 3
xdotool key ctrl+n
shot 02-file-new-dialog
xdotool key Return
shot 03-new-image
xdotool key ctrl+o
shot 04-open-dialog 2
type_path "$out/photo.jpg"
shot 05-photo-open 2
xdotool key ctrl+alt+i ctrl+alt+i ctrl+alt+i
shot 06-zoomed-in
# Scroll to the bottom-right corner with the wheel over the picture (Shift for sideways).
xdotool mousemove 400 400
xdotool click --repeat 60 --delay 5 5
xdotool keydown shift click --repeat 60 --delay 5 5 keyup shift
shot 07-bottom-right
xdotool key ctrl+a
shot 08-save-as-dialog 2
type_path "$out/saved"
shot 09-saved
# Rotate by the box's "0.0" (no turn, yet a change), so closing asks.
xdotool mousemove 28 328 click 1
xdotool key F4
shot 10-close-question
xdotool key Return # Yes: saved again under its name, then closed
shot 11-closed
xdotool mousemove 28 328 click 1
xdotool key ctrl+q
shot 12-exit-question
xdotool key n # No: the new image is dropped and the program ends
sleep 2
if kill -0 $kolvar_pid 2>/dev/null; then echo "the program did not exit"; exit 1; fi
[ -f "$out/saved.bmp" ] || { echo "Save As wrote no saved.bmp"; exit 1; }
grep -q FileHeight "$out/home/kolvar.ini" || { echo "no settings written at exit"; exit 1; }
echo "walk-through done: screenshots in $out"
