#!/usr/bin/env bash
# Renders the README's pictures afresh with BUILD_DIR's picture taker and compares each with the
# approved one of the running Wine's set, docs/screenshots/wine-N (N its major version). A picture
# that differs leaves NAME.actual.png (the new rendering) and NAME.diff.png (the approved picture
# faded, the differing pixels in red) beside the approved one; scripts/approve-screenshots.sh
# approves the new renderings on purpose. Under a Wine with no approved set it exits with 77,
# which CTest reports as skipped.
# Usage: tests/compare-screenshots.sh BUILD_DIR
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)"
source "$ROOT/scripts/wine-env.sh"
if ! set_dir="$(picture_set_dir)"; then
  echo "FAIL cannot tell which Wine runs: $WINE64 --version does not say" >&2
  exit 1
fi
approved_dir="$ROOT/$set_dir"
if [ ! -d "$approved_dir" ]; then
  echo "SKIPPED: no approved pictures for $("$WINE64" --version </dev/null) ($set_dir is missing); approve a set for it with scripts/approve-screenshots.sh"
  exit 77
fi

# The comparison is exact. Renderings of one build did not differ by a single pixel: 22 of them
# on this 2-core machine, 6 with nothing beside, 6 each while settings_tests and window_tests
# ran over and over beside (in prefixes and on screens of their own), 3 with both cores kept
# busy and 1 in a new prefix. Wine draws this text without smoothing, the caret does not blink
# and the pointer rests off the window, so nothing is left to chance; a tolerance would only
# hide a real change of a few pixels, such as a focus rectangle or an underline gone missing.
fuzz="0%"
allowed_pixels=0

fresh="$BUILD_DIR/screenshots-compared"
rm -rf "$fresh"
rm -f "$approved_dir"/*.actual.png "$approved_dir"/*.diff.png
shopt -s nullglob
failures=0
fail() {
  echo "FAIL $1" >&2
  failures=$((failures + 1))
}

bash "$ROOT/scripts/screenshots.sh" "$BUILD_DIR" "$fresh" || fail "the rendering failed"

# The pictures of one name, padded to the same size when their sizes differ, so that a moved
# edge still shows in a difference picture.
same_size() {
  local a="$1" b="$2" wa ha wb hb
  read -r wa ha < <(identify -format '%w %h\n' "$a")
  read -r wb hb < <(identify -format '%w %h\n' "$b")
  local w=$((wa > wb ? wa : wb)) h=$((ha > hb ? ha : hb))
  convert "$a" -background magenta -gravity NorthWest -extent "${w}x$h" "$fresh/.approved.png"
  convert "$b" -background magenta -gravity NorthWest -extent "${w}x$h" "$fresh/.actual.png"
  echo "${wa}x$ha" "${wb}x$hb"
}

rendered=("$fresh"/*.png)
[ "${#rendered[@]}" -gt 0 ] || fail "no picture was rendered"
compared=0
for new in "${rendered[@]}"; do
  name="$(basename "$new" .png)"
  old="$approved_dir/$name.png"
  if [ ! -f "$old" ]; then
    cp "$new" "$approved_dir/$name.actual.png"
    fail "$name: rendered but never approved; see $approved_dir/$name.actual.png"
    continue
  fi
  compared=$((compared + 1))
  read -r old_size new_size < <(same_size "$old" "$new")
  rc=0
  pixels="$(compare -metric AE -fuzz "$fuzz" "$fresh/.approved.png" "$fresh/.actual.png" \
    "$fresh/.diff.png" 2>&1)" || rc=$?
  if [ "$rc" -gt 1 ] || ! [[ "$pixels" =~ ^[0-9]+$ ]]; then
    fail "$name: compare could not judge it: $pixels"
    continue
  fi
  if [ "$old_size" != "$new_size" ] || [ "$pixels" -gt "$allowed_pixels" ]; then
    cp "$new" "$approved_dir/$name.actual.png"
    cp "$fresh/.diff.png" "$approved_dir/$name.diff.png"
    fail "$name: $pixels pixels differ (approved $old_size, now $new_size); see
  $approved_dir/$name.actual.png
  $approved_dir/$name.diff.png"
  fi
done

for old in "$approved_dir"/*.png; do
  name="$(basename "$old" .png)"
  case "$name" in *.actual | *.diff) continue ;; esac
  [ -f "$fresh/$name.png" ] || fail "$name: approved but no longer rendered"
done

# Every picture the README shows is an approved one, of a name rendered here.
shown_count=0
while read -r shown; do
  shown_count=$((shown_count + 1))
  name="$(basename "$shown")"
  if ! [[ "$shown" =~ ^docs/screenshots/wine-[0-9]+/[^/]+$ ]] || [ ! -f "$ROOT/$shown" ] ||
    [ ! -f "$fresh/$name" ]; then
    fail "README.md shows $shown, which is not an approved picture of a rendered name"
  fi
done < <(grep -oE '!\[[^]]*\]\([^)]*\)' "$ROOT/README.md" | sed -E 's/.*\((.*)\)/\1/' | sort -u)
[ "$shown_count" -gt 0 ] || fail "README.md shows no picture at all"

if [ "$failures" -gt 0 ]; then
  echo "$failures of the pictures' checks failed under $("$WINE64" --version </dev/null). If the" \
    "change is meant, approve the new pictures: scripts/approve-screenshots.sh" >&2
  exit 1
fi
echo "$compared pictures match the approved ones in $set_dir"
