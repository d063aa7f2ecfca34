# An X server of a scenario's own. Source this file.
#
# Scenarios run side by side, each with its own prefix, wineserver and X
# server. Xvfb picks the first free display number itself (-displayfd),
# so two servers starting at the same moment never take the same one (a
# free number chosen beforehand, as xvfb-run -a does, can be taken by
# another server before this one starts).

BRUVANE_XVFB_PID=

# bruvane_start_display FOLDER: starts Xvfb (1024x768, 24 bits), writing
# its display number into FOLDER/display; exports DISPLAY once the server
# accepts clients.
bruvane_start_display() {
    local folder=$1 waited=0 number
    : > "$folder/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$folder/display" >"$folder/xvfb.log" 2>&1 &
    BRUVANE_XVFB_PID=$!
    # Xvfb writes the number and a newline once it accepts connections.
    until [ "$(wc -l < "$folder/display")" -ge 1 ]; do
        if ! kill -0 "$BRUVANE_XVFB_PID" 2>/dev/null || [ "$waited" -ge 300 ]; then
            echo "Xvfb did not start:" >&2
            cat "$folder/xvfb.log" >&2
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    number=$(tr -dc '0-9' < "$folder/display")
    export DISPLAY=":$number"
}

# bruvane_stop_display: ends the server bruvane_start_display started.
bruvane_stop_display() {
    [ -n "$BRUVANE_XVFB_PID" ] || return 0
    kill "$BRUVANE_XVFB_PID" 2>/dev/null || true
    wait "$BRUVANE_XVFB_PID" 2>/dev/null || true
    BRUVANE_XVFB_PID=
}
