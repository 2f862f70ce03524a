# Shared by the benchmark scripts: finds kolvar-filter and ImageMagick, and times a command.
# Expects $root and $build; sets $exe and $im.

exe=$build/filters/kolvar-filter
[ -x "$exe" ] || { echo "no $exe: build the kolvar-filter target first" >&2; exit 1; }

im=""
for c in magick convert-im6.q16 /usr/bin/convert; do
    if command -v "$c" >/dev/null 2>&1; then im=$(command -v "$c"); break; fi
done
[ -n "$im" ] || { echo "ImageMagick not found: apt-get install imagemagick" >&2; exit 1; }

# Wall-clock seconds of one command, its output discarded.
seconds() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo "scale=3; ($end - $start) / 1000000000" | bc
}
