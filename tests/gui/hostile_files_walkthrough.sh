#!/usr/bin/env bash
# Walks through what the editor does with hostile files on the real program under a virtual
# display with a window manager: a 120-byte file holding a 16384 x 16384 picture and a damaged
# JPEG named on the command line (the question before the giant picture, No by default, then
# the two boxes for the damaged file with the reader's reason), and a Save onto a full disk
# (the "Save Error" box with the system's reason). Screenshots go to the output folder
# (default /tmp/kolvar-hostile-walk).
#
#   tests/gui/hostile_files_walkthrough.sh [build/app/kolvar] [output folder]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
kolvar=${1:-$root/build/app/kolvar}
out=${2:-/tmp/kolvar-hostile-walk}
. "$root/tests/gui/walk_support.sh"
walk_require python3
rm -rf "$out" && mkdir -p "$out/home"
walk_start_display

# 16384 x 16384 run-length data that ends at once, and a JPEG whose data is garbage.
python3 - "$out" <<'PY'
import struct, sys
out = sys.argv[1]
head = struct.pack('<IiiHHIIiiII', 40, 16384, 16384, 1, 4, 2, 2, 0, 0, 16, 0)
open(out + '/giant.bmp', 'wb').write(b'BM' + struct.pack('<IHHI', 120, 0, 0, 118) + head + bytes(64) + b'\0\x01')
open(out + '/broken.jpg', 'wb').write(b'\xff\xd8\xff garbage')
PY
shot() { sleep "${2:-1}"; import -window root "$out/$1.png"; echo "  $out/$1.png"; }
type_path() { xdotool key ctrl+a; xdotool type --delay 20 "$1"; xdotool key Return; }

KOLVAR_HOME=$out/home "$kolvar" "$out/giant.bmp" "$out/broken.jpg" >"$out/kolvar.log" 2>&1 &
kolvar_pid=$!
shot 01-giant-question 4
xdotool key Return # the default answer, No
shot 02-broken-first-box 2
xdotool key Return
shot 03-broken-open-error
xdotool key Return
shot 04-nothing-open
# A save that the file size limit stops, as a full disk would: the program runs under a limit
# of 64 KB from here on, so start it again that way.
xdotool key ctrl+q
sleep 2
(ulimit -f 64; trap '' XFSZ; exec env KOLVAR_HOME="$out/home" "$kolvar" >>"$out/kolvar.log" 2>&1) &
kolvar_pid=$!
sleep 3
xdotool key ctrl+n
sleep 1
xdotool key Return
xdotool key ctrl+a
sleep 2
type_path "$out/full"
shot 05-save-error 2
xdotool key Return
xdotool key ctrl+q
sleep 1
xdotool key n
sleep 2
if kill -0 $kolvar_pid 2>/dev/null; then echo "the program did not exit"; exit 1; fi
echo "walk-through done: screenshots in $out"
