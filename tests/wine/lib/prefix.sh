# Fresh, isolated Wine prefixes for tests. Source this file.
#
# The program under test walks every fixed drive and deletes what it
# detects, so a test prefix never shows the host: drive Z: (the host root)
# and every other letter Wine made are removed, and only test folders are
# mapped. One booted template per machine and architecture is made once
# and copied per test (booting a 32-bit prefix takes 10-12 s, a 64-bit one
# about 19 s; copying takes 3 and 5 s).

BRUVANE_WINE_CACHE=${BRUVANE_WINE_CACHE:-${TMPDIR:-/tmp}/bruvane-wine-cache}
# The template's name changes whenever what goes into it does, so that a
# template an older recipe made is never taken for this one.
BRUVANE_WINE_TEMPLATE_NAME=template-2
# Wine's own fonts (Debian's fonts-wine): Marlett draws the caption's
# close button, and Debian's Wine does not load them from where the
# package puts them.
BRUVANE_WINE_FONTS=${BRUVANE_WINE_FONTS:-/usr/share/wine/fonts}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: the tests need neither, and they would
# try to download.
export WINEDLLOVERRIDES="mscoree,mshtml="

# bruvane_wine_template [ARCH]: the booted template of that architecture
# (win32, the default, or win64), made the first time it is asked for;
# prints its path. Both are made under one lock, so that two tests never
# boot at the same time.
bruvane_wine_template() {
    local arch=${1:-win32} template="$BRUVANE_WINE_CACHE/$BRUVANE_WINE_TEMPLATE_NAME"
    case "$arch" in
        win32) ;;
        win64) template+=-win64 ;;
        *) echo "unknown Wine architecture $arch" >&2; return 1 ;;
    esac
    mkdir -p "$BRUVANE_WINE_CACHE"
    (
        flock 9
        if [ ! -f "$template/.bruvane-ready" ]; then
            if [ ! -f "$BRUVANE_WINE_FONTS/marlett.ttf" ]; then
                echo "no $BRUVANE_WINE_FONTS/marlett.ttf: install Debian's fonts-wine" >&2
                exit 1
            fi
            # Debian's wine64 puts its loader there, not on the PATH.
            if [ "$arch" = win64 ] && [ ! -x /usr/lib/wine/wine64 ]; then
                echo "no /usr/lib/wine/wine64: install Debian's wine64" >&2
                exit 1
            fi
            rm -rf "$template"
            WINEARCH=$arch WINEPREFIX="$template" wineboot -i >/dev/null 2>&1
            WINEPREFIX="$template" wineserver -w
            grep -q "^#arch=$arch" "$template/system.reg" 2>/dev/null || { echo "wineboot failed ($arch)" >&2; exit 1; }
            cp "$BRUVANE_WINE_FONTS"/*.ttf "$template/drive_c/windows/Fonts/" || exit 1
            touch "$template/.bruvane-ready"
        fi
    ) 9>"$BRUVANE_WINE_CACHE/lock" || return 1
    echo "$template"
}

# bruvane_new_prefix DIR [ARCH]: a fresh copy of the template (win32 or
# win64) at DIR/prefix with only C: (its own drive_c) left; prints the
# prefix path.
bruvane_new_prefix() {
    local dir=$1 template
    template=$(bruvane_wine_template "${2:-win32}") || return 1
    mkdir -p "$dir"
    cp -a "$template" "$dir/prefix"
    local entry
    for entry in "$dir/prefix/dosdevices/"*; do
        case "$(basename "$entry")" in
            c:) ;;
            *) rm -f "$entry" ;;
        esac
    done
    bruvane_cut_host_links "$dir/prefix" || return 1
    echo "$dir/prefix"
}

# bruvane_cut_host_links PREFIX: wineboot links the user's folders in
# drive_c (Desktop, Documents, Music ...) to the host's home; a walk of C:
# would go through them. Each link becomes an empty folder.
bruvane_cut_host_links() {
    local prefix=$1 link
    while IFS= read -r -d '' link; do
        rm -f "$link" && mkdir -p "$link" || return 1
    done < <(find "$prefix/drive_c" -type l -print0)
    bruvane_check_isolated "$prefix"
}

# bruvane_check_isolated PREFIX [FOLDER...]: fails (with a message) when
# drive_c holds a symbolic link, or a drive letter other than C: points
# outside the given folders (the serial ports Wine links are no drives).
bruvane_check_isolated() {
    local prefix=$1; shift
    if [ -n "$(find "$prefix/drive_c" -type l -print -quit)" ]; then
        echo "prefix $prefix: drive_c holds symbolic links" >&2
        return 1
    fi
    local entry target allowed ok
    for entry in "$prefix/dosdevices/"?:; do
        [ -e "$entry" ] || [ -L "$entry" ] || continue
        [ "$(basename "$entry")" = "c:" ] && continue
        target=$(readlink -f "$entry")
        ok=0
        for allowed in "$@"; do
            case "$target" in "$(readlink -f "$allowed")"*) ok=1 ;; esac
        done
        if [ "$ok" != 1 ]; then
            echo "prefix $prefix: drive $(basename "$entry") points at $target" >&2
            return 1
        fi
    done
}

# bruvane_map_drive PREFIX LETTER FOLDER: the folder appears as LETTER: (fixed).
bruvane_map_drive() {
    local prefix=$1 letter=$2 folder=$3
    ln -sfn "$folder" "$prefix/dosdevices/${letter,,}:"
}

# bruvane_set_windows_version PREFIX VERSION: win98, nt40, winxp, win7, win10 ...
bruvane_set_windows_version() {
    WINEPREFIX=$1 wine reg add 'HKCU\Software\Wine' /v Version /d "$2" /f >/dev/null 2>&1
}

# bruvane_end_prefix PREFIX: ends the prefix's Wine processes, and removes
# the in-memory folders the scenario made beside it (bruvane_fast_folder
# in gui.sh lists them in the prefix's parent folder).
bruvane_end_prefix() {
    WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true
    local list folder
    list=$(dirname "$1")/fast-folders
    [ -f "$list" ] || return 0
    while IFS= read -r folder; do
        case "$folder" in
            /dev/shm/bruvane-gui-*|"$(dirname "$1")"/*) rm -rf "$folder" ;;
        esac
    done < "$list"
    rm -f "$list"
}

# bruvane_draw_own_frames PREFIX: without a window manager (Xvfb) nobody
# draws captions and frames, and Wine waits two seconds for a manager to
# acknowledge every window it hides. Unmanaged, undecorated windows are
# framed by Wine itself and hidden at once. Written into the registry file
# directly, before the prefix's first start.
bruvane_draw_own_frames() {
    printf '\n[Software\\\\Wine\\\\X11 Driver] 0\n"Decorated"="N"\n"Managed"="N"\n' >> "$1/user.reg"
}
