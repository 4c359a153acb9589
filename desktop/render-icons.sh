#!/usr/bin/env bash
# Renders the program's icon, org.tessaline.Tessaline.svg, into the PNG sizes in icons/ that the window and
# the installed icon theme use. Run after changing the SVG (rsvg-convert: Debian's librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" org.tessaline.Tessaline.svg -o "icons/$size.png"
done
