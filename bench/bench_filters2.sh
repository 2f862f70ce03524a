#!/usr/bin/env bash
# Blur, rank and motion blur of a random picture through kolvar-filter against ImageMagick,
# whole commands (reading and writing included), as megapixels per second and their ratio.
# kolvar-filter works on a SIZE x SIZE picture (default 4096). ImageMagick's -statistic costs
# grow with the window's area (its 31 x 31 mean takes minutes per megapixel), so they work on
# an IM_SIZE x IM_SIZE crop of the same picture (default 1024; pass 4096 to compare on the
# same picture, if you have the hour). Both use their default threads (every core).
#
#   bench/bench_filters2.sh [BUILD_DIR] [SIZE] [IM_SIZE]   (default: build/, 4096, 1024)
#
# The windows match: Blur and Rank at the dialog's largest amount (15) are a 31 x 31 mean and
# maximum and, since the median's radius is a third of the amount, an 11 x 11 median.
# ImageMagick's motion blur weights a one-sided Gaussian streak, ours averages a centred
# line, so that row compares similar work, not identical output.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
size=${2:-4096}
im_size=${3:-1024}
# shellcheck source=bench_common.sh
source "$root/bench/bench_common.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$im" -size "${size}x${size}" xc: +noise Random -type TrueColor "BMP3:$work/in.bmp"
"$im" "$work/in.bmp" -crop "${im_size}x${im_size}+0+0" +repage -type TrueColor "BMP3:$work/im_in.bmp"


mp=$(echo "$size * $size / 1000000" | bc -l)
im_mp=$(echo "$im_size * $im_size / 1000000" | bc -l)
# run LABEL IM_OPERATION IM_INPUT IM_MEGAPIXELS KOLVAR_ARGUMENTS...
run() {
    local label=$1 im_op=$2 im_input=$3 im_pixels=$4; shift 4
    local ours theirs
    ours=$(seconds "$exe" "$@" "$work/in.bmp" "$work/ours.bmp")
    # shellcheck disable=SC2086
    theirs=$(seconds "$im" "$im_input" $im_op "$work/im.bmp")
    local ours_rate theirs_rate
    ours_rate=$(echo "$mp / $ours" | bc -l)
    theirs_rate=$(echo "$im_pixels / $theirs" | bc -l)
    printf '%-20s %8.2fs %8.2fs %12.2f %12.3f %8.1fx\n' "$label" "$ours" "$theirs" "$ours_rate" \
        "$theirs_rate" "$(echo "$ours_rate / $theirs_rate" | bc -l)"
}
echo "kolvar-filter on ${size} x ${size}; ImageMagick's statistics on ${im_size} x ${im_size}," \
    "its motion blur on ${size} x ${size}"
printf '%-20s %9s %9s %12s %12s %9s\n' filter kolvar IM "kolvar MP/s" "IM MP/s" ratio
crop=$work/im_in.bmp
run "Blur 31x31" "-statistic Mean 31x31" "$crop" "$im_mp" Blur --amount 15
run "Median 11x11" "-statistic Median 11x11" "$crop" "$im_mp" Rank --method Median --amount 15
run "Maximum 31x31" "-statistic Maximum 31x31" "$crop" "$im_mp" Rank --method Maximum --amount 15
run "Motion blur 31 @30" "-motion-blur 15x5+30" "$work/in.bmp" "$mp" MotionBlur --amount 31 \
    --angle 30
echo "ratio: kolvar-filter's megapixels per second over ImageMagick's (above 1: kolvar is faster)"
