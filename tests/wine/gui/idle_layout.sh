# The idle window of a machine without the maker's antivirus product:
# the offers stay, the membership line is hidden; Enter does nothing and
# Escape closes the window.
bruvane_start
robot wait-window 30000 \
    expect-visible 1052 1 expect-enabled 1052 1 \
    expect-visible 1053 1 expect-enabled 1053 1 \
    expect-visible 1054 1 expect-visible 1077 1 expect-enabled 1077 1 \
    expect-visible 1080 1 expect-visible 1085 1 \
    expect-visible 1074 1 expect-visible 1072 1 expect-visible 1075 0 \
    expect-visible 1065 0 expect-visible 1064 0 expect-visible 1076 0 \
    expect-visible 1055 0 expect-visible 1034 0 expect-visible 2 0 \
    expect-visible 1070 0 expect-enabled 1070 0 \
    expect-text 1074 "Bruvane Ver 1.0 - Tool to detect and remove all the variants of W32/Gorvex Trojan " \
    expect-text 1068 "for W32/Gorvex Trojan " \
    expect-text 1075 "This program is a part of Wardmont antivirus software." \
    expect-windows "Bruvane Ver 1.0" 1 \
    $(shot idle) \
    key 13 sleep 1000 \
    expect-visible 1052 1 expect-enabled 1052 1 expect-visible 1070 0 \
    key 27 wait-gone 10000
bruvane_keep_shot idle
bruvane_wait_exit 20 || fail "the program did not end after Escape (status $?)"
