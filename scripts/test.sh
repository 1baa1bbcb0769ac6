#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
# Extra arguments go to ctest (for example: -R Setup). TRAVINE_PRESET=mingw-hardened runs the
# suite in the build with run-time checks instead of the normal one.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
preset="${TRAVINE_PRESET:-mingw}"
bash "$ROOT/scripts/build.sh" "$preset"
BUILD_DIR="$ROOT/build/${preset#mingw-}"
[ "$preset" = mingw ] && BUILD_DIR="$ROOT/build/mingw"
# Every build shares the one prepared prefix.
export WINEPREFIX_OVERRIDE="${WINEPREFIX_OVERRIDE:-$ROOT/build/mingw/wineprefix}"
source "$ROOT/scripts/wine-env.sh"

start_wine_session
cd "$BUILD_DIR"
status=0
ctest --output-on-failure --timeout 300 "$@" </dev/null || status=$?
# CTest shows no output of a skipped test, so its line saying why would go unseen.
grep -h '^SKIPPED: ' Testing/Temporary/LastTest.log 2>/dev/null || true
exit "$status"
