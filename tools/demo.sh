#!/usr/bin/env bash
# Builds bruvane.exe and runs it under Wine on a throw-away demo machine:
# a fresh prefix whose only drives are its own C: and a demo drive D:
# (Z:, the host's root, is removed, and so are the links to the host's
# home), with three synthetic infected files, a Run value starting one
# of them and a hosts file matching the text signature. With a display
# (DISPLAY set) you press Scan yourself; without one the program runs
# under Xvfb, the robot presses Scan, the result list is printed and a
# screenshot saved. The prefix is thrown away
# afterwards unless BRUVANE_KEEP_DEMO=1 is set (or --keep is given).
#
#   bash tools/demo.sh [--keep]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
keep=${BRUVANE_KEEP_DEMO:-0}
[ "${1:-}" = "--keep" ] && keep=1

# A fresh Debian machine first gets what the demo needs.
need_install=0
for tool in i686-w64-mingw32-g++-win32 i686-w64-mingw32-objdump wine xvfb-run cmake g++ python3; do
    command -v "$tool" >/dev/null 2>&1 || need_install=1
done
dpkg -s wine32:i386 >/dev/null 2>&1 || need_install=1
# Wine's own fonts (a recommendation of wine, so left out below unless named).
[ -f /usr/share/wine/fonts/marlett.ttf ] || need_install=1
[ -f /usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake ] || need_install=1
if [ "$need_install" = 1 ]; then
    echo "Installing the toolchains from Debian's packages (needs root) ..."
    sudo=
    [ "$(id -u)" = 0 ] || sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends \
        cmake make g++ g++-mingw-w64-i686 binutils-mingw-w64-i686 \
        wine wine32:i386 fonts-wine xvfb xauth libgtest-dev googletest python3 ca-certificates >/dev/null
fi

echo "Building bruvane.exe and the sample generator ..."
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 >/dev/null
cmake --preset host >/dev/null
cmake --build --preset host -j2 --target mksample >/dev/null
mksample=$root/build/host/tools/mksample/mksample
exe=$root/build/win32/src/app/bruvane.exe
robot_exe=$root/build/win32/tests/wine/robot/robot.exe

. "$root/tests/wine/lib/prefix.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/bruvane-demo-XXXXXX")
finish() {
    bruvane_end_prefix "$work/prefix"
    if [ "$keep" = 1 ]; then
        echo "The demo prefix is kept: WINEPREFIX=$work/prefix (demo drive D: = $work/demo-drive)"
    else
        rm -rf "$work"
    fi
}
trap finish EXIT
prefix=$(bruvane_new_prefix "$work")

# The demo drive: an ordinary user's files and three synthetic infected
# programs, made by our own sample generator from the signature table
# (they hold the patterns the scanner looks for, nothing else).
demo=$work/demo-drive
mkdir -p "$demo/Documents" "$demo/Downloads" "$demo/Program Files/Notes"
printf 'Shopping list\n' > "$demo/Documents/list.txt"
printf 'Minutes of the meeting\n' > "$demo/Documents/minutes.txt"
printf 'readme\n' > "$demo/Downloads/readme.txt"
"$mksample" --record 3 --kind match --out "$demo/Downloads/setup.exe"
"$mksample" --record 1 --kind match --out "$demo/Program Files/Notes/notes.exe"
"$mksample" --record 5 --kind match --out "$demo/Documents/invoice.exe"
# A hosts file that the program's text signature matches, in the place
# this Windows version keeps it, made by the same generator from the
# signature's own record: the first detection deletes it with its line.
"$mksample" --hosts --out "$prefix/drive_c/windows/system32/drivers/etc/hosts"
bruvane_map_drive "$prefix" d "$demo"
mkdir -p "$prefix/drive_c/bruvane"
cp "$exe" "$robot_exe" "$prefix/drive_c/bruvane/"
bruvane_check_isolated "$prefix" "$work" || exit 1
export WINEPREFIX=$prefix HOME=$work
cd "$prefix/drive_c"
# A Run value that starts one of them at every logon. The session that
# wrote it ends before the program's own starts, under the display.
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v NotesHelper \
    /d 'D:\Program Files\Notes\notes.exe' /f >/dev/null 2>&1
wineserver -w

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
    # The prefix'"'"'s own wine processes end while the display is still
    # there, so none of them complains about losing it.
    wineserver -k
'
echo
echo "Result list:"
tr -d '\r' < "$prefix/drive_c/bruvane/result.txt" | sed 's/^/    /'
python3 "$root/tests/wine/lib/bmp_to_png.py" "$prefix/drive_c/bruvane/demo.bmp" "$out/bruvane-demo.png"
echo
echo "Screenshot of the finished scan: $out/bruvane-demo.png"
