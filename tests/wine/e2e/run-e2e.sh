#!/usr/bin/env bash
# Runs one end-to-end scenario (scenarios/NAME.sh): a fresh prefix with
# Z: removed and the links to the host's home cut, bruvane.exe and the
# robot on C:, an X server of its own (Xvfb); the scenario prepares the
# machine, drives the program and checks the machine afterwards. A
# scenario holding the line "# Wine prefix: win64" gets a 64-bit prefix,
# every other one a 32-bit prefix.
#
#   run-e2e.sh NAME WIN32_BUILD_DIR MKSAMPLE ARTIFACTS_DIR
set -euo pipefail
name=${1:?usage: run-e2e.sh NAME WIN32_BUILD_DIR MKSAMPLE ARTIFACTS_DIR}
build=$(readlink -f "${2:?win32 build folder}")
mksample=$(readlink -f "${3:?mksample program}")
artifacts=${4:?artefacts folder}
here=$(cd "$(dirname "$0")" && pwd)
wine_lib=$(cd "$here/../lib" && pwd)
for file in "$build/src/app/bruvane.exe" "$build/tests/wine/robot/robot.exe" "$build/tests/wine/e2e/e2e_waiter.exe" \
    "$build/tests/wine/e2e/e2e_box_answerer.exe" "$mksample"; do
    [ -f "$file" ] || { echo "missing $file: build both presets first" >&2; exit 1; }
done
scenario=$here/scenarios/$name.sh
[ -f "$scenario" ] || { echo "no scenario $scenario" >&2; exit 1; }
arch=win32
if grep -qx '# Wine prefix: win64' "$scenario"; then arch=win64; fi
mkdir -p "$artifacts"
artifacts=$(readlink -f "$artifacts")
. "$wine_lib/prefix.sh"
. "$wine_lib/display.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/bruvane-e2e-$name-XXXXXX")
cleanup() {
    # The prefix's Wine processes end while their display is still there.
    bruvane_end_prefix "$work/prefix"
    bruvane_stop_display
    rm -rf "$work"
}
trap cleanup EXIT
prefix=$(bruvane_new_prefix "$work" "$arch")
bruvane_draw_own_frames "$prefix"
mkdir -p "$work/home"

cd "$prefix/drive_c"
export BRUVANE_WORK=$work WINEPREFIX=$prefix BRUVANE_ARTIFACTS=$artifacts HOME=$work/home
export BRUVANE_EXE=$build/src/app/bruvane.exe BRUVANE_ROBOT=$build/tests/wine/robot/robot.exe
export BRUVANE_WAITER=$build/tests/wine/e2e/e2e_waiter.exe BRUVANE_MKSAMPLE=$mksample
export BRUVANE_BOX_ANSWERER=$build/tests/wine/e2e/e2e_box_answerer.exe
export BRUVANE_GUI_LIB=$wine_lib BRUVANE_E2E_LIB=$here/lib.sh BRUVANE_SCENARIO=$name
bruvane_start_display "$work"
bash -c '
    set -euo pipefail
    [ -z "${E2E_TRACE:-}" ] || set -x
    . "$BRUVANE_GUI_LIB/prefix.sh"
    . "$BRUVANE_GUI_LIB/gui.sh"
    . "$BRUVANE_E2E_LIB"
    bruvane_install "$BRUVANE_EXE" "$BRUVANE_ROBOT"
    . "$0"
    echo "e2e $BRUVANE_SCENARIO: passed"
' "$scenario"
