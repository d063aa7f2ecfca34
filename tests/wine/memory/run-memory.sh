#!/usr/bin/env bash
# The memory stage under Wine. A runnable sample (the waiting program made
# to match a signature record) runs as a process in a fresh prefix whose
# only drives are C: and a test folder as D:; then the memory probe runs
# the stage next to it.
#
#   run-memory.sh winxp|win98 MKSAMPLE WAITER.exe MEMORY_PROBE.exe [RECORD]
#
# winxp: Wine reports NT 5.1, so the psapi scan runs. It must find the
#        sample by its full path, terminate it, remove its file, and end
#        the program with status 0.
# win98: Wine reports 9x, so the Toolhelp scan runs. Wine's szExeFile is
#        the bare file name in every version mode (9x itself gives the full
#        path), so the scan finds the image only relative to the current
#        folder: from C:\windows it passes the sample over, from D:\ it
#        terminates it and removes the file. The 9x stage never ends the
#        program.
set -euo pipefail
version=${1:?usage: run-memory.sh winxp|win98 MKSAMPLE WAITER PROBE [RECORD]}
mksample=${2:?} waiter=${3:?} probe=${4:?} record=${5:-8}
for file in "$mksample" "$waiter" "$probe"; do
    [ -f "$file" ] || { echo "missing $file: build the host and win32 presets first" >&2; exit 1; }
done
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib/prefix.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/bruvane-memory-wine-XXXXXX")
sample_pid=""
cleanup() {
    if [ -n "$sample_pid" ]; then kill "$sample_pid" 2>/dev/null || true; fi
    bruvane_end_prefix "$work/prefix"
    rm -rf "$work"
}
trap cleanup EXIT
prefix=$(bruvane_new_prefix "$work")
mkdir -p "$work/d"
bruvane_map_drive "$prefix" d "$work/d"
bruvane_set_windows_version "$prefix" "$version"
"$mksample" --runnable "$waiter" --record "$record" --out "$work/d/gorvex.exe"
cp "$probe" "$work/d/memory_probe.exe"

failures=0
check() {  # check DESCRIPTION COMMAND...; a failure names the line of the check
    local what=$1 at="${BASH_SOURCE[1]##*/}:${BASH_LINENO[0]}"
    shift
    if "$@"; then echo "ok: $what"; else echo "$at: FAILED: $what"; failures=$((failures + 1)); fi
}
sample_running() { [ -n "$sample_pid" ] && kill -0 "$sample_pid" 2>/dev/null; }
sample_ended() {  # gives the stage's termination a few seconds to take effect
    local i
    for i in $(seq 1 50); do sample_running || return 0; sleep 0.2; done
    return 1
}
start_sample() {
    (cd "$work/d" && WINEPREFIX=$prefix exec wine 'D:\gorvex.exe' 120000 >"$work/sample.out" 2>&1) &
    sample_pid=$!
    local i
    for i in $(seq 1 150); do
        grep -q "waiter: started" "$work/sample.out" 2>/dev/null && return 0
        sleep 0.2
    done
    echo "the sample did not start:" >&2
    cat "$work/sample.out" >&2
    return 1
}
# run_probe FOLDER: runs the probe with FOLDER as its current folder; its
# output goes to probe.out, its status to $status.
run_probe() {
    status=0
    (cd "$1" && WINEPREFIX=$prefix timeout 120 wine 'D:\memory_probe.exe') >"$work/probe.out" 2>&1 || status=$?
    echo "--- probe (status $status, from $1):"
    sed 's/^/    /' "$work/probe.out"
}
says() { grep -qF -- "$1" "$work/probe.out"; }

start_sample
case "$version" in
winxp)
    run_probe "$work/d"
    check "the stage ended the program with status 0" [ "$status" -eq 0 ]
    check "it reported the removal from memory" says "report: System Memory    W32/Gorvex.Trojan  removed"
    check "it removed the file" says 'report: D:\gorvex.exe     W32/Gorvex.Trojan  removed'
    check "the sample process ended" sample_ended
    check "the sample file is gone" [ ! -e "$work/d/gorvex.exe" ]
    if says "dialog:"; then
        echo "note: the restart question came (the second termination attempt found no process)"
    else
        echo "note: no restart question (the second termination attempt succeeded on the ended process)"
    fi
    ;;
win98)
    run_probe "$work"  # outside every drive: Wine starts it in C:\windows
    check "from C:\\windows the stage returned" [ "$status" -eq 4 ]
    check "the bare name was passed over" sample_running
    check "the file is still there" [ -e "$work/d/gorvex.exe" ]
    check "no prompt" bash -c "! grep -q 'dialog:' '$work/probe.out'"
    run_probe "$work/d"
    check "from D:\\ the stage returned too" [ "$status" -eq 4 ]
    check "it reported the removal from memory" says "report: System Memory    W32/Gorvex.Trojan  removed"
    check "it removed the file by its bare name" says "report: gorvex.exe     W32/Gorvex.Trojan  removed"
    check "the sample process ended" sample_ended
    check "the sample file is gone" [ ! -e "$work/d/gorvex.exe" ]
    ;;
*)
    echo "unknown version $version" >&2
    exit 2
    ;;
esac
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "memory stage under Wine ($version): all checks passed"
