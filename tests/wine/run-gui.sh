#!/usr/bin/env bash
# Runs one GUI scenario (tests/wine/gui/NAME.sh): a fresh prefix with
# Z: removed and its links to the host's home cut, bruvane.exe and the
# robot on C:, an X server of its own (Xvfb), screenshots kept in the
# artefacts folder.
#
#   run-gui.sh NAME WIN32_BUILD_DIR ARTIFACTS_DIR
set -euo pipefail
name=${1:?usage: run-gui.sh NAME WIN32_BUILD_DIR ARTIFACTS_DIR}
build=${2:?win32 build folder}
artifacts=${3:?artefacts folder}
here=$(cd "$(dirname "$0")" && pwd)
build=$(readlink -f "$build")
exe=$build/src/app/bruvane.exe
robot_exe=$build/tests/wine/robot/robot.exe
for file in "$exe" "$robot_exe"; do
    [ -f "$file" ] || { echo "missing $file: build the win32 preset first" >&2; exit 1; }
done
exe=$(readlink -f "$exe")
robot_exe=$(readlink -f "$robot_exe")
mkdir -p "$artifacts"
artifacts=$(readlink -f "$artifacts")
. "$here/lib/prefix.sh"
. "$here/lib/display.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/bruvane-gui-$name-XXXXXX")
# The prefix's Wine processes end while their display is still there.
trap 'bruvane_end_prefix "$work/prefix"; bruvane_stop_display; rm -rf "$work"' EXIT
prefix=$(bruvane_new_prefix "$work")
bruvane_draw_own_frames "$prefix"
# Should Wine ever link the user's folders again, they lead here.
mkdir -p "$work/home"

cd "$prefix/drive_c"
export BRUVANE_WORK=$work WINEPREFIX=$prefix BRUVANE_ARTIFACTS=$artifacts HOME=$work/home
export BRUVANE_EXE=$exe BRUVANE_ROBOT=$robot_exe BRUVANE_GUI_LIB=$here/lib BRUVANE_BUILD=$build
bruvane_start_display "$work"
bash -c '
    set -euo pipefail
    . "$BRUVANE_GUI_LIB/prefix.sh"
    . "$BRUVANE_GUI_LIB/gui.sh"
    bruvane_install "$BRUVANE_EXE" "$BRUVANE_ROBOT"
    . "$0"
' "$here/gui/$name.sh"
