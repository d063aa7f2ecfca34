# Windows 98: infected files on C: and on D: removed; a running infected
# program terminated so that its file can go; a file that another
# (clean) program keeps locked reported "Unable to remove" and left for
# the next start as "NUL=<short path>" in the [rename] section of
# wininit.ini; the hosts file in the Windows folder, matching the text
# signature, deleted at the first detection; the Run and RunServices
# values that start infected files deleted when their file is found, the
# remembered value name deleted again at the next detection, an
# unrelated Run value kept; the restart offer at the end answered No.
e2e_machine win98
second=$(bruvane_fast_folder)
bruvane_map_drive "$WINEPREFIX" d "$second"
c=$WINEPREFIX/drive_c
e2e_sample 3 "$c/data/tool.exe"
e2e_sample 1 "$second/games/game.exe"
e2e_sample 3 "$c/locked/locked.exe"
e2e_running_sample 5 "$c/held/held.exe"
e2e_hosts "$c/windows/hosts"
e2e_reg_add "$E2E_RUN_SERVICES" /v ToolService /d '"C:\data\tool.exe" /service'
e2e_reg_add "$E2E_RUN" /v GameHelper /d 'D:\Games\GAME.EXE'
# The same name as the RunServices value, starting something else: it
# goes by name, at the detection after the one that found the name.
e2e_reg_add "$E2E_RUN" /v ToolService /d 'C:\tools\other.exe'
e2e_reg_add "$E2E_RUN" /v Keep /d 'C:\tools\keep.exe'
held=$(e2e_start_program 'C:\held\held.exe')
holder=$(e2e_hold 'C:\locked\locked.exe')
e2e_wait_open "$held" "$c/held/held.exe"
e2e_wait_open "$holder" "$c/locked/locked.exe"
e2e_expect_running "$held" "the infected program"
e2e_expect_running "$holder" "the program holding the locked file"
# No process runs the locked file: Toolhelp finds none to end.
e2e_answer_box 'C:\locked\locked.exe' "Could not kill process" 1
# wininit.ini is made during the walk of C: and walked later; the hosts
# file is gone before the walk reaches it.
scanned=$(e2e_file_count "$c" "$second")
e2e_scan rule "Bruvane Ver 1.0" "$(e2e_restart_text)" 7
e2e_expect_box_answered
{
    printf '%s\n' 'C:\windows\hosts     W32/Nyxem.Worm removed' \
        'System Registry     W32/Gorvex.Trojan removed' \
        'C:\data\tool.exe     W32/Gorvex.Pos.Trojan removed' \
        'System Registry     W32/Gorvex.Rbx.Trojan removed' \
        'C:\held\held.exe     W32/Gorvex.Rbx.Trojan removed' \
        'C:\locked\locked.exe     W32/Gorvex.Pos.Trojan Unable to remove' \
        'System Registry     W32/Gorvex.Trojan removed' \
        'D:\games\game.exe     W32/Gorvex.Pfw.Trojan removed'
    e2e_statistics "$scanned" 5 4
} | e2e_expect_lines
e2e_expect_answers 1

e2e_expect_no_file "$c/data/tool.exe"
e2e_expect_no_file "$c/held/held.exe"
e2e_expect_no_file "$second/games/game.exe"
e2e_expect_no_file "$c/windows/hosts"
e2e_expect_file "$c/locked/locked.exe"
printf '[rename]\r\nNUL=C:\\locked\\locked.exe\r\n' | cmp - "$c/windows/wininit.ini" ||
    fail "wininit.ini: $(od -c "$c/windows/wininit.ini" | head -5)"
e2e_expect_no_value "$E2E_RUN_SERVICES" ToolService
e2e_expect_no_value "$E2E_RUN" ToolService
e2e_expect_no_value "$E2E_RUN" GameHelper
e2e_expect_value "$E2E_RUN" Keep 'C:\tools\keep.exe'
e2e_expect_ended "$held" "the infected program"
e2e_expect_running "$holder" "the program holding the locked file"
e2e_finish
kill "$holder" 2>/dev/null || true
