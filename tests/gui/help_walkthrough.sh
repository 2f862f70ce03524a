#!/usr/bin/env bash
# Walks through F1 on the real program under a virtual display with a window manager: F1 over
# a document, in a filter dialog, in the export dialog, in the About box, in both palettes, and
# with no document open. Each screenshot shows the help viewer at the page of the window that
# had the focus. Screenshots go to the output folder (default /tmp/kolvar-help-walk).
#
#   tests/gui/help_walkthrough.sh [build/app/kolvar] [output folder]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
kolvar=${1:-$root/build/app/kolvar}
out=${2:-/tmp/kolvar-help-walk}
. "$root/tests/gui/walk_support.sh"
walk_require convert
rm -rf "$out" && mkdir -p "$out/home"
walk_start_display

convert -size 400x300 plasma:fractal -seed 3 "BMP3:$out/photo.bmp"
shot() { sleep "${2:-1.5}"; import -window root "$out/$1.png"; echo "  $out/$1.png"; }
# Closing the help viewer leaves the window that asked for it active again.
close_help() {
    # Through the window manager (Alt+F4), as a user closes it.
    for w in $(xdotool search --onlyvisible --name '^Kolvar Help' 2>/dev/null); do
        xdotool windowactivate --sync "$w" key alt+F4 2>/dev/null || true
    done
    sleep 0.7
}
activate() {
    local id
    id=$(xdotool search --name "$1" 2>/dev/null | head -1) || true
    [ -n "$id" ] && xdotool windowactivate --sync "$id" 2>/dev/null || true
    sleep 0.5
}

KOLVAR_HOME=$out/home "$kolvar" "$out/photo.bmp" >"$out/kolvar.log" 2>&1 &
kolvar_pid=$!
sleep 4
shot 00-start 0
activate '^Kolvar$'
xdotool mousemove 250 78 click 1 # the document's caption: the document window is active
xdotool key F1
shot 01-document-f1
close_help

xdotool key alt+l Return # Filter > HSL
sleep 1.5
xdotool key F1
shot 02-hsl-dialog-f1
close_help
activate '^H S L'
xdotool key Escape
sleep 1

xdotool key ctrl+e
shot 03-export-dialog
xdotool key F1
shot 03-export-dialog-f1b
close_help
activate '^Export Dialog'
xdotool key Escape
sleep 1

xdotool key F10
sleep 1.5
xdotool key F1
shot 04-about-f1
close_help
activate '^About Kolvar'
xdotool key Return # Ok
sleep 1

activate '^Shapes'
xdotool key F1
shot 05-shapes-palette-f1
close_help

activate '^Settings'
xdotool key F1
shot 06-settings-palette-f1
close_help

activate '^Kolvar$'
xdotool mousemove 250 78 click 1
xdotool key F4 # closes the unchanged picture
sleep 1
activate '^Kolvar$'
xdotool key F1
shot 07-no-document-f1
close_help

xdotool key ctrl+q
sleep 2
if kill -0 $kolvar_pid 2>/dev/null; then echo "the program did not exit"; exit 1; fi
echo "walk-through done: screenshots in $out"
