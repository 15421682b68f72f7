#!/usr/bin/env bash
# Renders the README's screenshots on a virtual X display, into docs/: the main
# window over a sample log and over the shared real .evtx fixture, the usage
# chart over a sample year, the About dialog, and that year's HTML report as
# headless Chromium shows it.
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
cp "$work"/main-window.png "$work"/main-window-evtx.png "$work"/usage-chart.png \
  "$work"/about-dialog.png docs/
# Chromium under timeout (which ends its whole process group should it hang),
# with a profile of its own; no sandbox, which it cannot set up as root.
timeout -k 5 60 chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage \
  --no-first-run --hide-scrollbars --force-device-scale-factor=1 --force-color-profile=srgb \
  --user-data-dir="$work/profile" --window-size=1000,1034 \
  --screenshot="$PWD/docs/report.png" "file://$work/report.html" >"$work/chromium.log" 2>&1 ||
  { cat "$work/chromium.log"; exit 1; }
echo "Screenshots written to docs/"
