#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tallyvane Journal.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)"
if [[ -x build/default/app/qt/tallyvane-journal ]]; then
  if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    exec build/default/app/qt/tallyvane-journal
  fi
  echo "No display to open the window on; showing the journal as text instead." >&2
fi
exec build/default/cli/tallyvane-report "$@"
