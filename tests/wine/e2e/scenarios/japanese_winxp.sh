# A Japanese Windows XP (ANSI code page 932), where the second byte of a
# character may be the backslash: ソフト is 83 5C 83 74 83 67 and 表示
# 95 5C 8E A6. The infected files below such folders, one of them itself
# named so, are removed, and their lines give each path as the code page
# spells it, byte for byte; the Run value that starts one of them goes,
# another that names a clean file in the same folder stays. A clean
# file below them is counted: the folders are walked whole.
e2e_localized_machine ja_JP.UTF-8 932 winxp
c=$WINEPREFIX/drive_c
e2e_sample 3 "$c/ソフト/表示/tool.exe"
e2e_sample 1 "$c/表示/ソフト.exe"
echo "plain text" > "$c/ソフト/表示/readme.txt"
e2e_reg_add "$E2E_RUN" /v SoftTool /d 'C:\ソフト\表示\tool.exe /start'
e2e_reg_add "$E2E_RUN" /v Keep /d 'C:\ソフト\表示\keep.exe'
scanned=$(e2e_file_count "$c")
e2e_scan
{
    printf '%s\n' 'System Registry     W32/Gorvex.Trojan removed' \
        'C:\ソフト\表示\tool.exe     W32/Gorvex.Pos.Trojan removed' \
        'C:\表示\ソフト.exe     W32/Gorvex.Pfw.Trojan removed'
    e2e_statistics "$scanned" 2 2
} | e2e_expect_ansi_lines 932
e2e_expect_answers 0
e2e_expect_no_file "$c/ソフト/表示/tool.exe"
e2e_expect_no_file "$c/表示/ソフト.exe"
e2e_expect_file "$c/ソフト/表示/readme.txt"
e2e_expect_no_value "$E2E_RUN" SoftTool
# reg prints the value in the OEM code page, 932 here as well.
e2e_expect_value "$E2E_RUN" Keep "$(printf '%s' 'C:\ソフト\表示\keep.exe' | iconv -f UTF-8 -t CP932)"
e2e_finish
