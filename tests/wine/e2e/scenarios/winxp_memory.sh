# Windows XP with an infected program running: the memory stage finds it
# through the process-status library, terminates it and removes its
# file, and then ends the program (exit status 0) without a drive walk,
# statistics or question: the user runs it again after the restart.
e2e_machine winxp
c=$WINEPREFIX/drive_c
e2e_running_sample 5 "$c/run/run.exe"
e2e_sample 3 "$c/data/tool.exe"
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
