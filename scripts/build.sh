#!/usr/bin/env bash
# Installs what is missing and builds with a CMake preset: "mingw" (the default: the program,
# the stand-in extension, the tests and tools) or "mingw-release" (the package's build).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/install-deps.sh"
cd "$ROOT"
preset="${1:-mingw}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -- -k 0
