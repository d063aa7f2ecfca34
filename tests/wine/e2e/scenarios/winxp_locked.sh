# Windows XP: a locked infected file whose holder runs another image.
# The process-status library finds no process started from it, so no
# box appears; the file is reported "Unable to remove" and left in
# PendingFileRenameOperations; the restart offer is answered No.
e2e_machine winxp
c=$WINEPREFIX/drive_c
e2e_sample 1 "$c/locked/locked.exe"
holder=$(e2e_hold 'C:\locked\locked.exe')
e2e_wait_open "$holder" "$c/locked/locked.exe"
e2e_expect_running "$holder" "the program holding the locked file"
scanned=$(e2e_file_count "$c")
e2e_scan rule "Bruvane Ver 1.0" "$(e2e_restart_text)" 7
{
    printf '%s\n' 'C:\locked\locked.exe     W32/Gorvex.Pfw.Trojan Unable to remove'
    e2e_statistics "$scanned" 1 0
} | e2e_expect_lines
e2e_expect_answers 1
e2e_expect_left_for_restart "$c/locked/locked.exe" 'C:\locked\locked.exe' "$holder" \
    "the program holding the locked file"
e2e_finish
kill "$holder" 2>/dev/null || true
