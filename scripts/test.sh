#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
# Extra arguments go to ctest (for example: -R Setup).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/build.sh"
BUILD_DIR="$ROOT/build/mingw"
source "$ROOT/scripts/wine-env.sh"

start_wine_session
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 300 "$@" </dev/null
