#!/usr/bin/env bash
# Runs the Windows build of the conformance suites under Wine, in a fresh
# prefix whose drive D: is an empty temporary folder.
set -euo pipefail
exe=${1:?usage: run-conformance.sh conformance.exe}
[ -f "$exe" ] || { echo "missing $exe: build the win32 preset first" >&2; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib/prefix.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/bruvane-conformance-wine-XXXXXX")
trap 'bruvane_end_prefix "$work/prefix"; rm -rf "$work"' EXIT
prefix=$(bruvane_new_prefix "$work")
mkdir -p "$work/d"
bruvane_map_drive "$prefix" d "$work/d"
cp "$exe" "$work/d/"
WINEPREFIX=$prefix wine "D:\\$(basename "$exe")" 'D:\'
