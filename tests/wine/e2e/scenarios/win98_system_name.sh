# Windows 98: a locked infected file named like one of the system's own
# processes, services.exe (a trojan's favourite disguise). The 9x family
# finds the holder of a locked file by file name (Toolhelp), and the one
# process of that name is the system's own: Wine's service manager, whose
# end breaks the Wine session, as ending such a process stops Windows.
# It is passed over: the same services.exe still runs after the scan,
# and the file goes the way of one whose holder was not found: "Could
# not kill process" answered, "Unable to remove", deleted at the next
# start ("NUL=" in wininit.ini's [rename]), the restart offer answered No.
e2e_machine win98
c=$WINEPREFIX/drive_c
services=$(e2e_process_id services.exe)
e2e_sample 1 "$c/locked/services.exe"
holder=$(e2e_hold 'C:\locked\services.exe')
e2e_wait_open "$holder" "$c/locked/services.exe"
e2e_expect_running "$holder" "the program holding the locked file"
e2e_answer_box 'C:\locked\services.exe' "Could not kill process" 1
# wininit.ini is made during the walk of C: and walked later.
scanned=$(( $(e2e_file_count "$c") + 1 ))
e2e_scan rule "Bruvane Ver 1.0" "$(e2e_restart_text)" 7
robot expect-process services.exe "$services" || fail "the system's services.exe (process $services) was ended"
e2e_expect_box_answered
{
    printf '%s\n' 'C:\locked\services.exe     W32/Gorvex.Pfw.Trojan Unable to remove'
    e2e_statistics "$scanned" 1 0
} | e2e_expect_lines
e2e_expect_answers 1
e2e_expect_file "$c/locked/services.exe"
printf '[rename]\r\nNUL=C:\\locked\\services.exe\r\n' | cmp - "$c/windows/wininit.ini" ||
    fail "wininit.ini: $(od -c "$c/windows/wininit.ini" | head -5)"
e2e_expect_running "$holder" "the program holding the locked file"
e2e_finish
kill "$holder" 2>/dev/null || true
