#!/usr/bin/env bash
# A walk-through of the drawing tools on the real main window, on a virtual display with a
# window manager: New, then line, polygon, curve, shape, spray, flood fill, text, warp, a polygon
# selection moved by its outline, Copy from its pop-up, Paste, and a zoom box. Tools the tool bar offers are
# chosen by clicking it; the others through the tool driver's command line, as the palettes
# would. Screenshots go to the output folder (default /tmp/kolvar-walkthrough).
#
#   tests/gui/tools_walkthrough.sh [build-dir] [output-dir]
#
# Needs Xvfb, openbox, xdotool and ImageMagick's import.
set -euo pipefail
build=${1:-build}
out=${2:-/tmp/kolvar-walkthrough}
disp=${KOLVAR_DISPLAY:-:77}
driver=$build/tests/gui/kolvar_tool_driver
[ -x "$driver" ] || { echo "no $driver: build the kolvar_tool_driver target" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out"/*.png "$out/ctl"

pids=()
cleanup() {
    exec 3>&- 2>/dev/null || true
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -f "$out/ctl"
}
trap cleanup EXIT

Xvfb "$disp" -screen 0 1280x1024x24 >/dev/null 2>&1 &
pids+=($!)
sleep 1
export DISPLAY=$disp
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
mkfifo "$out/ctl"
"$driver" <"$out/ctl" 2>"$out/driver.log" &
pids+=($!)
exec 3>"$out/ctl"
sleep 2

cmd() { echo "$*" >&3; sleep 0.3; }
shot() { sleep 0.4; import -window root "$out/$1.png"; }
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.2; }
rclick() { xdotool mousemove "$1" "$2" click 3; sleep 0.3; }
# A slow press-move-release through the given x y pairs.
drag() {
    xdotool mousemove "$1" "$2" mousedown 1
    shift 2
    while [ $# -ge 2 ]; do
        xdotool mousemove "$1" "$2"
        sleep 0.05
        shift 2
    done
    xdotool mouseup 1
    sleep 0.2
}
# Tool bar buttons by their place in the left column's grid (two per row).
tool() {
    local index=$1
    click $((TOOLX + (index % 2) * TOOLSTEP)) $((TOOLY + (index / 2) * TOOLSTEP))
}
TOOLX=${TOOLX:-15}
TOOLY=${TOOLY:-82}
TOOLSTEP=${TOOLSTEP:-26}
# The new document's image: its top-left corner on the screen.
OX=${OX:-569}
OY=${OY:-445}
at() { echo $((OX + $1)) $((OY + $2)); }

# New, Ok on the dialog, the document maximised in the frame, then Actual Size.
xdotool key ctrl+n
sleep 1
click 641 566
sleep 0.5
click 230 78
xdotool key ctrl+alt+a
sleep 0.5
shot 01-new

cmd pen 0000C0
cmd brush F0C020
cmd action 1
drag $(at 10 10) $(at 90 40) $(at 180 60)
cmd action 3
drag $(at 20 80) $(at 90 70)
click $(at 60 140)
click $(at 21 81)
shot 02-line-polygon

cmd action 14
drag $(at 110 90) $(at 180 90)
click $(at 185 150)
click $(at 120 170)
click $(at 111 91)
cmd action 6
cmd shape Star 4
drag $(at 10 150) $(at 70 195)
click $(at 30 165) # the star's one key point: how deep its points are cut
shot 03-curve-shape

tool 3 # spray
cmd size 12
drag $(at 140 10) $(at 150 20) $(at 160 15) $(at 170 30) $(at 185 25)
cmd brush 40A0F0
tool 6 # flood fill
click $(at 5 195)
shot 04-spray-fill

cmd brush C02020
cmd text Kolvar
cmd action 17
click $(at 100 120)
tool 10 # warp
drag $(at 40 30) $(at 55 45)
shot 05-text-warp

cmd action 13
drag $(at 100 5) $(at 195 10)
click $(at 150 70)
click $(at 101 6)
shot 06-selection
# Move the outline by the middle of its slanted edge (the frame's edges would scale it),
# then Copy through the pop-up and Paste with the Edit menu's shortcut.
drag $(at 172 40) $(at 167 46) $(at 162 52)
shot 07-selection-moved
rclick $(at 162 52)
shot 08-popup
xdotool key Down Down Down Down Return
sleep 0.3
xdotool key ctrl+v
sleep 0.3
click $(at 20 110)
shot 09-pasted
# Zoom into a box around the selection: the outline stays on its pixels.
tool 5
drag $(at 90 0) $(at 140 25) $(at 200 75)
shot 10-zoomed
echo "screenshots in $out"
