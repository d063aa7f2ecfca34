#!/usr/bin/env bash
# bruvane-scan as a user runs it: exit status, messages and output over
# small trees made here.
# Usage: run_scan_tool.sh path/to/bruvane-scan path/to/bruvane-corpus
set -u
scanner=$1
corpus_tool=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/bruvane-scan-test-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

# check WHAT EXPECTED_STATUS STDOUT_PART STDERR_PART -- ARGS...
# A failure names the line of the check.
check() {
    local what="$1 (${BASH_SOURCE[1]##*/}:${BASH_LINENO[0]})" status=$2 out_part=$3 err_part=$4
    shift 5
    timeout 60 "$scanner" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    local ok=1
    [ "$got" -eq "$status" ] || { echo "FAIL $what: exit $got, expected $status"; ok=0; }
    if [ -n "$out_part" ] && ! grep -qF -- "$out_part" "$work/out"; then
        echo "FAIL $what: stdout lacks '$out_part'"; ok=0
    fi
    if [ -n "$err_part" ] && ! grep -qF -- "$err_part" "$work/err"; then
        echo "FAIL $what: stderr lacks '$err_part'"; ok=0
    fi
    if [ $ok -eq 1 ]; then
        passes=$((passes + 1))
    else
        failures=$((failures + 1))
        sed 's/^/  out: /' "$work/out" | head -20
        sed 's/^/  err: /' "$work/err" | head -20
    fi
}

# A clean tree with links that lead outside it.
mkdir -p "$work/disk/Windows/System32" "$work/disk/Docs" "$work/outside/more"
printf 'MZ' >"$work/disk/Windows/System32/kernel32.dll"
printf 'text' >"$work/disk/Docs/readme.txt"
printf 'x' >"$work/disk/boot.ini"
for i in 1 2 3 4 5; do printf 'o' >"$work/outside/more/o$i.txt"; done
ln -s "$work/outside" "$work/disk/Docs/outside-folder"
ln -s "$work/outside/more/o1.txt" "$work/disk/o1-link.txt"
mkfifo "$work/disk/Docs/pipe.exe"  # opening it for a read would block for ever
mkdir -p "$work/second"
printf 'y' >"$work/second/a.bin"
printf 'y' >"$work/second/b.bin"

tab=$'\t'
check "help" 0 "Usage: bruvane-scan" "" -- --help
check "help lists the exit status" 0 "Exit status: 0 nothing found, 1 something found, 2 usage" "" -- -h
check "no folder" 2 "" "no folder to scan" --
check "unknown option" 2 "" "unknown option '--recursive'" -- --recursive "$work/disk"
check "usage errors point to --help" 2 "" "Try 'bruvane-scan --help'." -- --drive
check "drive A" 2 "" "drive A: is never scanned" -- --drive "A=$work/disk"
check "missing folder" 2 "" "cannot scan '$work/nowhere': No such file or directory" -- "$work/nowhere"
check "a file is no folder" 2 "" "Not a directory" -- "$work/disk/boot.ini"
check "one missing folder of two scans nothing" 2 "" "cannot scan" -- "$work/disk" "$work/nowhere"
grep -q "Scanning" "$work/out" && { echo "FAIL refused run scanned"; failures=$((failures + 1)); }
check "clean tree, links and pipes neither counted nor opened" 0 "Total files scanned${tab}${tab}:  3" "" -- "$work/disk"
check "clean tree ends completed" 0 "Scanning completed" "" -- "$work/disk"
check "mapping is shown" 0 "Drive C: is $work/disk" "" -- "$work/disk"
check "two folders, both counted" 0 "Total files scanned${tab}${tab}:  5" "" -- "$work/disk" --drive "E=$work/second"
check "second folder on its letter" 0 "Drive E: is $work/second" "" -- "$work/disk" --drive "E=$work/second"
check "relative folder" 0 "Total files scanned${tab}${tab}:  2" "" -- --drive "d=$(realpath --relative-to=. "$work/second")"
check "nothing found, nothing infected" 0 "Total files infected${tab}${tab}:  0" "" -- "$work/disk"

# Samples: found and only reported by default, removed with --remove;
# a link to a sample outside the folder is neither reported nor removed.
"$corpus_tool" --out "$work/corpus" --files 60 --samples 3 --seed 7 || { echo "FAIL corpus"; exit 1; }
first=$(cut -f1 "$work/corpus/answer-key.tsv" | head -1)
first_name=$(cut -f3 "$work/corpus/answer-key.tsv" | head -1)
mkdir -p "$work/linked"
ln -s "$work/corpus/tree" "$work/linked/to-samples"
check "samples found, exit 1" 1 "Total files infected${tab}${tab}:  3" "" -- "$work/corpus/tree"
check "report only by default" 1 "not disinfected as per user's selection" "" -- "$work/corpus/tree"
grep -qF "     $first_name not disinfected as per user's selection" "$work/out" ||
    { echo "FAIL report line of $first"; failures=$((failures + 1)); }
[ -f "$work/corpus/tree/$first" ] || { echo "FAIL report-only run removed $first"; failures=$((failures + 1)); }
check "nothing found through a link" 0 "Total files scanned${tab}${tab}:  0" "" -- "$work/linked"
# The read-ahead changes nothing in the output; a bad thread count is a
# usage error.
"$scanner" --threads 0 "$work/corpus/tree" >"$work/alone" 2>&1
"$scanner" --threads 5 "$work/corpus/tree" >"$work/read-ahead" 2>&1
cmp -s "$work/alone" "$work/read-ahead" || { echo "FAIL --threads 5 output differs from --threads 0"; failures=$((failures + 1)); }
check "thread count checked" 2 "" "--threads needs a number from 0 to 64" -- --threads 99 "$work/corpus/tree"

# On a terminal (script(1) gives the program one): a progress line on
# standard error, cleared again; standard output as without it.
if command -v script >/dev/null; then
    script -qec "'$scanner' '$work/corpus/tree' >'$work/tty-out'" /dev/null >"$work/typescript" </dev/null
    cmp -s "$work/alone" "$work/tty-out" || { echo "FAIL output on a terminal differs"; failures=$((failures + 1)); }
    grep -q "files/s  C:" "$work/typescript" || { echo "FAIL no progress line on a terminal"; failures=$((failures + 1)); }
    # The last thing on the terminal is the line cleared: spaces, then a carriage return.
    [ "$(tail -c 2 "$work/typescript" | od -An -tx1 | tr -d ' \n')" = "200d" ] ||
        { echo "FAIL progress line not cleared at the end"; failures=$((failures + 1)); }
    script -qec "'$scanner' --quiet '$work/corpus/tree' >'$work/tty-out'" /dev/null >"$work/typescript" </dev/null
    grep -q "files/s" "$work/typescript" && { echo "FAIL progress line despite --quiet"; failures=$((failures + 1)); }
fi

check "--remove removes" 1 "Total files removed${tab}${tab}:  3" "" -- --remove "$work/corpus/tree"
grep -qF "     $first_name removed" "$work/out" || { echo "FAIL removed line"; failures=$((failures + 1)); }
[ ! -e "$work/corpus/tree/$first" ] || { echo "FAIL $first still there"; failures=$((failures + 1)); }
check "nothing left after removal" 0 "Total files infected${tab}${tab}:  0" "" -- "$work/corpus/tree"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
