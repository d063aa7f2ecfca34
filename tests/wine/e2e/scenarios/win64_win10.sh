# Wine prefix: win64
# A 64-bit Windows 10, where bruvane.exe runs as a 32-bit program under
# WoW64. Its HKEY_LOCAL_MACHINE\Software is the registry's 32-bit view:
# the Run value that starts the infected file, written there, goes; the
# same value in the 64-bit view, which the program never sees, stays.
# Its system folder is C:\windows\system32 by name and syswow64 in fact,
# except drivers\etc, which 32-bit programs see as it is: the hosts file
# there, matching the text signature, is removed. The walk meets
# syswow64's files under both names and system32's under neither.
e2e_machine win10
c=$WINEPREFIX/drive_c
grep -q '^#arch=win64' "$WINEPREFIX/system.reg" || fail "the prefix is not a 64-bit one"
e2e_sample 3 "$c/data/tool.exe"
hosts=$c/windows/system32/drivers/etc/hosts
e2e_hosts "$hosts"
run_value() {
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n'
    printf '"ToolStart"="C:\\\\data\\\\tool.exe"\r\n'
}
run_value | e2e_reg_import /reg:32
run_value | e2e_reg_import /reg:64
e2e_expect_value "$E2E_RUN" ToolStart 'C:\data\tool.exe' /reg:32
scanned=$(( $(e2e_file_count "$c") - $(e2e_file_count "$c/windows/system32") + $(e2e_file_count "$c/windows/syswow64") ))
e2e_scan
{
    printf '%s\n' 'C:\windows\system32\drivers\etc\hosts     W32/Nyxem.Worm removed' \
        'System Registry     W32/Gorvex.Trojan removed' \
        'C:\data\tool.exe     W32/Gorvex.Pos.Trojan removed'
    e2e_statistics "$scanned" 2 2
} | e2e_expect_lines
e2e_expect_answers 0
e2e_expect_no_file "$c/data/tool.exe"
e2e_expect_no_file "$hosts"
e2e_expect_no_value "$E2E_RUN" ToolStart /reg:32
e2e_expect_value "$E2E_RUN" ToolStart 'C:\data\tool.exe' /reg:64
e2e_finish
