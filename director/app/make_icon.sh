#!/usr/bin/env bash
# Draws morvane.ico (32x32 and 16x16): a TV camera on a dark blue tile. Run it again after
# changing the drawing; the .ico is committed so that builds need no image tools.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 32x32 xc:none \
  -fill '#1b3a6b' -draw 'roundrectangle 0,0 31,31 6,6' \
  -fill '#f2f2f2' -draw 'rectangle 6,11 20,22' \
  -fill '#f2f2f2' -draw 'polygon 20,14 27,10 27,23 20,19' \
  -fill '#d23c3c' -draw 'circle 10,14 12,14' \
  -fill '#f2f2f2' -draw 'rectangle 11,22 14,27' \
  "$tmp/32.png"
convert "$tmp/32.png" -resize 16x16 "$tmp/16.png"
convert "$tmp/32.png" "$tmp/16.png" morvane.ico
