#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test:
# the unit and integration tests, the same under ASan+UBSan, the Windows build's
# tests under Wine, and a bounded run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== build and test (warnings as errors)"
cmake --preset ci >/dev/null
cmake --build --preset ci -j"$jobs"
ctest --preset ci -j"$jobs"

echo "== build and test under ASan+UBSan"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

echo "== Windows: cross-build, then the tests under Wine"
windows_start=$SECONDS
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"
scripts/wine-tests.sh
echo "Windows stage: $((SECONDS - windows_start)) s"

echo "== fuzz (bounded)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs"
scripts/fuzz.sh "${FUZZ_SECONDS:-30}"
