# The program's message dialog on its own, shown by a probe that prints
# each answer: the button sets and answers of each mode, Enter and Escape,
# the default caption, and the growth with the length of the text. The
# caption's close button is drawn with Marlett, which the prefix must have.
cp "$BRUVANE_BUILD/tests/wine/message_probe/message_probe.exe" "$WINEPREFIX/drive_c/bruvane/"
ask="Terminate the Scan now?"
info="The scan has found nothing to remove."
text29="Twenty-nine characters, here"
text29="${text29}."
text30="${text29}!"
text89=$(printf 'x%.0s' $(seq 89))
text90="${text89}y"
[ ${#text29} = 29 ] && [ ${#text30} = 30 ] || fail "test texts of the wrong length"
wine 'C:\bruvane\message_probe.exe' \
    24 "" "$ask"  24 "DialogBoxTitle" "$ask"  24 "" "$ask"  24 "" "$ask" \
    41 "" "$info"  41 "" "$info"  41 "" "$info" \
    0 "Notice" "$info"  0 "Notice" "$info"  5 "" "$info"  10 "" "$info" \
    0 "" "$text29"  0 "" "$text30"  0 "" "$text89"  0 "" "$text90" \
    > "$BRUVANE_WORK/answers.txt" &
BRUVANE_APP_PID=$!
robot expect-font Marlett \
    wait-dialog "Bruvane Ver 1.0" "$ask" 30000 expect-dialog-buttons 6,7 $(shot question) press-dialog 6 \
    wait-dialog "DialogBoxTitle" "$ask" 10000 press-dialog 7 \
    wait-dialog "Bruvane Ver 1.0" "$ask" 10000 dialog-key 27 \
    wait-dialog "Bruvane Ver 1.0" "$ask" 10000 dialog-key 13 \
    wait-dialog "Bruvane Ver 1.0" "$info" 10000 expect-dialog-buttons 1,2 $(shot information) press-dialog 1 \
    wait-dialog "Bruvane Ver 1.0" "$info" 10000 press-dialog 2 \
    wait-dialog "Bruvane Ver 1.0" "$info" 10000 dialog-key 27 \
    wait-dialog "Notice" "$info" 10000 expect-dialog-buttons 3 $(shot warning) press-dialog 3 \
    wait-dialog "Notice" "$info" 10000 dialog-key 27 \
    wait-dialog "Bruvane Ver 1.0" "$info" 10000 expect-dialog-buttons 1,2 press-dialog 2 \
    wait-dialog "Bruvane Ver 1.0" "$info" 10000 $(shot error) press-dialog 3 \
    wait-dialog "Bruvane Ver 1.0" "$text29" 10000 dialog-geometry press-dialog 3 \
    wait-dialog "Bruvane Ver 1.0" "$text30" 10000 dialog-geometry press-dialog 3 \
    wait-dialog "Bruvane Ver 1.0" "$text89" 10000 dialog-geometry press-dialog 3 \
    wait-dialog "Bruvane Ver 1.0" "$text90" 10000 dialog-geometry $(shot long-text) press-dialog 3 \
    | tr -d '\r' > "$BRUVANE_WORK/geometry.txt"
bruvane_wait_exit 20 || fail "the probe did not end (status $?)"
printf '%s\n' 6 7 7 1 1 2 2 1 2 2 1 1 1 1 1 | diff -u - <(tr -d '\r' < "$BRUVANE_WORK/answers.txt") ||
    fail "unexpected answers"
for name in question information warning error long-text; do bruvane_keep_shot "$name"; done

# "dialog W H text X Y W H picture X Y" (fields 0 to 10), for 29, 30, 89
# and 90 characters
read -r -a g29 < <(sed -n 1p "$BRUVANE_WORK/geometry.txt")
read -r -a g30 < <(sed -n 2p "$BRUVANE_WORK/geometry.txt")
read -r -a g89 < <(sed -n 3p "$BRUVANE_WORK/geometry.txt")
read -r -a g90 < <(sed -n 4p "$BRUVANE_WORK/geometry.txt")
[ $((g30[1] - g29[1])) = 13 ] && [ $((g30[2] - g29[2])) = 7 ] ||
    fail "30 characters should widen the dialog by 13 and heighten it by 7 more than 29: ${g29[*]} / ${g30[*]}"
[ $((g30[6] - g29[6])) = 13 ] && [ $((g30[7] - g29[7])) = 7 ] || fail "the text area grows like the dialog"
[ "${g89[10]}" = "${g29[10]}" ] || fail "the picture moved for 89 characters"
# 30 above the top the text area had before it was lifted by 25
[ "${g90[10]}" = $((g90[5] + 25 - 30)) ] || fail "the picture did not move for 90 characters: ${g90[*]}"
