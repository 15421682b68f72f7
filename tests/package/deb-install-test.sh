#!/usr/bin/env bash
# Makes the package from the build tree given, checks what it holds, installs
# it, runs what it installed, and removes it.
set -euo pipefail
build=$1
out=$(scripts/package-deb.sh "$build")
deb=$(ls "$build"/package/*.deb)
contents=$(dpkg-deb --contents "$deb")
for path in ./usr/bin/tallyvane-journal ./usr/bin/tallyvane-report \
    ./usr/share/applications/tallyvane-journal.desktop \
    ./usr/share/icons/hicolor/scalable/apps/tallyvane-journal.svg \
    ./usr/share/icons/hicolor/48x48/apps/tallyvane-journal.png \
    ./usr/share/man/man1/tallyvane-journal.1.gz ./usr/share/man/man1/tallyvane-report.1.gz \
    ./usr/share/doc/tallyvane-journal/copyright; do
  grep -q " $path\$" <<<"$contents" || { echo "missing from the package: $path"; exit 1; }
done
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libqt6widgets6 libqt6printsupport6 libsystemd0 libjpeg62-turbo; do
  grep -q "$lib" <<<"$depends" || { echo "not declared: $lib ($depends)"; exit 1; }
done
if grep -q "^E: " <<<"$out"; then
  echo "$out"
  exit 1
fi
if [[ $(id -u) -ne 0 ]]; then
  echo "not root: the package is checked but not installed"
  exit 77
fi
if dpkg-query -W -f='${Status}' tallyvane-journal 2>/dev/null | grep -q "install ok installed"; then
  echo "tallyvane-journal is installed already; not touching it"
  exit 77
fi
trap 'dpkg -r tallyvane-journal >/dev/null 2>&1 || true' EXIT
dpkg -i "$deb" >/dev/null
/usr/bin/tallyvane-report --help | grep -q "^Usage: tallyvane-report"
/usr/bin/tallyvane-report --help | grep -q -- "--html"
man -w tallyvane-report | grep -q "/usr/share/man/man1/tallyvane-report.1.gz"
MANPAGER=cat MANWIDTH=80 man tallyvane-report 2>/dev/null | grep -q "tallyvane-report - print when"
grep -q "^Exec=tallyvane-journal" /usr/share/applications/tallyvane-journal.desktop
echo "installed, run and removed: $deb"
