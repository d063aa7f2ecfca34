# Windows XP (NT 5.x): an infected program that outlives both termination
# attempts is taken for the service named after its file: the stop
# request fails (no such service is running), its keys go from both
# control sets, and the memory stage asks to restart; Cancel ends the
# program. The file is not acted on; another service's keys stay.
guard=$(e2e_guarded_service winxp)
c=$WINEPREFIX/drive_c
bruvane_start
robot wait-window 30000 rule "Bruvane Ver 1.0" "$(e2e_memory_question)" 2 click 1052 wait-gone 60000 \
    > "$BRUVANE_WORK/robot.txt" || { cat "$BRUVANE_WORK/robot.txt"; fail "the window did not close after the memory stage"; }
bruvane_wait_exit 20 || fail "the program ended with status $? after the memory stage"
e2e_expect_answers 1
for set in 001 002; do
    for key in "guard\\Enum" "guard\\Security" guard; do
        e2e_expect_no_key "HKLM\\SYSTEM\\ControlSet$set\\Services\\$key"
    done
    e2e_expect_key "HKLM\\SYSTEM\\ControlSet$set\\Services\\keepsvc\\Enum"
    e2e_expect_value "HKLM\\SYSTEM\\ControlSet$set\\Services\\keepsvc" ImagePath 'C:\svc\keep.exe'
done
e2e_expect_file "$c/svc/guard.exe"
e2e_expect_running "$guard" "the guarded program"
kill "$guard" 2>/dev/null || true
