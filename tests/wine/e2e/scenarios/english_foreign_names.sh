# An English Windows 10 (ANSI code page 1252) with folders named in Greek
# and in Japanese. The code page has none of their characters, so the
# listing spells each with a '?' in its place, a name that neither opens
# nor lists; each folder's 8.3 alias does both. The infected files below
# them are removed, their lines giving the paths by the aliases, as Wine
# makes them (asked from Wine, not worked out here); a clean file below
# them is counted.
e2e_localized_machine en_US.UTF-8 1252 win10
c=$WINEPREFIX/drive_c
e2e_sample 3 "$c/Έγγραφα/tool.exe"
e2e_sample 1 "$c/ソフト/表示/game.exe"
echo "plain text" > "$c/ソフト/表示/readme.txt"
greek=$(e2e_short_path 'C:\Έγγραφα\tool.exe')
japanese=$(e2e_short_path 'C:\ソフト\表示\game.exe')
case "$greek$japanese" in *'?'*) fail "an alias holds a '?': $greek $japanese" ;; esac
scanned=$(e2e_file_count "$c")
e2e_scan
{
    printf '%s\n' "$greek     W32/Gorvex.Pos.Trojan removed" \
        "$japanese     W32/Gorvex.Pfw.Trojan removed"
    e2e_statistics "$scanned" 2 2
} | e2e_expect_ansi_lines 1252
e2e_expect_answers 0
e2e_expect_no_file "$c/Έγγραφα/tool.exe"
e2e_expect_no_file "$c/ソフト/表示/game.exe"
e2e_expect_file "$c/ソフト/表示/readme.txt"
e2e_finish
