#!/usr/bin/env bash
# Convolutions of a 4096 x 4096 picture through kolvar-filter against ImageMagick's
# "-morphology Convolve" on the same BMP input, whole commands (reading and writing included),
# as wall-clock seconds and ratios. ImageMagick runs once with its default thread count and
# once on one thread; kolvar-filter uses every core.
#
#   bench/bench_filters.sh [BUILD_DIR]      (default: build/ beside this folder)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
# shellcheck source=bench_common.sh
source "$root/bench/bench_common.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$im" -size 4096x4096 xc: +noise Random -type TrueColor "BMP3:$work/in.bmp"


# Weights as ImageMagick reads them: rows of comma-separated values.
sharpen_im="3x3: -0.5,-0.5,-0.5 -0.5,5,-0.5 -0.5,-0.5,-0.5"
hat_rows=("0 0 0 -1 -1 -1 0 0 0" "0 -1 -1 -3 -3 -3 -1 -1 0" "0 -1 -3 -3 -1 -3 -3 -1 0"
          "-1 -3 -3 6 13 6 -3 -3 -1" "-1 -3 -1 13 24 13 -1 -3 -1" "-1 -3 -3 6 13 6 -3 -3 -1"
          "0 -1 -3 -3 -1 -3 -3 -1 0" "0 -1 -1 -3 -3 -3 -1 -1 0" "0 0 0 -1 -1 -1 0 0 0")
hat_im="9x9:"
for r in "${hat_rows[@]}"; do hat_im+=" ${r// /,}"; done
box_row=$(printf '1 %.0s' $(seq 15))
box_kernel=$(for i in $(seq 15); do printf '%s/' "$box_row"; done)
box_kernel=${box_kernel%/}
box_im="15x15:"
for i in $(seq 15); do box_im+=" $(printf '0.00444444,%.0s' $(seq 15) | sed 's/,$//')"; done

printf '%-12s %10s %12s %12s %10s %10s\n' kernel kolvar "IM threads" "IM 1 thread" ratio "ratio 1t"
run() {
    local label=$1 im_kernel=$2; shift 2
    local ours imt im1
    ours=$(seconds "$exe" Convolution "$@" "$work/in.bmp" "$work/ours.bmp")
    imt=$(seconds "$im" "$work/in.bmp" -morphology Convolve "$im_kernel" "$work/im.bmp")
    im1=$(seconds "$im" -limit thread 1 "$work/in.bmp" -morphology Convolve "$im_kernel" \
        "$work/im.bmp")
    printf '%-12s %9.2fs %11.2fs %11.2fs %9.2fx %9.2fx\n' "$label" "$ours" "$imt" "$im1" \
        "$(echo "$imt / $ours" | bc -l)" "$(echo "$im1 / $ours" | bc -l)"
}
run "3x3" "$sharpen_im" --preset Sharpen
run "9x9" "$hat_im" --preset "Mexican Hat"
run "15x15" "$box_im" --kernel "$box_kernel" --divisor 225
echo "ratio: ImageMagick's time over kolvar-filter's (above 1: kolvar-filter is faster)"
