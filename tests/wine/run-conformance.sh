#!/usr/bin/env bash
# Runs the Windows build of the conformance suites under Wine, in a fresh
# prefix whose drive D: is an empty temporary folder.
set -euo pipefail
exe=${1:?usage: run-conformance.sh conformance.exe}
[ -f "$exe" ] || { echo "missing $exe: build the win32 preset first" >&2; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
# Host file names are UTF-8, so Wine must run in a UTF-8 locale to make and
# list names beyond ASCII: C.UTF-8 gives code page 1252, and a caller's
# LC_ALL=ja_JP.UTF-8 (generated with locale-gen) gives 932.
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in
*.UTF-8 | *.utf8 | *.UTF8 | *.utf-8) ;;
*) export LC_ALL=C.UTF-8 ;;
esac
. "$here/lib/prefix.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/bruvane-conformance-wine-XXXXXX")
trap 'bruvane_end_prefix "$work/prefix"; rm -rf "$work"' EXIT
prefix=$(bruvane_new_prefix "$work")
mkdir -p "$work/d"
bruvane_map_drive "$prefix" d "$work/d"
cp "$exe" "$work/d/"
WINEPREFIX=$prefix wine "D:\\$(basename "$exe")" 'D:\'
