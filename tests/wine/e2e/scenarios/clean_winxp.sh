# A clean Windows XP machine: the statistics only, no blank line before
# them, "Scanning completed", no prompt; nothing on the machine changes.
e2e_machine winxp
before=$(e2e_file_count "$WINEPREFIX/drive_c")
e2e_scan
# The list and the screenshot were written after the walk.
after=$(e2e_file_count "$WINEPREFIX/drive_c")
[ "$after" = $((before + 2)) ] || fail "files on C: changed: $before before, $after after"
e2e_statistics "$before" 0 0 | e2e_expect_lines
e2e_finish
