#!/usr/bin/env bash
# Packages the Windows programs of a cross build (preset "windows") as a
# portable .zip and an NSIS installer, both from the same files.
# Usage: scripts/package-windows.sh [build dir] [output dir]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/windows}"
out="${2:-$build/package}"

version="$(sed -n 's/^project(TallyvaneJournal VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
[ -n "$version" ] || { echo "package-windows: no version in CMakeLists.txt" >&2; exit 1; }

journal="$build/app/win32/tallyvane-journal.exe"
report="$build/cli/tallyvane-report.exe"
for f in "$journal" "$report"; do
  [ -f "$f" ] || { echo "package-windows: $f is missing; build the windows preset first" >&2; exit 1; }
done
command -v makensis >/dev/null || { echo "package-windows: makensis (Debian package nsis) is missing" >&2; exit 1; }

name="tallyvane-journal-$version-win64"
dist="$out/$name"
rm -rf "$dist"
mkdir -p "$dist"
cp "$journal" "$report" "$dist/"
cat > "$dist/README.txt" <<TEXT
Tallyvane Journal $version

When was this computer in use, and for how long: tallyvane-journal.exe shows
the days and months of use read from the System event log;
tallyvane-report.exe prints the same journal in a console.

This folder runs as it is, from anywhere; nothing needs installing.
TEXT
# Windows line ends for Notepad.
sed -i 's/$/\r/' "$dist/README.txt"

rm -f "$out/$name.zip"
(cd "$out" && zip -qr -X "$name.zip" "$name")

makensis -V2 -DVERSION="$version" -DDIST="$dist" -DOUTFILE="$out/$name-setup.exe" \
  "$root/app/win32/installer.nsi"

echo "$out/$name.zip"
echo "$out/$name-setup.exe"
