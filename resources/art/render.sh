#!/usr/bin/env bash
# Render the artwork sources (ImageMagick vector drawings, .mvg) into the
# transparent PNG files the window loads: resources/<name>.png.
set -euo pipefail
cd "$(dirname "$0")"
for src in *.mvg; do
  name=${src%.mvg}
  /usr/bin/convert -background none "mvg:$src" -depth 8 "PNG32:../$name.png"
done
