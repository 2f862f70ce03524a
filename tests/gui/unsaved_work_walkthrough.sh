#!/usr/bin/env bash
# Walks through the ways a user could lose work, on the real program under a virtual display
# with a window manager: a JPEG made negative, F4 and Escape (still open), Ctrl+S (still a
# JPEG); a PNG saved as PNG exactly; a GIF saved through the proposed .bmp name; Save As with
# another type; the Preferences dialog; a modified picture, kill -9 after the recovery
# interval, restart, Enter (the picture is back pixel for pixel); injected errors (a timer, a
# dialog, a picture too large for memory) shown while the program goes on. Screenshots go to
# the output folder (default /tmp/kolvar-unsaved).
#
#   tests/gui/unsaved_work_walkthrough.sh [build/app/kolvar] [output folder]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
kolvar=${1:-$root/build/app/kolvar}
out=${2:-/tmp/kolvar-unsaved}
. "$root/tests/gui/walk_support.sh"
walk_require convert compare python3
rm -rf "$out" && mkdir -p "$out/home"
walk_start_display

fail() { echo "FAILED: $*"; exit 1; }
shot() { sleep "${2:-1}"; import -window root "$out/$1.png"; echo "  $out/$1.png"; }
type_path() { xdotool key ctrl+a; xdotool type --delay 20 "$1"; xdotool key Return; }
start() {
    KOLVAR_HOME=$out/home "$kolvar" "$@" >>"$out/kolvar.log" 2>&1 &
    kolvar_pid=$!
    sleep 3
}
alive() { kill -0 "$kolvar_pid" 2>/dev/null || fail "the program ended"; }
# Filter > Negative with the mouse (the menu bar of the maximised window under openbox).
negative() { xdotool mousemove 97 28 click 1; sleep 0.5; xdotool mousemove 133 247 click 1; sleep 1; }
same_pixels() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" = "0" ]; }

convert -size 800x600 plasma:fractal -seed 7 "$out/photo.jpg"
cp "$out/photo.jpg" "$out/photo-original.jpg"
convert -size 320x240 gradient:red-blue -depth 8 "$out/shot.png"
cp "$out/shot.png" "$out/shot-original.png"
convert -size 200x150 plasma:fractal -seed 3 -colors 64 "$out/anim.gif"
# The recovery interval is read at start; the shortest one keeps the walk-through short.
printf '[Preferences]\nRecoveryInterval=10\n' >"$out/home/kolvar.ini"

echo "1. the close question has a Cancel, and Save keeps the JPEG a JPEG"
start "$out/photo.jpg"
negative
xdotool key F4
shot 01-close-question
xdotool key Escape
shot 02-escape-keeps-the-document
alive
xdotool key ctrl+s
shot 03-saved-as-jpeg 2
file "$out/photo.jpg" | grep -q JPEG || fail "photo.jpg is no longer a JPEG"
convert "$out/photo-original.jpg" -negate "$out/negative.png"
rmse=$( (compare -metric RMSE "$out/negative.png" "$out/photo.jpg" null: 2>&1 || true) | sed 's/.*(\(.*\))/\1/')
python3 -c "import sys; sys.exit(0 if float('$rmse') < 0.05 else 1)" || fail "not the negative ($rmse)"

echo "2. a PNG stays a PNG, exactly"
xdotool key ctrl+o
sleep 2
type_path "$out/shot.png"
sleep 2
negative
xdotool key ctrl+s
shot 04-png-saved 2
file "$out/shot.png" | grep -q PNG || fail "shot.png is no longer a PNG"
convert "$out/shot-original.png" -negate -depth 8 "$out/shot-negative.png"
same_pixels "$out/shot-negative.png" "$out/shot.png" || fail "the PNG is not exactly the negative"

echo "3. a GIF is saved through the proposed .bmp name"
xdotool key ctrl+o
sleep 2
type_path "$out/anim.gif"
sleep 2
negative
xdotool key ctrl+s
shot 05-gif-save-proposes-bmp 2
xdotool key Return
shot 06-gif-saved-as-bmp 2
file "$out/anim.bmp" | grep -q "PC bitmap" || fail "no anim.bmp"
file "$out/anim.gif" | grep -q GIF || fail "the GIF was overwritten"

echo "4. Save As: choosing a type sets the extension"
xdotool key ctrl+a
sleep 2
xdotool key ctrl+a
xdotool type --delay 20 "$out/typed"
xdotool mousemove 627 663 click 1
sleep 1
xdotool key Down Down Return # BMP -> JPEG -> PNG
shot 07-save-as-type-png 1
xdotool mousemove 891 633 click 1 # Save
sleep 2
file "$out/typed.png" | grep -q PNG || fail "choosing PNG did not write typed.png"

echo "5. the Preferences dialog"
xdotool mousemove 54 28 click 1
sleep 1
shot 08-edit-menu
xdotool key Up Return
shot 09-preferences 2
xdotool key Escape
sleep 1
alive

echo "6. kill -9 after the recovery interval, then recover with Enter"
negative # anim.bmp is the active document: a change not saved
shot 10-unsaved-before-kill
sleep 13
ls "$out/home/recovery/"*.kvr >/dev/null 2>&1 || fail "no recovery copy after the interval"
cp "$out/home/recovery/"*.kvr "$out/last-copy.kvr"
# A second program started meanwhile asks nothing and leaves the first one's copy alone.
KOLVAR_HOME=$out/home "$kolvar" >>"$out/kolvar.log" 2>&1 &
second=$!
sleep 4
shot 10b-second-program-asks-nothing 0
kill "$second"
wait "$second" 2>/dev/null || true
cmp -s "$out/home/recovery/"*.kvr "$out/last-copy.kvr" || fail "the second program took the copy"
kill -9 "$kolvar_pid"
sleep 1
start
shot 11-recover-question
xdotool key Return
shot 12-recovered 2
# The copy holds raw rows after its header; the recovered picture saved as PNG must match it.
python3 - "$out/last-copy.kvr" "$out/last-copy.ppm" <<'EOF'
import struct, sys
data = open(sys.argv[1], 'rb').read()
assert data[:8] == b'KVRECOV1'
p = 8
for _ in range(2):
    n = struct.unpack_from('<I', data, p)[0]
    p += 4 + n
p += 1
w, h = struct.unpack_from('<ii', data, p)
p += 8
rows = data[p:]
rgb = bytearray()
for y in range(h):
    row = rows[y * w * 3:(y + 1) * w * 3]
    for x in range(w):
        b, g, r = row[x * 3:x * 3 + 3]
        rgb += bytes((r, g, b))
open(sys.argv[2], 'wb').write(b'P6 %d %d 255\n' % (w, h) + rgb)
EOF
xdotool key ctrl+a
sleep 2
type_path "$out/recovered.png"
sleep 2
same_pixels "$out/last-copy.ppm" "$out/recovered.png" || fail "the recovered picture differs"
# Exit: the saved picture needs no question; the others are dropped with No.
xdotool key ctrl+q
sleep 1
for _ in 1 2 3 4; do kill -0 "$kolvar_pid" 2>/dev/null || break; xdotool key n; sleep 1; done
kill -0 "$kolvar_pid" 2>/dev/null && fail "the program did not exit"
[ -z "$(ls "$out/home/recovery/" 2>/dev/null)" ] || fail "a normal exit left recovery files"

echo "7. errors are shown and the program goes on"
KOLVAR_INJECT_FAULT=timer,alloc start
shot 13-timer-error 1
xdotool key Return
alive
xdotool key ctrl+n
sleep 2
# The File New dialog sits in the middle of the screen: its two size boxes, then Ok.
xdotool mousemove 633 478 click --repeat 3 1 type "9999"
xdotool mousemove 633 505 click --repeat 3 1 type "9999"
shot 14-file-new-9999
xdotool mousemove 641 567 click 1
shot 15-not-enough-memory 2
xdotool key Return
alive
xdotool key ctrl+n
shot 16-still-answers 2
xdotool key Escape
sleep 1
xdotool key ctrl+q
sleep 2
kill -0 "$kolvar_pid" 2>/dev/null && fail "the program did not exit"
KOLVAR_INJECT_FAULT=dialog start
xdotool key ctrl+n
shot 17-dialog-error 2
xdotool key Return
alive
xdotool key ctrl+q
sleep 2
kill -0 "$kolvar_pid" 2>/dev/null && fail "the program did not exit"
echo "walk-through done: screenshots in $out"
