#!/usr/bin/env bash
# Builds bruvane.exe and runs it under Wine on a throw-away demo machine:
# a fresh prefix whose only drives are its own C: and a demo drive D:
# (Z:, the host's root, is removed, and so are the links to the host's
# home). With a display (DISPLAY set) you press Scan yourself; without
# one the program runs under Xvfb, the robot presses Scan, the result
# list is printed and a screenshot saved.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 >/dev/null
# The sample generator is a host tool.
cmake --preset host >/dev/null
cmake --build --preset host -j2 --target mksample >/dev/null
mksample=$root/build/host/tools/mksample/mksample
exe=$root/build/win32/src/app/bruvane.exe
robot_exe=$root/build/win32/tests/wine/robot/robot.exe

. "$root/tests/wine/lib/prefix.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/bruvane-demo-XXXXXX")
trap 'bruvane_end_prefix "$work/prefix"; rm -rf "$work"' EXIT
prefix=$(bruvane_new_prefix "$work")

# The demo drive: an ordinary user's files, three synthetic infected
# programs made from the signature table, and a near miss that must stay.
demo=$work/demo-drive
mkdir -p "$demo/Documents" "$demo/Downloads" "$demo/Program Files/Notes"
printf 'Shopping list\n' > "$demo/Documents/list.txt"
printf 'Minutes of the meeting\n' > "$demo/Documents/minutes.txt"
printf 'readme\n' > "$demo/Downloads/readme.txt"
"$mksample" --record 3 --kind match --out "$demo/Downloads/setup.exe"
"$mksample" --record 8 --kind match --out "$demo/Documents/invoice.exe"
"$mksample" --record 11 --kind match --out "$demo/Program Files/Notes/notes.exe"
"$mksample" --record 3 --kind size-plus-one --out "$demo/Downloads/tool.exe"
bruvane_map_drive "$prefix" d "$demo"
mkdir -p "$prefix/drive_c/bruvane"
cp "$exe" "$robot_exe" "$prefix/drive_c/bruvane/"
bruvane_check_isolated "$prefix" "$work" || exit 1
export WINEPREFIX=$prefix HOME=$work
cd "$prefix/drive_c"

if [ -n "${DISPLAY:-}" ]; then
    echo "Starting bruvane.exe on the demo machine (C: and D: = $demo). Press Scan; close the window to end."
    wine 'C:\bruvane\bruvane.exe'
    exit 0
fi

out=$root/build/demo
mkdir -p "$out"
bruvane_draw_own_frames "$prefix"
echo "No display: running bruvane.exe under Xvfb; the robot presses Scan."
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    wine "C:\\bruvane\\bruvane.exe" &
    app=$!
    # Restart offers are always declined: this is somebody'"'"'s computer.
    wine "C:\\bruvane\\robot.exe" wait-window 30000 \
        rule "Bruvane Ver 1.0" "$(printf "The system has to be restarted to remove the virus completely from your system. \n\n Restart now?")" 7 \
        click 1052 wait-visible 1070 600000 \
        list "C:\\bruvane\\result.txt" screenshot "C:\\bruvane\\demo.bmp" \
        click 1070 wait-gone 10000
    wait "$app"
'
echo
echo "Left on the demo drive:"
(cd "$demo" && find . -type f | sort | sed 's/^/    /')
echo
echo "Result list:"
tr -d '\r' < "$prefix/drive_c/bruvane/result.txt" | sed 's/^/    /'
python3 "$root/tests/wine/lib/bmp_to_png.py" "$prefix/drive_c/bruvane/demo.bmp" "$out/bruvane-demo.png"
echo
echo "Screenshot of the finished scan: $out/bruvane-demo.png"
