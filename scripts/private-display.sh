# A private X server for the window tests and screenshots: sourced, then
#   start_private_display LOG_FILE    starts Xvfb on a display nobody uses, exports DISPLAY and
#                                     sets PRIVATE_DISPLAY_PID; the caller kills it when done (on failure
#                                     it is already stopped).
# shellcheck shell=bash

start_private_display() {
    local log=$1 display
    display=$((100 + RANDOM % 800))
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$log" 2>&1 &
    PRIVATE_DISPLAY_PID=$!
    export DISPLAY=":$display"
    local _
    for _ in $(seq 1 600); do
        kill -0 "$PRIVATE_DISPLAY_PID" 2>/dev/null || break
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb did not start on $DISPLAY" >&2
    kill "$PRIVATE_DISPLAY_PID" 2>/dev/null
    return 1
}
