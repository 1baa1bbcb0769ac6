#!/usr/bin/env bash
# Saves a picture of the options window with each page in front: build/mingw/screenshots/*.png
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/build.sh"
BUILD_DIR="$ROOT/build/mingw"
source "$ROOT/scripts/wine-env.sh"

start_wine_session
out="$BUILD_DIR/screenshots"
mkdir -p "$out"
ready="$out/ready.txt"
rm -f "$out"/page-*.png "$ready"
"$WINE64" "$BUILD_DIR/bin/page_shots.exe" "$("$WINE64" winepath -w "$ready" 2>/dev/null </dev/null)" \
  </dev/null >/dev/null 2>&1 &
shooter=$!
# The program writes "page x y width height" when a page is in front and waits for the file to go.
for _ in $(seq 1 6); do
  for _ in $(seq 1 200); do
    [ -f "$ready" ] && break
    sleep 0.1
  done
  [ -f "$ready" ] || { echo "page_shots did not answer" >&2; exit 1; }
  read -r page x y width height <"$ready"
  xwd -root -silent | convert xwd:- -crop "${width}x${height}+${x}+${y}" +repage "$out/page-$page.png"
  rm -f "$ready"
done
wait "$shooter"
ls "$out"/page-*.png
