#!/usr/bin/env bash
# Runnable samples under Wine: each is made from the waiting program by the
# sample generator, must still run like the original, and must be detected
# by the real file inspection while it runs. The original is the control.
set -euo pipefail
mksample=${1:?usage: run-runnable-samples.sh MKSAMPLE WAITER.exe PROBE.exe RECORD...}
waiter=${2:?}
probe=${3:?}
shift 3
for file in "$mksample" "$waiter" "$probe"; do
    [ -f "$file" ] || { echo "missing $file: build both presets first" >&2; exit 1; }
done
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine/lib/prefix.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/bruvane-runnable-wine-XXXXXX")
trap 'bruvane_end_prefix "$work/prefix"; rm -rf "$work"' EXIT
prefix=$(bruvane_new_prefix "$work")
mkdir -p "$work/d"
bruvane_map_drive "$prefix" d "$work/d"
# One wineserver for every run: starting it costs seconds each time.
WINEPREFIX=$prefix wineserver -p </dev/null >/dev/null 2>&1
cp "$waiter" "$work/d/waiter.exe"
cp "$probe" "$work/d/detection_probe.exe"

failed=0
check() {  # check LABEL COMMAND...: run under Wine, keep the output
    local label=$1 status=0 at="${BASH_SOURCE[1]##*/}:${BASH_LINENO[0]}"
    shift
    # Into a file, not a pipe: Wine's own services live on with the
    # server and would hold a pipe open.
    # From within D:, the only drive, so Wine has a working folder.
    (cd "$work/d" && WINEPREFIX=$prefix wine "$@") >"$work/output" 2>&1 || status=$?
    output=$(cat "$work/output")
    if [ "$status" = 0 ]; then
        echo "$label: $output"
    else
        echo "$at: $label: FAILED (exit $status): $output"
        failed=1
    fi
}

check "control run" 'D:\waiter.exe' 50
check "control inspection" 'D:\detection_probe.exe' 0 'D:\waiter.exe'
for record in "$@"; do
    "$mksample" --runnable "$waiter" --record "$record" --out "$work/d/sample$record.exe"
    check "record $record run" "D:\\sample$record.exe" 50
    case "$output" in *"waiter: started"*) ;; *) echo "record $record: the sample did not run"; failed=1 ;; esac
    check "record $record inspection" 'D:\detection_probe.exe' "$record" "D:\\sample$record.exe"
done
exit $failed
