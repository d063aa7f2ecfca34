#!/usr/bin/env bash
# Builds every preset and runs every test: the host unit suite over
# winsim (also under the sanitizers), the conformance suites on winsim and
# under Wine, and the Wine GUI and end-to-end scenarios, and every fuzzer
# for a bounded time (BRUVANE_FUZZ_SECONDS each, 0 to skip). Prints ctest's
# summaries, the full host run last.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$jobs"
# The unit suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake --preset host-sanitize >/dev/null
cmake --build --preset host-sanitize -j"$jobs"
ctest --preset host-sanitize -j"$jobs"

cmake --preset host >/dev/null
cmake --build --preset host -j"$jobs"
# Every fuzzer for a bounded time, then the full host run last.
if [ "${BRUVANE_FUZZ_SECONDS:-30}" != 0 ]; then
    bash tests/fuzz/run-fuzzers.sh "${BRUVANE_FUZZ_SECONDS:-30}"
fi
ctest --preset host -j"$jobs" "$@"
