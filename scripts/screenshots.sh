#!/usr/bin/env bash
# Pictures of the program as users see it, for the README: every page, the Column edit dialog
# and the saved message, in docs/screenshots/*.png.
#
# The dialog templates are sized for "Yu Gothic UI", whose kana are proportional. Noto Sans CJK
# draws them full-width and cuts labels off, so the pictures use a prefix of their own in which
# "Yu Gothic UI" (and the Japanese text of captions and message boxes) is IPAPGothic, which is
# proportional like the UI font. DejaVu Sans supplies the symbols IPAPGothic lacks.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/build.sh"
BUILD_DIR="$ROOT/build/mingw"
export WINEPREFIX_OVERRIDE="$BUILD_DIR/wineprefix-pictures"
source "$ROOT/scripts/wine-env.sh"

start_wine_session
cv='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
wine_quiet reg add "$cv\\FontSubstitutes" /v "Yu Gothic UI" /t REG_SZ /d "IPAPGothic" /f
wine_quiet reg add "$cv\\FontLink\\SystemLink" /v "Tahoma" /t REG_MULTI_SZ /d "ipagp.ttf,IPAPGothic" /f
for face in "Yu Gothic UI" "IPAPGothic"; do
  wine_quiet reg add "$cv\\FontLink\\SystemLink" /v "$face" /t REG_MULTI_SZ /d "DejaVuSans.ttf,DejaVu Sans" /f
done
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
