#!/usr/bin/env bash
# Renders the README's screenshots (the main window over a sample log, and the
# About dialog) on a virtual X display, into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target tallyvane-screenshots
xvfb-run -a -s "-screen 0 1280x900x24" build/default/tests/app/tallyvane-screenshots docs
echo "Screenshots written to docs/"
