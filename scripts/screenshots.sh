#!/usr/bin/env bash
# Renders the README's screenshots on a virtual X display, into docs/: the main
# window over a sample log and over the shared real .evtx fixture, the About
# dialog, and the HTML report's chart of hours per month (its SVG drawn by
# rsvg-convert).
# Usage: scripts/screenshots.sh [build-dir]   (the ci preset's by default)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
build=${1:-build/ci}
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake --preset ci >/dev/null
fi
cmake --build "$build" -j2 --target tallyvane-screenshots
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 1280x900x24" "$build/tests/app/tallyvane-screenshots" "$work"
cp "$work"/main-window.png "$work"/main-window-evtx.png "$work"/about-dialog.png docs/
sed -n '/<svg/,/<\/svg>/p' "$work/report.html" > "$work/chart.svg"
rsvg-convert -b white -o docs/report-chart.png "$work/chart.svg"
echo "Screenshots written to docs/"
