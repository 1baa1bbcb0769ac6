#!/usr/bin/env bash
# Installs what is missing and builds the program, the stand-in extension and the tests.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/install-deps.sh"
cd "$ROOT"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -- -k 0
