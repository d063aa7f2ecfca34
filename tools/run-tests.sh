#!/usr/bin/env bash
# Builds every preset and runs every test: the sanitize build's host suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, its fuzzers for a
# bounded time (BRUVANE_FUZZ_SECONDS each, 0 to skip; as many side by side
# as there are cores), then the full host run last: the unit suite, the
# conformance suites on winsim and under Wine, and the Wine GUI and
# end-to-end scenarios, which run side by side too. Prints ctest's
# summaries, then how long each stage took.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

stage_times=()
# stage NAME COMMAND...: runs the command and notes its time.
stage() {
    local name=$1 start=$SECONDS
    shift
    "$@"
    stage_times+=("$(printf '%-16s %4d s' "$name" $((SECONDS - start)))")
}
build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j"$jobs"
}

stage "win32 build" build win32
stage "host build" build host
# One clang tree builds the host suite and the fuzzers alike.
stage "sanitize build" build sanitize
stage "sanitize tests" ctest --preset sanitize -j"$jobs"
if [ "${BRUVANE_FUZZ_SECONDS:-30}" != 0 ]; then
    stage "fuzzers" env BRUVANE_FUZZ_NO_BUILD=1 bash tests/fuzz/run-fuzzers.sh "${BRUVANE_FUZZ_SECONDS:-30}"
fi
stage "host tests" ctest --preset host -j"$jobs" "$@"
echo "Stages:"
printf '  %s\n' "${stage_times[@]}"
