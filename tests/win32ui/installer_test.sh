#!/usr/bin/env bash
# Makes the portable .zip and the installer of a Windows build, installs the
# installer silently under Wine and checks what it put in place: the programs,
# the uninstaller and the Start-menu entry; then uninstalls and checks that
# they are gone. Uses $WINEPREFIX when set (the test preset's), else its own.
# Usage: installer_test.sh <source dir> <build dir>
set -euo pipefail

root="$1"
build="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$root/scripts/package-windows.sh" "$build" "$work/out" > "$work/made.txt"
zip="$(grep '\.zip$' "$work/made.txt")"
setup="$(grep 'setup\.exe$' "$work/made.txt")"
[ -s "$zip" ] || fail "no .zip"
[ -s "$setup" ] || fail "no installer"

# The portable .zip holds both programs, byte for byte the built ones.
mkdir "$work/unzipped"
(cd "$work/unzipped" && unzip -q "$zip")
portable="$(find "$work/unzipped" -maxdepth 1 -mindepth 1 -type d)"
cmp "$portable/tallyvane-journal.exe" "$build/app/win32/tallyvane-journal.exe" || fail "zip: window program differs"
cmp "$portable/tallyvane-report.exe" "$build/cli/tallyvane-report.exe" || fail "zip: report program differs"
[ -f "$portable/README.txt" ] || fail "zip: no README.txt"

export WINEPREFIX="${WINEPREFIX:-$work/prefix}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
mkdir -p "$WINEPREFIX"
target='C:\TallyvaneInstallerTest'
# NSIS wants /D last and unquoted, so the folder has no blanks.
wine "$setup" /S "/D=$target"
wineserver -w

installed="$WINEPREFIX/drive_c/TallyvaneInstallerTest"
cmp "$installed/tallyvane-journal.exe" "$build/app/win32/tallyvane-journal.exe" || fail "installed window program differs"
cmp "$installed/tallyvane-report.exe" "$build/cli/tallyvane-report.exe" || fail "installed report program differs"
[ -f "$installed/uninstall.exe" ] || fail "no uninstaller"
shortcut="$(find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Tallyvane Journal/Tallyvane Journal.lnk' | head -n1)"
[ -n "$shortcut" ] || fail "no Start-menu entry"
# The shortcut points at the installed program.
grep -a -q 'tallyvane-journal.exe' "$shortcut" || fail "the Start-menu entry does not name the program"

# _?= runs the uninstaller in place, so it has finished when wine returns.
wine "$installed/uninstall.exe" /S "_?=$target"
wineserver -w
[ ! -e "$installed/tallyvane-journal.exe" ] || fail "the uninstaller left the program"
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu entry"
echo "installer: ok ($(du -h "$setup" | cut -f1) installer, $(du -h "$zip" | cut -f1) zip)"
