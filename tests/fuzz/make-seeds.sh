#!/usr/bin/env bash
# Writes the seed corpus of every fuzzer below OUT/<fuzzer>/, generated at
# each run and never kept in the repository: the structured seeds (PE
# samples from the sample tool's library, wininit.ini files, Run keys,
# performance blocks, trees) by the fuzz build's seed writer, the
# AbbreviatePath seeds here.
# usage: make-seeds.sh OUT FUZZ_BUILD
set -euo pipefail
out=${1:?usage: make-seeds.sh OUT FUZZ_BUILD}
fuzz_build=${2:?usage: make-seeds.sh OUT FUZZ_BUILD}
mkdir -p "$out"

"$fuzz_build/tests/fuzz/bruvane_fuzz_seeds" "$out"

# seed FUZZER NAME: stdin becomes one seed file.
seed() {
    mkdir -p "$out/$1"
    cat >"$out/$1/$2"
}

# AbbreviatePath: a little-endian 16-bit limit, then the source text.
limit() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
path_of() { printf 'C:\\'; head -c "$1" /dev/zero | tr '\0' 'd'; }
{ limit 60; path_of 58; } | seed abbreviate_path_fuzzer walk-limit-61-chars
{ limit 60; path_of 57; } | seed abbreviate_path_fuzzer walk-limit-60-chars
{ limit 61; path_of 200; } | seed abbreviate_path_fuzzer odd-limit
{ limit 100; path_of 256; } | seed abbreviate_path_fuzzer limit-at-work-buffer
{ limit 32767; path_of 300; } | seed abbreviate_path_fuzzer limit-beyond-work-buffer
{ limit -2; path_of 10; } | seed abbreviate_path_fuzzer negative-limit
{ limit 4; path_of 5; } | seed abbreviate_path_fuzzer smallest-shortening
