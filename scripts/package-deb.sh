#!/usr/bin/env bash
# Builds the Debian package of both programs from a build tree (the ci preset's
# by default, so that CI builds nothing twice), lists its contents and checks
# it with lintian. The package lands in <build>/package/.
# Usage: scripts/package-deb.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
build=${1:-build/ci}
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake --preset ci >/dev/null
fi
cmake --build "$build" -j"${JOBS:-2}" --target tallyvane-journal tallyvane-report tallyvane_man_pages
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$PWD/package" >/dev/null)
deb=$(ls "$build"/package/*.deb)
echo "-- $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
dpkg-deb --contents "$deb"
if command -v lintian >/dev/null; then
  # Lintian's findings are printed; errors fail the script.
  lintian --tag-display-limit 0 "$deb" || { echo "lintian found errors"; exit 1; }
fi
