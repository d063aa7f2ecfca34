#!/usr/bin/env bash
# Builds bruvane.exe a second time, from a copy of the sources in another
# folder into another build folder, with the win32 build's toolchain and
# build type, and fails unless the two programs are byte for byte the
# same. Prints the SHA-256 they share.
#
#   check-reproducible.sh SOURCE_DIR WIN32_BUILD_DIR WORK_DIR
# WORK_DIR is emptied first and removed again when the two agree.
set -euo pipefail
source_dir=$(readlink -f "${1:?usage: check-reproducible.sh SOURCE_DIR WIN32_BUILD_DIR WORK_DIR}")
first_build=$(readlink -f "${2:?win32 build folder}")
work=${3:?work folder}
first=$first_build/src/app/bruvane.exe
[ -f "$first" ] || { echo "missing $first: build the win32 preset first" >&2; exit 1; }
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$first_build/CMakeCache.txt")

rm -rf "$work"
mkdir -p "$work/elsewhere/source"
work=$(readlink -f "$work")
tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$work/elsewhere/source"
cmake -S "$work/elsewhere/source" -B "$work/elsewhere/build" \
    -DCMAKE_TOOLCHAIN_FILE="$work/elsewhere/source/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE="$build_type" >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log" >&2; exit 1; }
cmake --build "$work/elsewhere/build" --target bruvane -j"${BRUVANE_JOBS:-2}" >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log" >&2; exit 1; }
second=$work/elsewhere/build/src/app/bruvane.exe

if ! cmp -s "$first" "$second"; then
    echo "bruvane.exe differs between $first and $second (offset, byte in each, octal):" >&2
    cmp -l "$first" "$second" | head -n 20 >&2
    echo "kept in $work" >&2
    exit 1
fi
echo "bruvane.exe is the same in both builds: $(sha256sum < "$first" | cut -d' ' -f1)"
rm -rf "$work"
