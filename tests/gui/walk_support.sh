# Sourced by the walk-throughs: checks the tools they need and starts a virtual display with a
# window manager, which the EXIT trap stops with the program ($kolvar_pid) and any helper
# programs the walk-through lists in $extra_pids.

walk_require() {
    for tool in Xvfb openbox xdotool import "$@"; do
        command -v "$tool" >/dev/null ||
            { echo "needs $tool (xvfb openbox xdotool imagemagick python3)"; exit 2; }
    done
}

walk_start_display() {
    display=:$((90 + RANDOM % 150))
    Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
    walk_xvfb=$!
    kolvar_pid=${kolvar_pid:-}
    extra_pids=${extra_pids:-}
    trap 'kill $kolvar_pid $extra_pids $walk_wm $walk_xvfb 2>/dev/null || true' EXIT
    export DISPLAY=$display
    sleep 1
    openbox >/dev/null 2>&1 &
    walk_wm=$!
    sleep 1
}
