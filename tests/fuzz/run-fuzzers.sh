#!/usr/bin/env bash
# Runs every fuzzer of the sanitize build for a bounded time from its
# generated seed corpus, as many side by side as the machine has cores,
# and prints each one's executions per second. Any crash, sanitizer
# report, leak or hang fails the run and leaves the input in
# build/sanitize/fuzz/artifacts/. The corpora the runs grow stay in
# build/sanitize/fuzz/corpus, outside the repository, and are started
# afresh from the seeds at every run.
# usage: run-fuzzers.sh [SECONDS_EACH]   (BRUVANE_FUZZ_SECONDS, default 30)
# BRUVANE_FUZZ_JOBS: fuzzers at once (default: the number of cores).
# BRUVANE_FUZZ_NO_BUILD=1: the sanitize build is up to date already.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-${BRUVANE_FUZZ_SECONDS:-30}}
jobs=${BRUVANE_FUZZ_JOBS:-$(nproc 2>/dev/null || echo 2)}
build=build/sanitize

if [ "${BRUVANE_FUZZ_NO_BUILD:-0}" != 1 ]; then
    cmake --preset sanitize >/dev/null
    cmake --build --preset sanitize -j"$jobs" --target bruvane_fuzzers
fi

work=$build/fuzz
rm -rf "$work/seeds" "$work/corpus" "$work/logs"
mkdir -p "$work/seeds" "$work/corpus" "$work/logs" "$work/artifacts"
bash tests/fuzz/make-seeds.sh "$work/seeds" "$build"

# The fuzzers' scratch drives, in memory when the host has it; each
# fuzzer makes its own folder below.
scratch_base=/dev/shm
[ -w "$scratch_base" ] || scratch_base=${TMPDIR:-/tmp}
export BRUVANE_FUZZ_SCRATCH
BRUVANE_FUZZ_SCRATCH=$(mktemp -d "$scratch_base/bruvane-fuzz-run-XXXXXX")
trap 'rm -rf "$BRUVANE_FUZZ_SCRATCH"' EXIT

# run_fuzzer NAME: one fuzzer for the given time; its log and its exit
# status are left in the logs folder.
run_fuzzer() {
    local name=$1 status=0
    mkdir -p "$work/corpus/$name" "$work/seeds/$name"
    # -timeout: one input running longer than 10 s counts as a hang.
    "$build/tests/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/$name-" "$work/corpus/$name" "$work/seeds/$name" \
        >"$work/logs/$name.log" 2>&1 || status=$?
    echo "$status" >"$work/logs/$name.status"
}

names=()
for fuzzer in "$build"/tests/fuzz/*_fuzzer; do
    names+=("$(basename "$fuzzer")")
done
running=0
for name in "${names[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    run_fuzzer "$name" &
    running=$((running + 1))
done
wait

summary=()
status=0
for name in "${names[@]}"; do
    log=$work/logs/$name.log
    if [ "$(cat "$work/logs/$name.status" 2>/dev/null)" != 0 ]; then
        echo "FUZZER FAILED: $name (log $log)" >&2
        tail -n 60 "$log" >&2
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    summary+=("$(printf '%-34s %10s runs %8s exec/s' "$name" "${runs:-?}" "${rate:-?}")")
done
echo "Fuzzing, ${seconds} s each, ${jobs} at a time:"
printf '  %s\n' "${summary[@]}"
exit "$status"
