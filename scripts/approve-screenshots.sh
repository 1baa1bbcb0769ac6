#!/usr/bin/env bash
# Renders the README's pictures and approves them for the Wine that runs here: the set
# docs/screenshots/wine-N (N the Wine's major version) is replaced by what the program shows now,
# and the picture test (tests/compare-screenshots.sh) compares with it from then on under that
# Wine. The sets of other Wines stay as they are. Run it when a change to the pages is meant to
# show, or after an update of Wine or of the fonts, then look at every picture before committing
# it. scripts/debian13.sh --approve does the same for Debian 13's Wine.
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
source "$ROOT/scripts/wine-env.sh"
set_dir="$(picture_set_dir)" || {
  echo "cannot tell the version of $WINE64" >&2
  exit 1
}
fresh="$BUILD_DIR/screenshots-approved"
rm -rf "$fresh"
bash "$ROOT/scripts/screenshots.sh" "$BUILD_DIR" "$fresh"
out="$ROOT/$set_dir"
mkdir -p "$out"
rm -f "$out"/*.png
cp "$fresh"/*.png "$out/"
echo "approved into $set_dir:"
ls "$out"
