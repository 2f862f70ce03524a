#!/usr/bin/env bash
# Walks through the program in Portuguese on a virtual display with a window manager, opening
# each kind of window, then starts it once more under a dark desktop theme. Screenshots go to
# the output folder (default /tmp/kolvar-lang); look at them for English words and cut texts.
#
#   tests/gui/language_walkthrough.sh [build/app/kolvar] [output folder]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
kolvar=${1:-$root/build/app/kolvar}
out=${2:-/tmp/kolvar-lang}
. "$root/tests/gui/walk_support.sh"
walk_require convert
rm -rf "$out" && mkdir -p "$out/home"
walk_start_display

printf '[Main]\r\nIdiom=PORTUGUESE\r\n' >"$out/home/kolvar.ini"
head -c 2000 /dev/urandom >"$out/broken.jpg"
shot() { sleep "${2:-1}"; import -window root "$out/$1.png"; echo "  $out/$1.png"; }
type_path() { xdotool key ctrl+a; xdotool type --delay 20 "$1"; xdotool key Return; }
# Clicks at x,y inside the active window.
click_in() {
    eval "$(xdotool getactivewindow getwindowgeometry --shell)"
    xdotool mousemove $((X + $1)) $((Y + $2)) click 1
}

KOLVAR_HOME=$out/home "$kolvar" >"$out/kolvar.log" 2>&1 &
kolvar_pid=$!
shot 01-main-palettes 3
xdotool key ctrl+n
shot 02-new-image-dialog
xdotool mousemove 653 531 click 1 # the paper colour: Qt's colour dialog
shot 02-colour-dialog 2
xdotool key Escape
sleep 1
xdotool key Return
shot 03-new-image
xdotool key ctrl+o
shot 04-open-file-dialog 2
type_path "$out/broken.jpg"
shot 05-open-error-message 2
xdotool key Return
sleep 1
xdotool key Return
sleep 1
xdotool key ctrl+e
shot 06-export-dialog 2
xdotool key Escape
xdotool key ctrl+p
shot 07-print-dialog 2
click_in 331 282 # Preview
shot 08-print-preview 2
xdotool key Escape
sleep 1
xdotool key Escape
xdotool key F10
shot 08-about
xdotool key Return
xdotool key alt+l
shot 09-filter-menu
xdotool key Return
shot 10-filter-dialog 2
xdotool key Escape
xdotool key F1
shot 11-help-viewer 2
xdotool key F2
sleep 1
xdotool type --delay 20 "filter"
xdotool key Return
shot 12-help-search
xdotool key alt+F4
sleep 1
# A change to the picture (the rotate button's "0.0" turn), so that closing asks.
xdotool mousemove 28 328 click 1
xdotool key ctrl+q
shot 13-exit-question
xdotool key n
sleep 2
if kill -0 $kolvar_pid 2>/dev/null; then echo "the program did not exit"; exit 1; fi

# The same program under a dark desktop theme.
if [ -n "$(find /usr/lib -path '*platformthemes*gtk3*' 2>/dev/null | head -1)" ]; then
    QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark KOLVAR_HOME=$out/home "$kolvar" \
        >"$out/kolvar-dark.log" 2>&1 &
    kolvar_pid=$!
    shot 20-dark-main-palettes 3
    xdotool key ctrl+n
    sleep 1
    xdotool key Return
    shot 21-dark-new-image
    xdotool key ctrl+q
    sleep 1
    xdotool key n
    sleep 1
else
    echo "no gtk3 platform theme (qt6-gtk-platformtheme): the dark run is skipped"
fi
echo "walk-through done: screenshots in $out"
