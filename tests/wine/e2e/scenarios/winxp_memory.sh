# Windows XP with an infected program running: the memory stage finds it
# through the process-status library, terminates it and removes its
# file, and then ends the program (exit status 0) without a drive walk,
# statistics or question: the user runs it again after the restart. The
# removal also looks at the trojan's uninstall command, which is kept
# while it does not name "uninstall.exe", and its own Run value, which
# goes.
#
# The second start, with nothing in memory: the drive walk finds the
# other infected file; the hosts file (in the system folder's
# drivers\etc) matching the text signature is deleted first, with its
# own line, and that deletion takes the uninstall command and the
# trojan's Run value with it; the uninstall key's other values stay.
e2e_machine winxp
c=$WINEPREFIX/drive_c
e2e_running_sample 5 "$c/run/run.exe"
e2e_sample 3 "$c/data/tool.exe"
e2e_reg_add "$E2E_UNINSTALL" /v UninstallString /d 'C:\Program Files\rhcjg\UNINSTALL.EXE /u'
e2e_reg_add "$E2E_UNINSTALL" /v DisplayName /d 'rhcjg'
e2e_reg_add "$E2E_RUN" /v SMrhcjg7j0e38v /d 'C:\WINDOWS\system32\rhcjg7j0e38v.exe'
e2e_reg_add "$E2E_RUN" /v Keep /d 'C:\tools\keep.exe'
running=$(e2e_start_program 'C:\run\run.exe')
e2e_wait_open "$running" "$c/run/run.exe"
e2e_expect_running "$running" "the infected program"
bruvane_start
robot wait-window 30000 click 1052 wait-gone 60000 > "$BRUVANE_WORK/robot.txt" ||
    { cat "$BRUVANE_WORK/robot.txt"; fail "the window did not close after the memory stage"; }
bruvane_wait_exit 20 || fail "the program ended with status $? after the memory stage"
e2e_expect_ended "$running" "the infected program"
e2e_expect_no_file "$c/run/run.exe"
# No drive walk: the infected file elsewhere is still there.
e2e_expect_file "$c/data/tool.exe"
e2e_expect_value "$E2E_UNINSTALL" UninstallString 'C:\Program Files\rhcjg\UNINSTALL.EXE /u'
e2e_expect_no_value "$E2E_RUN" SMrhcjg7j0e38v

# The second start.
hosts=$c/windows/system32/drivers/etc/hosts
e2e_hosts "$hosts"
e2e_reg_add "$E2E_UNINSTALL" /v UninstallString /d 'C:\Program Files\rhcjg\uninstall.exe /u'
e2e_reg_add "$E2E_RUN" /v SMrhcjg7j0e38v /d 'C:\WINDOWS\system32\rhcjg7j0e38v.exe'
# The hosts file is gone before the walk reaches it.
scanned=$(( $(e2e_file_count "$c") - 1 ))
e2e_scan
{
    printf '%s\n' 'C:\windows\system32\drivers\etc\hosts     W32/Nyxem.Worm removed' \
        'C:\data\tool.exe     W32/Gorvex.Pos.Trojan removed'
    e2e_statistics "$scanned" 2 2
} | e2e_expect_lines
e2e_expect_answers 0
e2e_expect_no_file "$hosts"
e2e_expect_no_file "$c/data/tool.exe"
e2e_expect_no_value "$E2E_UNINSTALL" UninstallString
e2e_expect_value "$E2E_UNINSTALL" DisplayName 'rhcjg'
e2e_expect_no_value "$E2E_RUN" SMrhcjg7j0e38v
e2e_expect_value "$E2E_RUN" Keep 'C:\tools\keep.exe'
e2e_finish
