#!/bin/sh
# A scripted walk through the filter dialogs on the real program under a virtual display:
# open a picture, Filter > Blur, drag the slider, wait for the preview, Ok, Undo, then
# Filter > Rank and Cancel. Screenshots go to OUT (01-open.png ... 07-rank.png).
#   tests/gui/filter_walkthrough.sh [build/app/kolvar] [OUT]
# Needs Xvfb, openbox, xdotool and ImageMagick. Positions assume the 1280 x 900 screen below.
set -eu
BIN=$(realpath "${1:-build/app/kolvar}")
OUT=${2:-/tmp/kolvar-walk}
DISPLAY_NUMBER=${DISPLAY_NUMBER:-:58}
mkdir -p "$OUT"
convert -size 640x480 plasma:fractal -blur 0x3 "BMP3:$OUT/photo.bmp"

Xvfb "$DISPLAY_NUMBER" -screen 0 1280x900x24 >/dev/null 2>&1 &
XVFB=$!
export DISPLAY="$DISPLAY_NUMBER"
sleep 2
openbox >/dev/null 2>&1 &
WM=$!
sleep 1
"$BIN" >"$OUT/program.log" 2>&1 &
APP=$!
trap 'kill $APP $WM $XVFB 2>/dev/null || true' EXIT
sleep 4

shot() { import -window root "$OUT/$1.png"; }
menu() { # Filter menu item at y
    xdotool mousemove 97 27 click 1
    sleep 0.7
    xdotool mousemove 120 "$1" click 1
    sleep 1.5
}

xdotool mousemove 40 52 click 1 # File > Open button
sleep 2
xdotool type --delay 20 "$OUT/photo.bmp"
xdotool key Return
sleep 3
shot 01-open
menu 578 # Blur
shot 02-blur-dialog
xdotool mousemove 559 441 mousedown 1
for i in $(seq 1 18); do
    xdotool mousemove $((559 + i * 10)) 441
    sleep 0.03
done
xdotool mouseup 1
sleep 0.2
shot 03-dragged
sleep 2.5
shot 04-preview
xdotool mousemove 669 475 click 1 # Ok
sleep 1
shot 05-applied
xdotool mousemove 150 52 click 1 # Undo
sleep 1
shot 06-undone
menu 600 # Rank
shot 07-rank
xdotool mousemove 740 532 click 1 # Cancel
sleep 1
kill -0 $APP && echo "program still running"
