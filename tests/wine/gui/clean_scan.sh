# A scan of a clean machine: the statistics only, "Scanning completed",
# the OK button; after the statistics the list is never emptied again.
bruvane_start
robot wait-window 30000 click 1052 \
    wait-visible 1070 120000 \
    expect-text 1065 "Scanning completed" expect-text 1064 "" \
    expect-visible 1076 0 expect-visible 2 0 expect-visible 1055 1 \
    expect-enabled 1052 0 expect-visible 1077 0 expect-visible 1080 0 \
    list 'C:\bruvane\lines.txt' \
    $(shot finished) \
    send-report 200 expect-count eq 205
files=$(find "$WINEPREFIX/drive_c" -type f | wc -l)
# The list and the screenshot above were written after the walk.
files=$((files - 2))
printf '%s\n' "Scanning statistics" "------------------------------" \
    "$(printf 'Total files scanned\t\t:  %d' "$files")" \
    "$(printf 'Total files infected\t\t:  0')" "$(printf 'Total files removed\t\t:  0')" > "$BRUVANE_WORK/expected.txt"
tr -d '\r' < "$WINEPREFIX/drive_c/bruvane/lines.txt" > "$BRUVANE_WORK/lines.txt"
diff -u "$BRUVANE_WORK/expected.txt" "$BRUVANE_WORK/lines.txt" || fail "unexpected result lines"
robot wait-window 5000 click 1070 wait-gone 10000
bruvane_keep_shot finished
bruvane_wait_exit 20 || fail "the program did not end after OK (status $?)"
