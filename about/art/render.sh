#!/usr/bin/env bash
# Renders the artwork's SVG sources to the PNGs the program embeds and the package installs.
# Run after changing an SVG and commit the PNGs with it (needs rsvg-convert, librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"

rsvg-convert -w 32 -h 32 kwp-import.svg -o kwp-import-32.png
rsvg-convert -w 256 -h 256 kwp-import.svg -o kwp-import-256.png
rsvg-convert -w 1089 -h 317 banner.svg -o banner.png
rsvg-convert -w 162 -h 245 side.svg -o side.png
echo "Rendered: kwp-import-32.png kwp-import-256.png banner.png side.png"
