#!/usr/bin/env bash
# Fails when the program we ship carries debug sections or a symbol
# table; those stay in the copy beside it (bruvane.debug.exe).
#
#   check-stripped.sh PROGRAM.exe
set -euo pipefail
exe=${1:?usage: check-stripped.sh PROGRAM.exe}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
[ -f "$exe" ] || { echo "missing $exe: build the win32 preset first" >&2; exit 1; }

status=0
debug=$("$objdump" -h "$exe" | awk '$2 ~ /^\.debug/ { print $2 }')
if [ -n "$debug" ]; then
    echo "$exe carries debug sections:" $debug >&2
    status=1
fi
symbols=$("$objdump" -t "$exe" | awk '/^\[ *[0-9]+\]/' | wc -l)
if [ "$symbols" != 0 ]; then
    echo "$exe carries a symbol table of $symbols entries" >&2
    status=1
fi
[ "$status" = 0 ] && echo "$exe: no debug sections, no symbols"
exit "$status"
