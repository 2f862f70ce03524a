#!/usr/bin/env bash
# Sets up a Debian 12 machine for Kolvar, builds it, and runs the editor or the tests.
#
#   tools/dev.sh run              install what is missing, build, start the editor
#   tools/dev.sh test             install what is missing, build, run every test
#   tools/dev.sh test --sanitize  the same with AddressSanitizer and UBSan (build-asan/)
#   tools/dev.sh build            install and build only
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
          libgl-dev zlib1g-dev libjpeg62-turbo-dev libpng-dev libgtest-dev libgmock-dev
          libbenchmark-dev fonts-liberation2 xvfb xauth poppler-utils libtiff-tools python3
          qt6-translations-l10n appstream groff-base man-db dpkg-dev)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

build() {
    local dir=$1; shift
    local launcher=()
    # A compiler cache makes rebuilds in other checkouts of the tree cheap; it is optional.
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$root" -B "$root/$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
    cmake --build "$root/$dir" -j "$(nproc)"
}

cmd=${1:-}
shift || true
case "$cmd" in
run)
    install_missing
    build build -DCMAKE_BUILD_TYPE=Release
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        echo "No display found: starting Kolvar on a virtual display under xvfb-run."
        exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build/app/kolvar" "$@"
    fi
    exec "$root/build/app/kolvar" "$@"
    ;;
test)
    install_missing
    if [ "${1:-}" = "--sanitize" ]; then
        build build-asan -DCMAKE_BUILD_TYPE=Debug -DKOLVAR_SANITIZE=ON -DKOLVAR_BENCH=OFF
        dir=build-asan
    else
        build build -DCMAKE_BUILD_TYPE=Release
        dir=build
    fi
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir "$root/$dir" --output-on-failure -j "$(nproc)"
    ;;
build)
    install_missing
    build build -DCMAKE_BUILD_TYPE=Release
    ;;
*)
    sed -n '2,8p' "$0"
    exit 2
    ;;
esac
