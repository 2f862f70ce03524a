#!/usr/bin/env bash
# Whole commands on a SIZE x SIZE 24-bit random picture (default 4096): kolvar-filter with BMP
# in and out, libvips on the same picture as raw PPM, ImageMagick with BMP in and out. Each
# figure is the minimum of RUNS interleaved runs (default 3). The ratio is kolvar's time over
# the best peer's (at or below 1: kolvar is as fast or faster). kolvar-filter's times include
# syncing its output file to disk before it replaces the old one; the peers do not sync.
#
#   bench/bench_filters3.sh [BUILD_DIR] [SIZE] [RUNS] [IM_SIZE]   (default: build/, 4096, 3, 256)
#
# ImageMagick's -statistic costs grow with the window's area (minutes on the whole picture),
# so its rank and mean rows run on an IM_SIZE x IM_SIZE crop and are scaled up by the pixel
# count (marked ~). The last line gives each tool's peak resident memory over the picture's
# size, for the blur. Rows: the Negative, a 31 x 31 box blur (Blur 15), an 11 x 11 median
# (Rank Median 15: its radius is a third of the amount), a 15-pixel horizontal motion blur, a
# 31 x 31 maximum, and a 9 x 9 convolution.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
size=${2:-4096}
runs=${3:-3}
im_size=${4:-256}
# shellcheck source=bench_common.sh
source "$root/bench/bench_common.sh"
command -v vips >/dev/null || { echo "libvips not found: apt-get install libvips-tools" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$im" -size "${size}x${size}" xc: +noise Random -type TrueColor "BMP3:$work/in.bmp"
"$im" "$work/in.bmp" "$work/in.ppm"
"$im" "$work/in.bmp" -crop "${im_size}x${im_size}+0+0" +repage -type TrueColor \
    "BMP3:$work/crop.bmp"
scale=$(echo "($size * $size) / ($im_size * $im_size)" | bc -l)

# Masks: libvips' matrix files ("width height scale offset" and the rows).
ones() { local n=$1 i out=""; for ((i = 0; i < n; i++)); do out+="1 "; done; echo "$out"; }
printf '31 1 31 0\n%s\n' "$(ones 31)" >"$work/box31.mat"
printf '15 1 15 0\n%s\n' "$(ones 15)" >"$work/line15.mat"
kernel9="" mat9="9 9 81 0"$'\n' im9=""
for ((r = 0; r < 9; r++)); do
    row=""
    for ((c = 0; c < 9; c++)); do row+="$(((r + c) % 3 + 1)) "; done
    kernel9+="${row}/" mat9+="${row}"$'\n' im9+="${row// /,}"
done
kernel9=${kernel9%/} im9=${im9%,}
printf '%s' "$mat9" >"$work/k9.mat"
line15_im=$(ones 15 | sed 's/ $//; s/ /,/g')

# Minimum wall seconds of a command over $runs runs.
best() {
    local b="" t
    for ((k = 0; k < runs; k++)); do
        t=$(seconds "$@")
        if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
    done
    echo "$b"
}

# row LABEL OURS_ARGS VIPS_ARGS IM_INPUT IM_ARGS (the arguments as single strings)
row() {
    local label=$1 ours_args=$2 vips_args=$3 im_input=$4 im_args=$5
    local ours vips magick mark=""
    eval "ours=\$(best \"\$exe\" $ours_args \"\$work/in.bmp\" \"\$work/ours.bmp\")"
    # shellcheck disable=SC2086
    vips=$(best vips $vips_args)
    eval "magick=\$(best \"\$im\" \"\$im_input\" $im_args \"BMP3:\$work/im.bmp\")"
    if [ "$im_input" = "$work/crop.bmp" ]; then
        magick=$(echo "$magick * $scale" | bc -l)
        mark="~"
    fi
    local peer
    peer=$(echo "if ($vips < $magick) $vips else $magick" | bc -l)
    printf '%-24s %9.2fs %9.2fs %10s %7.2fx\n' "$label" "$ours" "$vips" \
        "$mark$(printf '%.2fs' "$magick")" "$(echo "$ours / $peer" | bc -l)"
}

echo "${size} x ${size}, 24 bits; minimum of ${runs} runs; ~: ImageMagick on ${im_size} x" \
    "${im_size}, scaled"
printf '%-24s %10s %10s %10s %8s\n' operation kolvar libvips ImageMagick ratio
P=$work
row "Negative" "Negative" "invert $P/in.ppm $P/vips.ppm" "$P/in.bmp" "-negate"
row "Box blur 31 x 31" "Blur --amount 15" "convsep $P/in.ppm $P/vips.ppm $P/box31.mat" \
    "$P/crop.bmp" "-statistic Mean 31x31"
row "Median 11 x 11" "Rank --method Median --amount 15" "rank $P/in.ppm $P/vips.ppm 11 11 60" \
    "$P/crop.bmp" "-statistic Median 11x11"
row "Motion blur 15 at 0" "MotionBlur --amount 15 --angle 0" \
    "conv $P/in.ppm $P/vips.ppm $P/line15.mat --precision integer" "$P/in.bmp" \
    "-define convolve:scale=! -morphology Convolve 15x1:$line15_im"
row "Maximum 31 x 31" "Rank --method Maximum --amount 15" \
    "rank $P/in.ppm $P/vips.ppm 31 31 960" "$P/crop.bmp" "-statistic Maximum 31x31"
row "Convolution 9 x 9" "Convolution --kernel '$kernel9'" \
    "conv $P/in.ppm $P/vips.ppm $P/k9.mat --precision integer" "$P/in.bmp" \
    "-define convolve:scale=! -morphology Convolve 9x9:$im9"

# Peak resident memory in MB of one command (the largest child).
peak() {
    python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024)' "$@"
}
image_mb=$(echo "$size * $size * 3 / 1048576" | bc -l)
ours_mb=$(peak "$exe" Blur --amount 15 "$work/in.bmp" "$work/ours.bmp")
vips_mb=$(peak vips convsep "$work/in.ppm" "$work/vips.ppm" "$work/box31.mat")
im_mb=$(peak "$im" "$work/in.bmp" -negate "BMP3:$work/im.bmp")
printf 'peak memory (blur; IM negate), MB: kolvar %.0f (%.2f x the image), libvips %.0f, ImageMagick %.0f; image %.0f\n' \
    "$ours_mb" "$(echo "$ours_mb / $image_mb" | bc -l)" "$vips_mb" "$im_mb" "$image_mb"
