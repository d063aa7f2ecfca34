#!/usr/bin/env bash
# Prints an executable's imports as DLL!function, one a line, sorted;
# DLL names in upper case, as the loader compares them without case.
#
#   list-imports.sh PROGRAM.exe
set -euo pipefail
exe=${1:?usage: list-imports.sh PROGRAM.exe}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
"$objdump" -p "$exe" | awk '
    /^\tDLL Name: / { dll = toupper($3); inside = 1; next }
    inside && /^\tvma:/ { next }
    inside && NF == 0 { inside = 0; next }
    inside && NF >= 3 { print dll "!" $3; next }
    inside && NF == 2 { print dll "!#" $2; next }
' | sort -u
