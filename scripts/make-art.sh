#!/usr/bin/env bash
# Regenerates the program's pictures from their sources: the icon's PNG sizes
# from its SVG (rsvg-convert) and the About dialog's JPEG background from the
# program that draws it (libjpeg). The results are committed; the build only
# embeds them.
set -euo pipefail
cd "$(dirname "$0")/.."
res=app/qt/resources
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$res/icons/tallyvane-journal.svg" \
    -o "$res/icons/tallyvane-journal-$size.png"
done
tool=$(mktemp -d)
trap 'rm -rf "$tool"' EXIT
c++ -O2 -std=c++20 "$res/tools/make_about_background.cpp" -ljpeg -o "$tool/make_about_background"
"$tool/make_about_background" "$res/about-background.jpg"
echo "Pictures written under $res"
