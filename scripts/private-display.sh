# A private X server for the window tests and screenshots: sourced, then
#   start_private_display LOG_FILE    starts Xvfb on a display nobody uses, exports DISPLAY and
#                                     sets PRIVATE_DISPLAY_PID; the caller kills it when done (on failure
#                                     it is already stopped).
# shellcheck shell=bash

start_private_display() {
    local log=$1 number
    # Xvfb picks a display number nobody uses and writes it once it takes connections: two
    # callers starting at the same moment can never pick the same one.
    number=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" </dev/null >"$log" 2>&1 &
    PRIVATE_DISPLAY_PID=$!
    local _
    for _ in $(seq 1 600); do
        kill -0 "$PRIVATE_DISPLAY_PID" 2>/dev/null || break
        if grep -q '^[0-9][0-9]*$' "$number" 2>/dev/null; then
            export DISPLAY=":$(cat "$number")"
            rm -f "$number"
            xdpyinfo >/dev/null 2>&1 && return 0
            break
        fi
        sleep 0.1
    done
    rm -f "$number"
    echo "Xvfb did not start; see $log" >&2
    kill "$PRIVATE_DISPLAY_PID" 2>/dev/null
    # Never the caller's own display: windows meant for the private one must not open there.
    export DISPLAY=:bpconf-no-display
    return 1
}
