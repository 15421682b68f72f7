#!/usr/bin/env bash
# Renders the README's screenshots of the Windows program (the main window over
# a sample log, and the About dialog) under Wine on a virtual X display, inside
# a Wine virtual desktop so that Wine draws the window frames, into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target tallyvane-win32-screenshots
export WINEPREFIX="${WINEPREFIX:-$PWD/build/windows/wineprefix}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
out="$(winepath -w "$PWD/docs")"
xvfb-run -a -s "-screen 0 1280x900x24" sh -c "
  wine explorer /desktop=tallyvane,1000x800 build/windows/tests/win32ui/tallyvane-win32-screenshots.exe '$out'
  wineserver -w"
ls -l docs/win32-main-window.png docs/win32-about-dialog.png
echo "Screenshots written to docs/"
