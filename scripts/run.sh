#!/usr/bin/env bash
# Installs what is missing, builds the program and launches it under Wine in the project's own
# prefix. Without a display it runs on Xvfb, leaves a screenshot in build/mingw/run.png and
# closes the program again.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/build.sh"
BUILD_DIR="$ROOT/build/mingw"
source "$ROOT/scripts/wine-env.sh"

if [ -n "${DISPLAY:-}" ]; then
  ensure_prefix
  exec "$WINE64" "$BUILD_DIR/bin/Travine11.exe"
fi

start_wine_session
"$WINE64" explorer /desktop=Travine,1024x768 "$BUILD_DIR/bin/Travine11.exe" </dev/null >/dev/null 2>&1 &
sleep 6
xwd -root -silent | convert xwd:- "$BUILD_DIR/run.png"
echo "Screenshot: $BUILD_DIR/run.png"
