#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
# Extra arguments go to ctest (for example: -R Setup).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/build.sh"
BUILD_DIR="$ROOT/build/mingw"
source "$ROOT/scripts/wine-env.sh"

ensure_display
trap 'stop_wineserver; stop_display' EXIT
ensure_prefix
start_wineserver
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 300 "$@" </dev/null
