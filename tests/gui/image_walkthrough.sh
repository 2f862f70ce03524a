#!/usr/bin/env bash
# Walks through the Image menu, Undo, Redo and Select All on the real program under a virtual
# display with a window manager. Every command runs on a non-square photo and is saved; each
# saved picture is compared pixel for pixel with a plain reference (image_reference.py).
# Then, with five undo levels in the settings file, four mixed changes are undone and redone.
# Screenshots go to the output folder (default /tmp/kolvar-image-walk).
#
#   tests/gui/image_walkthrough.sh [build/app/kolvar] [output folder]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
kolvar=${1:-$root/build/app/kolvar}
out=${2:-/tmp/kolvar-image-walk}
ref="python3 $root/tests/gui/image_reference.py"
. "$root/tests/gui/walk_support.sh"
walk_require convert python3
rm -rf "$out" && mkdir -p "$out/home"
walk_start_display

photo=$out/photo.bmp
convert -size 320x200 plasma:fractal -seed 7 -type truecolor "BMP3:$photo"
shot() { sleep "${2:-1}"; import -window root "$out/$1.png"; echo "  $out/$1.png"; }
type_path() { xdotool key ctrl+a; xdotool type --delay 20 "$1"; xdotool key Return; }
# Save As under a name, then check that file against the reference of an operation.
save_check() {
    local name=$1; shift
    xdotool key ctrl+a
    sleep 1.5
    type_path "$out/$name"
    sleep 1.5
    $ref "$photo" "$out/$name.bmp" "$@"
}
start() {
    KOLVAR_HOME=$out/home "$kolvar" "$photo" >>"$out/kolvar.log" 2>&1 &
    kolvar_pid=$!
    sleep 4
}

start
shot 01-photo-open
xdotool key alt+i
shot 02-image-menu
xdotool key Escape

# The mirrors and quarter turns, each undone before the next.
for step in "ctrl+shift+h fliph" "ctrl+shift+v flipv" "ctrl+shift+r cw" "ctrl+shift+l ccw"; do
    set -- $step
    xdotool key "$1"
    shot "03-$2"
    save_check "r-$2" "$2"
    xdotool key ctrl+z
done
xdotool key alt+i
sleep 0.5
xdotool key 1 # Rotate 180°
shot 03-r180
save_check r-r180 r180
# Undo twice equals Undo once; Redo (both keys) brings the turn back.
xdotool key ctrl+z ctrl+z
save_check r-undo-twice same
xdotool key ctrl+y
save_check r-redo r180
xdotool key ctrl+z ctrl+shift+z
save_check r-redo-again r180
xdotool key ctrl+z

# Resize: 500 wide, the height follows (312), Nearest; then 250 wide, Smooth by default.
xdotool key ctrl+shift+i
sleep 1
xdotool type --delay 30 500
xdotool key Tab Tab Tab Up
shot 04-resize-dialog
xdotool key Return
shot 05-resized-nearest
save_check r-nearest nearest 500 312
xdotool key ctrl+z
xdotool key ctrl+shift+i
sleep 1
xdotool type --delay 30 250
xdotool key Return
shot 06-resized-smooth
save_check r-smooth smooth 250 156
xdotool key ctrl+z

# Canvas size: grown at each corner, then shrunk about the centre and to the bottom right.
canvas() { # width height tabs-to-anchor (0: keep the centre)
    xdotool key ctrl+shift+c
    sleep 1
    xdotool type --delay 30 "$1"
    xdotool key Tab
    xdotool type --delay 30 "$2"
    if [ "$3" -gt 0 ]; then
        for _ in $(seq "$3"); do xdotool key Tab; done
        xdotool key space
    fi
}
for anchor in 0 2 6 8; do
    canvas 400 260 $((anchor + 1))
    [ $anchor = 8 ] && shot 07-canvas-dialog
    xdotool key Return
    [ $anchor = 8 ] && shot 08-canvas-bottom-right
    save_check "r-canvas-$anchor" canvas 400 260 $anchor FFFFFF
    xdotool key ctrl+z
done
canvas 251 151 0
xdotool key Return
save_check r-canvas-shrink-centre canvas 251 151 4 FFFFFF
xdotool key ctrl+z
canvas 250 150 9
xdotool key Return
save_check r-canvas-shrink-8 canvas 250 150 8 FFFFFF
xdotool key ctrl+z

# Select All: the whole picture with its handles; the status bar shows its size, the
# pointer's pixel and the zoom. Crop to it keeps the picture.
import -window root "$out/screen.png"
convert "$out/screen.png" "BMP3:$out/screen.bmp"
read -r px py < <($ref locate "$photo" "$out/screen.bmp")
echo "  picture at $px,$py on the screen"
xdotool key ctrl+shift+a
xdotool mousemove $((px + 100)) $((py + 50))
shot 09-select-all
xdotool key ctrl+shift+x
save_check r-crop-all same
xdotool key ctrl+z

# A rectangle selection dragged with the Select tool, cropped.
xdotool mousemove 41 81 click 1 # Select
sleep 0.5
xdotool mousemove $((px + 40)) $((py + 30)) mousedown 1
for s in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove $((px + 40 + s * 12)) $((py + 30 + s * 8)); sleep 0.05; done
xdotool mouseup 1
shot 10-rectangle-selection
xdotool key ctrl+shift+x
shot 11-cropped-rectangle
xdotool key ctrl+a
sleep 1.5
type_path "$out/r-crop-rect"
sleep 1.5
$ref "$photo" "$out/r-crop-rect.bmp" within 120 80
xdotool key ctrl+z

# A polygon selection (the polygon button of the Shapes palette in Select mode), cropped to
# its bounding box.
xdotool mousemove 981 818 click 1
sleep 0.5
xdotool mousemove $((px + 60)) $((py + 20)) mousedown 1
for s in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove $((px + 60 + s * 20)) $((py + 20 + s * 4)); sleep 0.05; done
xdotool mouseup 1
sleep 0.7
xdotool mousemove $((px + 150)) $((py + 170)) click 1
sleep 0.7
xdotool mousemove $((px + 61)) $((py + 21)) click 1
shot 12-polygon-selection
xdotool key ctrl+shift+x
shot 13-cropped-polygon
xdotool key ctrl+a
sleep 1.5
type_path "$out/r-crop-polygon"
sleep 1.5
$ref "$photo" "$out/r-crop-polygon.bmp" within 200 150
xdotool key ctrl+z

# Closing the document clears the status bar and disables the Image commands.
xdotool key F4
sleep 1
xdotool key n
shot 14-closed
xdotool key alt+i
shot 15-image-menu-without-document
xdotool key Escape
xdotool key ctrl+q
sleep 2
kill -0 $kolvar_pid 2>/dev/null && { echo "the program did not exit"; exit 1; }

# Five undo levels: an Image command, a drawing tool, a filter, a quarter turn and a resize
# are undone back to the photo, then redone.
printf '[Preferences]\nUndoLevels=5\n' >>"$out/home/kolvar.ini"
start
xdotool key ctrl+shift+h
xdotool mousemove 15 81 click 1 # Draw
sleep 0.5
xdotool mousemove $((px + 20)) $((py + 20)) mousedown 1
for s in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove $((px + 20 + s * 25)) $((py + 20 + s * 15)); sleep 0.05; done
xdotool mouseup 1
sleep 0.5
xdotool key alt+l
sleep 0.5
for _ in $(seq 9); do xdotool key Down; done
xdotool key Return # Filter > Negative
sleep 1
xdotool key ctrl+shift+r
xdotool key ctrl+shift+i
sleep 1
xdotool type --delay 30 150
xdotool key Return
shot 16-five-changes
xdotool key ctrl+a
sleep 1.5
type_path "$out/r-levels-changed"
sleep 1.5
xdotool key ctrl+z ctrl+z ctrl+z ctrl+z ctrl+z
shot 17-undone-five
save_check r-levels-undone same
xdotool key ctrl+y ctrl+y ctrl+y ctrl+y ctrl+y
shot 18-redone-five
xdotool key ctrl+a
sleep 1.5
type_path "$out/r-levels-redone"
sleep 1.5
cmp "$out/r-levels-changed.bmp" "$out/r-levels-redone.bmp"
echo "ok redo of five levels"
xdotool key ctrl+q
sleep 1
xdotool key n
sleep 2
kill -0 $kolvar_pid 2>/dev/null && { echo "the program did not exit"; exit 1; }
echo "walk-through done: screenshots in $out"
