# The idle window with the maker's antivirus product installed (the value
# "Installed Folder" is present): the product link goes, Download is
# disabled and the membership line shows.
wine reg add 'HKLM\Software\Tessary\Wardmont 2000' /v 'Installed Folder' /d 'C:\Program Files\Wardmont' /f >/dev/null
bruvane_start
robot wait-window 30000 \
    expect-visible 1077 0 expect-enabled 1077 0 \
    expect-visible 1053 1 expect-enabled 1053 0 \
    expect-visible 1075 1 expect-visible 1080 1 \
    expect-visible 1052 1 expect-enabled 1052 1 \
    $(shot idle-installed) \
    key 27 wait-gone 10000
bruvane_keep_shot idle-installed
bruvane_wait_exit 20 || fail "the program did not end after Escape (status $?)"
