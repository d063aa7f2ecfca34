# Large fonts: Wine at 120 logical pixels per inch, as Windows set to
# large fonts. The main window notices, and the message dialog then makes
# its text area 25 pixels taller than the template and the text's length
# ask for. cancel_scan shows the same prompt at 96 without them.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120 /f >/dev/null 2>&1 ||
    fail "could not set LogPixels"
busy=$(bruvane_fast_folder)
bruvane_fill_drive "$busy" 200 100
bruvane_map_drive "$WINEPREFIX" d "$busy"
bruvane_start
prompt="Terminate the Scan now?"
robot expect-dpi 120 font-height "MS Sans Serif" 8 \
    wait-window 30000 click 1052 wait-text-not 1065 "Static" 30000 \
    click 2 wait-dialog "Bruvane Ver 1.0" "$prompt" 10000 expect-dialog-buttons 6,7 expect-dialog-centred \
    dialog-geometry $(shot prompt-large-fonts) press-dialog 6 \
    wait-text 1065 "Scanning terminated" 30000 click 1070 wait-gone 10000 \
    | tr -d '\r' > "$BRUVANE_WORK/geometry.txt"
bruvane_wait_exit 20 || fail "the program did not end after OK (status $?)"
bruvane_keep_shot prompt-large-fonts
font_height=$(awk '$1 == "font-height" { print $2 }' "$BRUVANE_WORK/geometry.txt")
read -r -a g < <(grep '^dialog ' "$BRUVANE_WORK/geometry.txt")
bruvane_expect_text_height "${g[7]}" "$font_height" 25
