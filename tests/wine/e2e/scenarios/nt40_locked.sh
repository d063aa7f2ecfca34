# NT 4: the process list comes from the performance data, which Wine
# leaves without processes, so the holder of a locked infected file
# cannot be found: "Could not kill process" is answered, the file is
# reported "Unable to remove" and left in PendingFileRenameOperations;
# the restart offer is answered No. Another infected file is removed.
e2e_machine nt40
c=$WINEPREFIX/drive_c
e2e_sample 3 "$c/data/tool.exe"
e2e_sample 1 "$c/locked/locked.exe"
holder=$(e2e_hold 'C:\locked\locked.exe')
e2e_wait_open "$holder" "$c/locked/locked.exe"
e2e_expect_running "$holder" "the program holding the locked file"
e2e_answer_box 'C:\locked\locked.exe' "Could not kill process" 1
scanned=$(e2e_file_count "$c")
e2e_scan rule "Bruvane Ver 1.0" "$(e2e_restart_text)" 7
e2e_expect_box_answered
{
    printf '%s\n' 'C:\data\tool.exe     W32/Gorvex.Pos.Trojan removed' \
        'C:\locked\locked.exe     W32/Gorvex.Pfw.Trojan Unable to remove'
    e2e_statistics "$scanned" 2 1
} | e2e_expect_lines
e2e_expect_answers 1
e2e_expect_no_file "$c/data/tool.exe"
e2e_expect_file "$c/locked/locked.exe"
# A deletion is the file's NT path followed by an empty new name.
e2e_expect_value 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations \
    '\??\C:\locked\locked.exe\0'
e2e_expect_running "$holder" "the program holding the locked file"
e2e_finish
kill "$holder" 2>/dev/null || true
