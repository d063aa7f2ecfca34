#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzzer for a bounded time from its
# generated seed corpus; prints each one's executions per second. Any
# crash, sanitizer report, leak or hang fails the run and leaves the input
# in build/fuzz/artifacts/.
# usage: run-fuzzers.sh [SECONDS_EACH]   (BRUVANE_FUZZ_SECONDS, default 30)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-${BRUVANE_FUZZ_SECONDS:-30}}
jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs"

work=build/fuzz/run
rm -rf "$work"
mkdir -p "$work/seeds" "$work/corpus" build/fuzz/artifacts
bash tests/fuzz/make-seeds.sh "$work/seeds" build/fuzz

# The fuzzers' scratch drives, in memory when the host has it.
scratch_base=/dev/shm
[ -w "$scratch_base" ] || scratch_base=${TMPDIR:-/tmp}
export BRUVANE_FUZZ_SCRATCH
BRUVANE_FUZZ_SCRATCH=$(mktemp -d "$scratch_base/bruvane-fuzz-run-XXXXXX")
trap 'rm -rf "$BRUVANE_FUZZ_SCRATCH"' EXIT

summary=()
status=0
for fuzzer in build/fuzz/tests/fuzz/*_fuzzer; do
    name=$(basename "$fuzzer")
    mkdir -p "$work/corpus/$name" "$work/seeds/$name"
    log="$work/$name.log"
    # -timeout: one input running longer than 10 s counts as a hang.
    if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build/fuzz/artifacts/$name-" "$work/corpus/$name" "$work/seeds/$name" >"$log" 2>&1; then
        echo "FUZZER FAILED: $name (log $log)" >&2
        tail -n 60 "$log" >&2
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    summary+=("$(printf '%-34s %10s runs %8s exec/s' "$name" "${runs:-?}" "${rate:-?}")")
done
echo "Fuzzing, ${seconds} s each:"
printf '  %s\n' "${summary[@]}"
exit "$status"
