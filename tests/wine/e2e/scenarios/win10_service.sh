# Windows 10 (NT 6 and later): no service handling. The same infected
# program that outlives its termination on XP is left running here: no
# service is stopped, its keys stay in both control sets, there is no
# question from the memory stage, and the drive walk goes on: the file
# is locked, its holder cannot be found ("Could not kill process"), it is
# reported "Unable to remove" and left for the next start; the restart
# offer is answered No.
guard=$(e2e_guarded_service win10)
c=$WINEPREFIX/drive_c
e2e_answer_box 'C:\svc\guard.exe' "Could not kill process" 1
scanned=$(e2e_file_count "$c")
e2e_scan rule "Bruvane Ver 1.0" "$(e2e_restart_text)" 7
e2e_expect_box_answered
{
    printf '%s\n' 'C:\svc\guard.exe     W32/Gorvex.Rbx.Trojan Unable to remove'
    # Counted twice: by the memory stage's look at the image, and by the walk.
    e2e_statistics "$scanned" 2 0
} | e2e_expect_lines
e2e_expect_answers 1
for set in 001 002; do
    for key in guard keepsvc; do
        e2e_expect_key "HKLM\\SYSTEM\\ControlSet$set\\Services\\$key\\Enum"
        e2e_expect_key "HKLM\\SYSTEM\\ControlSet$set\\Services\\$key\\Security"
    done
    e2e_expect_value "HKLM\\SYSTEM\\ControlSet$set\\Services\\guard" ImagePath 'C:\svc\guard.exe'
done
e2e_expect_left_for_restart "$c/svc/guard.exe" 'C:\svc\guard.exe' "$guard" "the guarded program"
e2e_finish
kill "$guard" 2>/dev/null || true
