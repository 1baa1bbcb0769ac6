#!/usr/bin/env bash
# Renders the README's pictures and approves them: docs/screenshots/*.png are replaced by what
# the program shows now, and the picture test (tests/compare-screenshots.sh) compares with them
# from then on. Run it when a change to the pages is meant to show, or after an update of Wine
# or of the fonts, then look at every picture before committing it.
# Usage: scripts/approve-screenshots.sh [BUILD_DIR]
# Without BUILD_DIR it builds everything in build/mingw first; with it, only the picture taker.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
if [ "$#" -gt 0 ]; then
  BUILD_DIR="$1"
  cmake --build "$BUILD_DIR" --target page_shots
else
  bash "$ROOT/scripts/build.sh"
  BUILD_DIR="$ROOT/build/mingw"
fi
fresh="$BUILD_DIR/screenshots-approved"
rm -rf "$fresh"
bash "$ROOT/scripts/screenshots.sh" "$BUILD_DIR" "$fresh"
out="$ROOT/docs/screenshots"
mkdir -p "$out"
rm -f "$out"/*.png
cp "$fresh"/*.png "$out/"
ls "$out"
