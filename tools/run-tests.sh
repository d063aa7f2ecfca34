#!/usr/bin/env bash
# Builds both presets and runs every test: the host unit suite over
# winsim, the conformance suites on winsim and under Wine, and the Wine
# GUI and end-to-end scenarios. Prints ctest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$jobs"
cmake --preset host >/dev/null
cmake --build --preset host -j"$jobs"
ctest --preset host -j"$jobs" "$@"
