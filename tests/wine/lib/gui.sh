# Helpers for the GUI scenarios: bruvane.exe and the robot in a fresh
# prefix, under the X display that run-gui.sh provides. Source this file
# after prefix.sh; the scenario runs with these variables set:
#   BRUVANE_WORK       the scenario's temporary folder
#   WINEPREFIX         its fresh prefix
#   BRUVANE_ARTIFACTS  where screenshots are kept

BRUVANE_APP_PID=

# The program's own folder on C:, with the program and the robot.
bruvane_install() {
    local exe=$1 robot=$2
    mkdir -p "$WINEPREFIX/drive_c/bruvane"
    cp "$exe" "$robot" "$WINEPREFIX/drive_c/bruvane/"
}

# bruvane_fast_folder: a folder for many small files, in memory when the
# machine has /dev/shm (creating files on disk is slow on some hosts).
# bruvane_end_prefix removes it with the prefix.
bruvane_fast_folder() {
    local folder
    if [ -d /dev/shm ] && [ -w /dev/shm ]; then
        folder=$(mktemp -d /dev/shm/bruvane-gui-XXXXXX)
    else
        folder=$(mktemp -d "$BRUVANE_WORK/fast-XXXXXX")
    fi
    echo "$folder" >> "$BRUVANE_WORK/fast-folders"
    echo "$folder"
}

# The program walks every fixed drive: it starts only in a prefix that
# sees nothing but the scenario's own folders.
bruvane_start() {
    local allowed=("$BRUVANE_WORK")
    if [ -f "$BRUVANE_WORK/fast-folders" ]; then
        mapfile -t -O 1 allowed < "$BRUVANE_WORK/fast-folders"
        allowed[0]=$BRUVANE_WORK
    fi
    bruvane_check_isolated "$WINEPREFIX" "${allowed[@]}" || fail "the prefix is not isolated"
    wine 'C:\bruvane\bruvane.exe' "$@" &
    BRUVANE_APP_PID=$!
}

robot() {
    wine 'C:\bruvane\robot.exe' "$@"
}

# bruvane_wait_exit SECONDS: the program's exit status, or 124 when it is
# still running after that long.
bruvane_wait_exit() {
    local seconds=$1 waited=0
    while kill -0 "$BRUVANE_APP_PID" 2>/dev/null; do
        if [ "$waited" -ge $((seconds * 10)) ]; then
            return 124
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    wait "$BRUVANE_APP_PID"
}

# shot NAME: robot arguments that save a screenshot; bruvane_keep_shot
# NAME converts it into the artefacts folder afterwards.
shot() {
    printf '%s\n' screenshot "C:\\bruvane\\$1.bmp"
}

bruvane_keep_shot() {
    local name=$1 here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    mkdir -p "$BRUVANE_ARTIFACTS"
    python3 "$here/bmp_to_png.py" "$WINEPREFIX/drive_c/bruvane/$name.bmp" "$BRUVANE_ARTIFACTS/$name.png"
}

# bruvane_expect_text_height HEIGHT FONT_HEIGHT EXTRA: the message
# dialog's text area, 19 dialog units high in its template, is HEIGHT
# pixels high for a prompt under 30 characters (7 more) with EXTRA more
# (25 with large fonts, 0 without). FONT_HEIGHT is the dialog font's
# height in pixels (robot font-height), eight vertical dialog units.
bruvane_expect_text_height() {
    local height=$1 font_height=$2 extra=$3 template
    [ -n "$height" ] && [ -n "$font_height" ] || fail "no dialog geometry or font height"
    template=$(((19 * font_height + 4) / 8))
    [ "$height" = $((template + 7 + extra)) ] ||
        fail "the text area is $height pixels high, expected $template + 7 + $extra"
}

# bruvane_fill_drive FOLDER FOLDERS FILES: FOLDERS folders of FILES small
# files each, enough to keep a scan busy for a while.
bruvane_fill_drive() {
    python3 - "$@" <<'PY'
import os, sys
root, folders, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for f in range(folders):
    folder = os.path.join(root, "folder%03d" % f)
    os.makedirs(folder, exist_ok=True)
    for n in range(files):
        with open(os.path.join(folder, "note%03d.txt" % n), "w") as out:
            out.write("plain text\n")
PY
}

# fail MESSAGE: ends the scenario. The message names the scenario's line
# that led to the failure, then each helper on the way with the line it
# was at: "name.sh:12: FAIL: ... (via e2e_scan at lib.sh:146)".
fail() {
    local top=$((${#BASH_SOURCE[@]} - 1)) i via=""
    # The function of frame i was called at line BASH_LINENO[i] of
    # BASH_SOURCE[i + 1]; the last frame is the sourced scenario itself.
    for ((i = top - 2; i >= 0; i--)); do
        via+="${via:+, }${FUNCNAME[i + 1]} at ${BASH_SOURCE[i + 1]##*/}:${BASH_LINENO[i]}"
    done
    echo "${BASH_SOURCE[top]##*/}:${BASH_LINENO[top - 1]}: FAIL: $*${via:+ (via $via)}" >&2
    exit 1
}
