#!/usr/bin/env bash
# Builds the Release program and packs build/release/Travine11-<version>-win64.zip with CPack.
# Then checks what users get: the ZIP holds no DLL, its program is small, stripped and imports
# only system DLLs, and, unpacked into an empty folder, it starts under Wine, shows its window
# and ends with 0 when closed.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/build.sh" mingw-release
BUILD_DIR="$ROOT/build/release"
(cd "$BUILD_DIR" && cpack -G ZIP >/dev/null)
version="$(sed -n 's/^project(Travine11 VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")"
zip="$BUILD_DIR/Travine11-$version-win64.zip"
[ -f "$zip" ] || { echo "package.sh: $zip was not made" >&2; exit 1; }

check="$BUILD_DIR/unpacked"
rm -rf "$check"
mkdir -p "$check"
(cd "$check" && cmake -E tar xf "$zip")
echo "Contents of $(basename "$zip"):"
(cd "$check" && find . -type f | sort | sed 's/^\.\//  /')

fail() { echo "package.sh: $*" >&2; exit 1; }
[ -z "$(find "$check" -iname '*.dll')" ] || fail "the package holds a DLL"
for f in Travine11.exe Help/option.htm README.txt; do
  [ -f "$check/$f" ] || fail "$f is missing"
done
exe="$check/Travine11.exe"
size=$(stat -c %s "$exe")
echo "Travine11.exe: $size bytes ($((size / 1024)) KiB)"
[ "$size" -lt $((400 * 1024)) ] || fail "Travine11.exe is 400 KiB or more"
objdump=x86_64-w64-mingw32-objdump
if $objdump -h "$exe" | grep -q '\.debug'; then fail "Travine11.exe carries debug sections"; fi
imports=$($objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
echo "Imports: $imports"
# Only DLLs Windows always takes from the system folder: the KnownDLLs, comctl32 (through the
# manifest) and the C runtime's API sets. Any other name would be searched for beside the program.
for dll in $imports; do
  case "$dll" in
    kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | shlwapi.dll | comctl32.dll | \
      comdlg32.dll | msvcrt.dll | api-ms-win-crt-*.dll) ;;
    *) fail "Travine11.exe imports $dll" ;;
  esac
done
# The version block's strings are UTF-16; read them whole rather than through an early-exiting
# grep, which pipefail would take for a failure.
texts="$(strings -el "$exe")"
grep -q 'FileVersion' <<<"$texts" && grep -q "$version" <<<"$texts" || fail "Travine11.exe has no version block"

source "$ROOT/scripts/wine-env.sh"
start_wine_session
"$WINE64" "$BUILD_DIR/bin/start_probe.exe" "$(win_path "$exe")" </dev/null
echo "Package: $zip"
