#!/usr/bin/env bash
# Runs the tests of the Windows cross build (build/windows) under Wine, headless,
# in a Wine prefix of its own inside the build folder, and stops Wine afterwards.
# Usage: scripts/wine-tests.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/windows
export WINEPREFIX="$PWD/$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# Wine takes its time zone from TZ; the tests that compare the program's output
# with rows built in the test process expect UTC, as the Linux tests set it.
export TZ=UTC
# No window may appear: no display, and no Mono or Gecko installer prompts.
export DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  wineboot -i >/dev/null 2>&1
fi
status=0
ctest --preset windows -j"$(nproc)" "$@" || status=$?
wineserver -k || true
exit $status
