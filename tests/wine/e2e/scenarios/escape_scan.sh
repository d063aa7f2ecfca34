# A scan ended by Escape: the key asks "Terminate the Scan now?" under
# the program's title, Yes ends it with "Scanning terminated" and the
# statistics; a drive's files after the termination are not inspected.
e2e_machine winxp
busy=$(bruvane_fast_folder)
bruvane_fill_drive "$busy" 200 100
bruvane_map_drive "$WINEPREFIX" d "$busy"
bruvane_start
robot wait-window 30000 click 1052 \
    wait-text-not 1065 "Static" 30000 \
    key 27 wait-dialog "Bruvane Ver 1.0" "Terminate the Scan now?" 10000 expect-dialog-buttons 6,7 \
    press-dialog 6 \
    wait-text 1065 "Scanning terminated" 30000 \
    expect-visible 1070 1 list 'C:\bruvane\lines.txt' || fail "the robot failed"
tr -d '\r' < "$WINEPREFIX/drive_c/bruvane/lines.txt" > "$BRUVANE_WORK/lines.txt"
tail -n 5 "$BRUVANE_WORK/lines.txt" | head -n 2 | diff -u <(printf '%s\n' "Scanning statistics" "------------------------------") - ||
    fail "the statistics do not close the list"
scanned=$(tail -n 3 "$BRUVANE_WORK/lines.txt" | head -n 1 | awk -F':  ' '{ print $2 }')
total=$(( $(e2e_file_count "$WINEPREFIX/drive_c") + 20000 ))
[ "$scanned" -lt "$total" ] || fail "the whole machine was scanned ($scanned files) despite the termination"
tail -n 2 "$BRUVANE_WORK/lines.txt" | diff -u <(printf 'Total files infected\t\t:  0\nTotal files removed\t\t:  0\n') - ||
    fail "unexpected counters"
e2e_finish
