# A second copy started while the first shows its window ends at once,
# silently, without a window of its own.
bruvane_start
first=$BRUVANE_APP_PID
robot wait-window 30000 expect-windows "Bruvane Ver 1.0" 1
start=$(date +%s)
timeout 30 wine 'C:\bruvane\bruvane.exe' || fail "the second copy ended with status $?"
elapsed=$(( $(date +%s) - start ))
[ "$elapsed" -le 15 ] || fail "the second copy took ${elapsed}s to end"
BRUVANE_APP_PID=$first
kill -0 "$first" || fail "the first copy is gone"
robot wait-window 5000 expect-windows "Bruvane Ver 1.0" 1 key 27 wait-gone 10000
bruvane_wait_exit 20 || fail "the first copy did not end after Escape (status $?)"
