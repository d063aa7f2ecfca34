# The robot answers every prompt exactly once, also when the same prompt
# comes back: Escape twice during a scan, "Terminate the Scan now?"
# answered No each time (the scan goes on to the end), then the restart
# offer for a locked file answered No. Three prompts, three answers.
e2e_machine winxp
busy=$(bruvane_fast_folder)
bruvane_fill_drive "$busy" 100 100
bruvane_map_drive "$WINEPREFIX" d "$busy"
c=$WINEPREFIX/drive_c
e2e_sample 1 "$c/locked/locked.exe"
holder=$(e2e_hold 'C:\locked\locked.exe')
e2e_wait_open "$holder" "$c/locked/locked.exe"
scanned=$(e2e_file_count "$c" "$busy")
bruvane_start
robot wait-window 30000 rule "Bruvane Ver 1.0" "Terminate the Scan now?" 7 \
    rule "Bruvane Ver 1.0" "$(e2e_restart_text)" 7 click 1052 \
    wait-text-not 1065 "Static" 30000 \
    key 27 wait-answered 1 10000 key 27 wait-answered 2 10000 \
    wait-visible 1070 120000 expect-text 1065 "Scanning completed" expect-answered 3 \
    list 'C:\bruvane\lines.txt' > "$BRUVANE_WORK/robot.txt" || { cat "$BRUVANE_WORK/robot.txt"; fail "the robot failed"; }
tr -d '\r' < "$WINEPREFIX/drive_c/bruvane/lines.txt" > "$BRUVANE_WORK/lines.txt"
{
    printf '%s\n' 'C:\locked\locked.exe     W32/Gorvex.Pfw.Trojan Unable to remove'
    e2e_statistics "$scanned" 1 0
} | e2e_expect_lines
e2e_expect_answers 3
[ "$(grep -c 'Terminate the Scan now' "$BRUVANE_WORK/robot.txt")" = 2 ] || fail "the termination question was not answered twice"
e2e_finish
kill "$holder" 2>/dev/null || true
