#!/usr/bin/env bash
# Runs a Windows program under Wine on a virtual X display, in a Wine prefix of
# its own. The other Windows tests share a prefix that runs without a display,
# and Wine's desktop process, which owns the display for every program of a
# prefix, would then have none to give the window.
# Usage: run_on_display.sh <wine prefix> <program.exe> [arguments...]
set -euo pipefail
export WINEPREFIX="$1"
shift
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  test -f "$WINEPREFIX/system.reg" || wineboot -i >/dev/null 2>&1
  status=0
  wine "$@" || status=$?
  wineserver -w
  exit $status' sh "$@"
