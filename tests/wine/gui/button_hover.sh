# The skinned buttons follow the mouse and the focus: the Scan button has
# the focus at the start and shows lit (orange); the mouse entering
# Download moves the focus and the light there and takes the capture;
# leaving its picture gives up the capture and the light, but not the
# focus.
bruvane_start
scan_lit="246 148 35"; scan_normal="27 102 240"
download_lit="246 148 35"; download_normal="65 170 60"
robot wait-window 30000 \
    expect-focus 1052 expect-colour 1052 8 16 $scan_lit expect-colour 1053 8 16 $download_normal \
    mouse-move 1053 40 10 \
    expect-focus 1053 expect-capture 1053 \
    expect-colour 1053 8 16 $download_lit expect-colour 1052 8 16 $scan_normal \
    mouse-move 1053 400 10 \
    expect-capture 0 expect-focus 1053 expect-colour 1053 8 16 $download_normal \
    key 27 wait-gone 10000
bruvane_wait_exit 20 || fail "the program did not end after Escape (status $?)"
