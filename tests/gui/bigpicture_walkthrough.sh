#!/usr/bin/env bash
# Walks through a big picture (16384 x 16384 by default, made by the program's own JPEG writer)
# on the real program under a virtual display with a window manager: it opens from the command
# line with the reading's progress in the status bar, zooms out to the whole picture, scrolls,
# zooms in, runs Negative with its progress, Undo, Blur through its dialog over the whole
# picture (the preview shows what the view shows) with Ok, and Save. Screenshots, and the program's
# peak memory, go to the output folder (default /tmp/kolvar-big).
#
#   tests/gui/bigpicture_walkthrough.sh [BUILD_DIR] [output folder] [SIDE]
#
# The picture is written by bench_bigpicture (cmake --build BUILD_DIR --target bench_bigpicture).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build}
out=${2:-/tmp/kolvar-big}
side=${3:-16384}
kolvar=$build/app/kolvar
maker=$build/bench/bench_bigpicture
. "$root/tests/gui/walk_support.sh"
walk_require
[ -x "$maker" ] || { echo "needs $maker: build the bench_bigpicture target"; exit 2; }
rm -rf "$out" && mkdir -p "$out/home"
"$maker" write "$side" "$out/big.jpg" 2>/dev/null

walk_start_display

shot() { sleep "${2:-1}"; import -window root "$out/$1.png"; echo "  $out/$1.png"; }
# Waits until the program is idle: its CPU time stops growing for a second.
idle() {
    local before after
    while :; do
        before=$(awk '{print $14 + $15}' "/proc/$kolvar_pid/stat")
        sleep 1
        after=$(awk '{print $14 + $15}' "/proc/$kolvar_pid/stat")
        [ "$before" = "$after" ] && return
    done
}

KOLVAR_HOME=$out/home "$kolvar" "$out/big.jpg" >"$out/kolvar.log" 2>&1 &
kolvar_pid=$!
# Above 100 million pixels the editor asks first; the answer here is Yes.
if [ $((side * side)) -gt 100000000 ]; then
    shot 00-question 3
    xdotool key alt+y
fi
shot 01-reading 3
idle
shot 02-open
xdotool key --repeat 25 --delay 30 ctrl+alt+o
shot 03-whole-picture 2
xdotool key --repeat 25 --delay 30 ctrl+alt+i
# Scroll towards the bottom-right corner with the wheel over the picture (Shift for sideways).
xdotool mousemove 400 400
xdotool click --repeat 40 --delay 5 5
xdotool keydown shift click --repeat 40 --delay 5 5 keyup shift
shot 04-scrolled-zoom-1 2
xdotool key ctrl+alt+i ctrl+alt+i ctrl+alt+i
shot 05-zoomed-in
# Filter > Negative: the tenth item of the menu.
xdotool key alt+l
xdotool key --repeat 9 --delay 50 Down
xdotool key Return
shot 06-negative-working 1
idle
shot 07-negative-done
xdotool key ctrl+z
shot 08-undo-working 0.3
idle
shot 09-undone
# Filter > Blur, the twenty-fifth item, over the whole picture; Enter is Ok.
xdotool key --repeat 25 --delay 30 ctrl+alt+o
xdotool key alt+l
xdotool key --repeat 24 --delay 50 Down
xdotool key Return
shot 10-blur-dialog 2
# The slider has the keyboard: an amount of 40.
xdotool key --repeat 40 --delay 20 Right
sleep 1
idle
shot 11-blur-preview
xdotool key Return
shot 12-blur-working 0.5
idle
shot 13-blurred
xdotool key ctrl+a
shot 14-save-as-dialog 2
xdotool key ctrl+a
xdotool type --delay 20 "$out/saved"
xdotool key Return
shot 15-saving 0.5
idle
shot 16-saved
grep VmHWM "/proc/$kolvar_pid/status" | tee "$out/peak-memory.txt"
xdotool key ctrl+q
sleep 2
if kill -0 $kolvar_pid 2>/dev/null; then echo "the program did not exit"; exit 1; fi
[ -f "$out/saved.bmp" ] || { echo "Save As wrote no saved.bmp"; exit 1; }
echo "walk-through done: screenshots in $out"
