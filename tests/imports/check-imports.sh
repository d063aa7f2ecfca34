#!/usr/bin/env bash
# Fails when PROGRAM.exe imports a function the allow-list does not name:
# an import Windows 98 or NT 4 lacks makes the loader refuse the whole
# program there, and Wine would load it anyway. Also checks that the
# program asks for subsystem version 4.0, which those systems require.
#
#   check-imports.sh PROGRAM.exe ALLOWED-IMPORTS.txt
set -euo pipefail
exe=${1:?usage: check-imports.sh PROGRAM.exe ALLOWED-IMPORTS.txt}
list=${2:?allow-list}
here=$(cd "$(dirname "$0")" && pwd)
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
[ -f "$exe" ] || { echo "missing $exe: build the win32 preset first" >&2; exit 1; }

status=0
headers=$("$objdump" -p "$exe")
for field in MajorSubsystemVersion MajorOSystemVersion; do
    value=$(awk -v f="$field" '$1 == f { print $2 }' <<<"$headers")
    if [ "$value" != 4 ]; then
        echo "$field is ${value:-missing}, not 4: Windows 98 and NT 4 refuse the program" >&2
        status=1
    fi
done
minor=$(awk '$1 == "MinorSubsystemVersion" { print $2 }' <<<"$headers")
[ "$minor" = 0 ] || { echo "MinorSubsystemVersion is $minor, not 0" >&2; status=1; }

imports=$("$here/list-imports.sh" "$exe")
[ -n "$imports" ] || { echo "no imports found in $exe" >&2; exit 1; }
allowed=$(grep -v '^#' "$list" | awk 'NF { print toupper(substr($1, 1, index($1, "!") - 1)) "!" substr($1, index($1, "!") + 1) }' | sort -u)
unexpected=$(comm -23 <(echo "$imports") <(echo "$allowed"))
if [ -n "$unexpected" ]; then
    echo "imports outside $list (check each exists on Windows 98 and NT 4, then add it with a note):" >&2
    sed 's/^/    /' <<<"$unexpected" >&2
    status=1
fi
count=$(wc -l <<<"$imports")
[ "$status" = 0 ] && echo "$count imports, all on the allow-list; subsystem version 4.0"
exit "$status"
