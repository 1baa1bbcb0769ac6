#!/usr/bin/env bash
# Redraws the three program icons (16x16 and 32x32, 32 bpp with alpha) from simple shapes.
# The .ico files are committed; run this only when an icon's design changes.
set -euo pipefail
out="$(cd "$(dirname "$0")/../res/icons" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Application: a blue tile with a white folder and a dark column bar (details view).
convert -size 64x64 xc:none \
  -fill '#1f5fbf' -draw 'roundrectangle 2,2 61,61 12,12' \
  -fill '#ffffff' -draw 'roundrectangle 10,18 54,50 4,4' -draw 'rectangle 10,14 28,20' \
  -fill '#1f5fbf' -draw 'rectangle 14,28 50,31' -draw 'rectangle 14,36 50,39' -draw 'rectangle 14,44 40,46' \
  "$tmp/app.png"
# Drag hint: an amber disc with a white arrow pointer.
convert -size 64x64 xc:none \
  -fill '#e8a317' -draw 'circle 32,32 32,3' \
  -fill '#ffffff' -draw 'polygon 22,14 22,50 31,41 37,54 43,51 37,38 49,38' \
  "$tmp/drag.png"
# Version page: the application tile with a green check badge.
convert "$tmp/app.png" \
  -fill '#2e9d46' -draw 'circle 48,48 48,34' \
  -stroke '#ffffff' -strokewidth 4 -fill none -draw 'polyline 41,48 46,53 55,42' \
  "$tmp/version.png"

for name in app drag version; do
  convert "$tmp/$name.png" -define icon:auto-resize=32,16 "$out/$name.ico"
done
