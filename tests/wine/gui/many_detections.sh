# The 150-line rule with real report lines: every synthetic sample on D:
# is detected and removed, one line each. With 151 samples the 151st line
# empties the list during the scan; with exactly 150 the list is full when
# the statistics start, and they are appended, never cut.
[ -x "${BRUVANE_MKSAMPLE:-}" ] || fail "mksample is missing (build the host preset)"
samples=$(bruvane_fast_folder)
bruvane_map_drive "$WINEPREFIX" d "$samples"
restart="$(printf 'The system has to be restarted to remove the virus completely from your system. \n\n Restart now?')"

make_samples() {
    mkdir -p "$samples/infected"
    "$BRUVANE_MKSAMPLE" --record 3 --kind match --out "$samples/infected/sample001.exe"
    for n in $(seq -f %03g 2 "$1"); do cp "$samples/infected/sample001.exe" "$samples/infected/sample$n.exe"; done
}

# scan_and_list N: a scan of a machine with N samples; the result list
# ends up in $BRUVANE_WORK/lines-N.txt.
scan_and_list() {
    make_samples "$1"
    bruvane_start
    robot wait-window 30000 rule "Bruvane Ver 1.0" "$restart" 7 click 1052 wait-visible 1070 120000 \
        expect-text 1065 "Scanning completed" list 'C:\bruvane\lines.txt' click 1070 wait-gone 10000
    bruvane_wait_exit 20 || fail "the program did not end after OK (status $?)"
    tr -d '\r' < "$WINEPREFIX/drive_c/bruvane/lines.txt" > "$BRUVANE_WORK/lines-$1.txt"
    [ -z "$(ls "$samples/infected")" ] || fail "samples left after the scan"
}

statistics() {
    printf '%s\n' " " "Scanning statistics" "------------------------------"
    printf 'Total files scanned\t\t:  %s\n' "$2"
    printf 'Total files infected\t\t:  %s\n' "$1"
    printf 'Total files removed\t\t:  %s\n' "$1"
}

detection() {
    printf 'D:\\infected\\sample%s.exe     W32/Gorvex.Pos.Trojan removed\n' "$1"
}

scan_and_list 151
scanned=$(grep -a 'Total files scanned' "$BRUVANE_WORK/lines-151.txt" | sed 's/.*:  //')
{ detection 151; statistics 151 "$scanned"; } | diff -u - "$BRUVANE_WORK/lines-151.txt" ||
    fail "the 151st line should have emptied the list"

scan_and_list 150
scanned=$(grep -a 'Total files scanned' "$BRUVANE_WORK/lines-150.txt" | sed 's/.*:  //')
{ for n in $(seq -f %03g 1 150); do detection "$n"; done; statistics 150 "$scanned"; } |
    diff -u - "$BRUVANE_WORK/lines-150.txt" || fail "a full list must take the statistics whole"
