#!/usr/bin/env bash
# The soak: bruvane-scan --remove over a generated tree of N light files
# with matching samples and near misses planted across it. Checks the
# statistics (every file scanned, every sample found and removed, no near
# miss touched) and prints the time and peak memory GNU time measured.
#
#   bench/soak.sh WORK FILES [BUILD]    BUILD: build/host (default) or
#                                       build/sanitize (ASan + UBSan)
# The tree is made once per FILES under WORK and reused; the planted files
# are put back before every run, since the scan removes the samples.
set -euo pipefail
work=${1:?usage: bench/soak.sh WORK FILES [BUILD]}
files=${2:?usage: bench/soak.sh WORK FILES [BUILD]}
build=${3:-build/host}
root=$(cd "$(dirname "$0")/.." && pwd)
scan="$root/$build/tools/scan/bruvane-scan"
mksample="$root/build/host/tools/mksample/mksample"
corpus="$root/build/host/bench/corpus/bruvane-corpus"
[ -x "$scan" ] && [ -x "$mksample" ] && [ -x "$corpus" ] || { echo "build the host preset (and $build) first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs GNU time: apt-get install time" >&2; exit 2; }

tree="$work/corpus-$files/tree"
[ -d "$tree" ] || "$corpus" --out "$work/corpus-$files" --files "$files" --light >/dev/null

# One matching sample and one near miss (second pattern's last byte) for
# every third record, each in its own folder spread over the tree.
mapfile -t folders < <(find "$tree" -mindepth 2 -type d | sort | awk 'NR % 97 == 1')
planted=0
for record in $(seq 1 3 108); do
    folder=${folders[$((planted % ${#folders[@]}))]}
    "$mksample" --record "$record" --kind match --out "$folder/soak-$record.exe" >/dev/null
    "$mksample" --record "$record" --kind second-pattern-last-byte --out "$folder/soak-$record-miss.exe" >/dev/null
    planted=$((planted + 1))
done

# The corpus's own samples count too while they are there (a first run
# removes them); its near misses must all stay.
count_existing() { local n=0 path; while IFS=$'\t' read -r path _; do [ -e "$tree/$path" ] && n=$((n + 1)); done <"$1"; echo "$n"; }
corpus_samples=$(count_existing "$work/corpus-$files/answer-key.tsv")
corpus_misses=$(count_existing "$work/corpus-$files/near-misses.tsv")
total=$(find "$tree" -type f | wc -l)
out="$work/soak-$files-$(basename "$build").txt"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
/usr/bin/time -v "$scan" --remove "$tree" >"$out.scan" 2>"$out.time" || true
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

scanned=$(sed -n 's/^Total files scanned[^0-9]*//p' "$out.scan")
infected=$(sed -n 's/^Total files infected[^0-9]*//p' "$out.scan")
removed=$(sed -n 's/^Total files removed[^0-9]*//p' "$out.scan")
left=$(( $(find "$tree" -name 'soak-*.exe' ! -name '*-miss.exe' | wc -l) + $(count_existing "$work/corpus-$files/answer-key.tsv") ))
misses=$(( $(find "$tree" -name 'soak-*-miss.exe' | wc -l) + $(count_existing "$work/corpus-$files/near-misses.tsv") ))
expected=$((planted + corpus_samples))
expected_misses=$((planted + corpus_misses))
{
    echo "files $total ($expected samples and $expected_misses near misses, $planted of each planted), build $build"
    echo "scanned $scanned infected $infected removed $removed samples left $left near misses left $misses"
    grep -E 'Elapsed|Maximum resident|User time|System time|Voluntary|Involuntary|Minor' "$out.time" | sed 's/^\t//'
    echo "load average before $load_before, after $load_after"
} | tee "$out"
[ "$scanned" = "$total" ] && [ "$infected" = "$expected" ] && [ "$removed" = "$expected" ] && [ "$left" = 0 ] &&
    [ "$misses" = "$expected_misses" ] || { echo "SOAK FAILED: statistics differ" >&2; exit 1; }
