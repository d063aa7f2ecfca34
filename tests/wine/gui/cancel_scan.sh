# Ending a scan: Cancel asks under the program's title and No goes on;
# the close button asks under "DialogBoxTitle" and Yes ends the scan with
# "Scanning terminated". While the scan runs, the 151st line empties the
# list. A clean machine reports no lines of its own, so the robot sends
# the report message itself.
busy=$(bruvane_fast_folder)
bruvane_fill_drive "$busy" 200 100
bruvane_map_drive "$WINEPREFIX" d "$busy"
bruvane_start
prompt="Terminate the Scan now?"
robot font-height "MS Sans Serif" 8 wait-window 30000 click 1052 \
    wait-text-not 1065 "Static" 30000 \
    expect-text 1064 "Scanning" expect-visible 1076 1 expect-visible 2 1 expect-visible 1070 0 \
    expect-text 1076 "Searching for W32/Gorvex Trojan and its variants" \
    $(shot scanning) \
    send-report 150 expect-count eq 150 send-report 1 expect-count eq 1 send-report 9 expect-count eq 10 \
    expect-visible 1070 0 \
    click 2 wait-dialog "Bruvane Ver 1.0" "$prompt" 10000 expect-dialog-buttons 6,7 expect-dialog-centred \
    dialog-geometry $(shot prompt) \
    press-dialog 7 \
    expect-visible 2 1 expect-visible 1070 0 \
    click 1054 wait-dialog "DialogBoxTitle" "$prompt" 10000 expect-dialog-buttons 6,7 \
    press-dialog 6 \
    wait-text 1065 "Scanning terminated" 30000 \
    expect-visible 2 0 expect-visible 1070 1 expect-text 1064 "" \
    list 'C:\bruvane\lines.txt' \
    click 1070 wait-gone 10000 | tr -d '\r' > "$BRUVANE_WORK/geometry.txt"
tr -d '\r' < "$WINEPREFIX/drive_c/bruvane/lines.txt" | tail -n 5 | head -n 2 > "$BRUVANE_WORK/head.txt"
printf '%s\n' "Scanning statistics" "------------------------------" | diff -u - "$BRUVANE_WORK/head.txt" ||
    fail "the statistics do not close the list"
bruvane_keep_shot scanning
bruvane_keep_shot prompt
# At 96 pixels per inch the prompt has no large-fonts height (large_fonts
# has it at 120).
font_height=$(awk '$1 == "font-height" { print $2 }' "$BRUVANE_WORK/geometry.txt")
read -r -a g < <(grep '^dialog ' "$BRUVANE_WORK/geometry.txt")
bruvane_expect_text_height "${g[7]}" "$font_height" 0
bruvane_wait_exit 20 || fail "the program did not end after OK (status $?)"
