#!/usr/bin/env bash
# Pictures of the program as users see it, for the README: every page, the Column edit dialog
# and the saved message, in docs/screenshots/*.png.
#
# The pictures use a prefix of their own, with the same fonts as every prefix of the project
# (IPAPGothic standing in for "Yu Gothic UI", see scripts/wine-env.sh), so that a first start
# shows on them whatever the tests left in the main prefix.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/build.sh"
BUILD_DIR="$ROOT/build/mingw"
export WINEPREFIX_OVERRIDE="$BUILD_DIR/wineprefix-pictures"
source "$ROOT/scripts/wine-env.sh"

start_wine_session
# A first start on Windows 11 23H2 without the extension: the Setup page invites registration.
wine_quiet reg delete 'HKCU\Software\Travine11' /f || true

shots="$BUILD_DIR/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
"$WINE64" "$BUILD_DIR/bin/page_shots.exe" "$(win_path "$shots")" </dev/null >/dev/null 2>&1
out="$ROOT/docs/screenshots"
mkdir -p "$out"
rm -f "$out"/*.png
for bmp in "$shots"/*.bmp; do
  convert "$bmp" -strip "$out/$(basename "${bmp%.bmp}").png"
done
ls "$out"
