# Windows 98: infected files on C: and on D: removed; a running infected
# program terminated so that its file can go; a file that another
# (clean) program keeps locked reported "Unable to remove" and left for
# the next start as "NUL=<short path>" in the [rename] section of
# wininit.ini; the restart offer at the end answered No.
e2e_machine win98
second=$(bruvane_fast_folder)
bruvane_map_drive "$WINEPREFIX" d "$second"
c=$WINEPREFIX/drive_c
e2e_sample 3 "$c/data/tool.exe"
e2e_sample 1 "$second/games/game.exe"
e2e_sample 3 "$c/locked/locked.exe"
e2e_running_sample 5 "$c/held/held.exe"
held=$(e2e_start_program 'C:\held\held.exe')
holder=$(e2e_hold 'C:\locked\locked.exe')
e2e_wait_open "$held" "$c/held/held.exe"
e2e_wait_open "$holder" "$c/locked/locked.exe"
e2e_expect_running "$held" "the infected program"
e2e_expect_running "$holder" "the program holding the locked file"
# No process runs the locked file: Toolhelp finds none to end.
e2e_answer_box 'C:\locked\locked.exe' "Could not kill process" 1
# wininit.ini is made during the walk of C: and walked later.
scanned=$(( $(e2e_file_count "$c" "$second") + 1 ))
e2e_scan rule "Bruvane Ver 1.0" "$(e2e_restart_text)" 7
e2e_expect_box_answered
{
    printf '%s\n' 'C:\data\tool.exe     W32/Gorvex.Pos.Trojan removed' \
        'C:\held\held.exe     W32/Gorvex.Rbx.Trojan removed' \
        'C:\locked\locked.exe     W32/Gorvex.Pos.Trojan Unable to remove' \
        'D:\games\game.exe     W32/Gorvex.Pfw.Trojan removed'
    e2e_statistics "$scanned" 4 3
} | e2e_expect_lines
e2e_expect_answers 1

e2e_expect_no_file "$c/data/tool.exe"
e2e_expect_no_file "$c/held/held.exe"
e2e_expect_no_file "$second/games/game.exe"
e2e_expect_file "$c/locked/locked.exe"
printf '[rename]\r\nNUL=C:\\locked\\locked.exe\r\n' | cmp - "$c/windows/wininit.ini" ||
    fail "wininit.ini: $(od -c "$c/windows/wininit.ini" | head -5)"
e2e_expect_ended "$held" "the infected program"
e2e_expect_running "$holder" "the program holding the locked file"
e2e_finish
kill "$holder" 2>/dev/null || true
