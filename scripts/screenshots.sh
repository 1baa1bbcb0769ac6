#!/usr/bin/env bash
# Renders the README's pictures with BUILD_DIR's picture taker (tools/PageShots.cpp) into
# OUT_DIR as PNG: every page, the Column edit dialog, the close question, the saved message and
# the Backup menu, in the normal colours and under high contrast ("-hc").
# Usage: scripts/screenshots.sh BUILD_DIR OUT_DIR
# scripts/approve-screenshots.sh approves what it renders; tests/compare-screenshots.sh compares
# it with the approved pictures.
#
# The pictures use a prefix of their own, with the same fonts as every prefix of the project
# (IPAPGothic standing in for "Yu Gothic UI", see scripts/wine-env.sh), so that what the tests
# leave in the main prefix never shows on them, and a screen of their own, so that nothing else
# on the machine's display (another program's windows, another depth) can either.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
if [ "$#" -ne 2 ]; then
  echo "usage: $0 BUILD_DIR OUT_DIR" >&2
  exit 2
fi
BUILD_DIR="$(cd "$1" && pwd)"
out="$2"
taker="$BUILD_DIR/bin/page_shots.exe"
if [ ! -f "$taker" ]; then
  echo "$taker is missing: build the page_shots target" >&2
  exit 1
fi

# An approval and a test run of the same build share the prefix, and two sets of windows on one
# desktop would cover each other: one rendering at a time. flock -o keeps the lock out of the
# processes started below, so that a Wine server that outlives a killed run cannot hold it.
if [ -z "${TRAVINE_PICTURES_LOCKED:-}" ]; then
  export TRAVINE_PICTURES_LOCKED=1
  exec flock -o -w 600 "$BUILD_DIR/wineprefix-pictures.lock" bash "$0" "$@"
fi

export WINEPREFIX_OVERRIDE="$BUILD_DIR/wineprefix-pictures"
unset DISPLAY
source "$ROOT/scripts/wine-env.sh"

stop_wineserver # whatever a killed run left behind
start_wine_session
shots="$(mktemp -d "$BUILD_DIR/pictures.XXXXXX")"
trap 'rm -rf "$shots"; stop_wineserver; stop_display' EXIT
# A hang fails here, before any caller's time-out. What was taken is kept all the same, so that
# a comparison can tell which pictures are missing.
status=0
if ! timeout 240 "$WINE64" "$taker" "$(win_path "$shots")" </dev/null >/dev/null 2>&1; then
  echo "page_shots.exe failed or timed out: a picture could not be taken" >&2
  status=1
fi
mkdir -p "$out"
shopt -s nullglob
for bmp in "$shots"/*.bmp; do
  convert "$bmp" -strip "$out/$(basename "${bmp%.bmp}").png"
done
exit "$status"
