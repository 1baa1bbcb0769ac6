#!/usr/bin/env bash
# Static analysis of the program's sources (not the tests): clang-tidy with the checks of
# .clang-tidy, then cppcheck. Both must find nothing; an accepted exception is marked at its line
# with the reason. Installs what is missing, like the other scripts.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/install-deps.sh"
cd "$ROOT"
cmake --preset mingw >/dev/null
BUILD_DIR="$ROOT/build/mingw"
# The compile commands of the program's own files, as the cross build runs them.
ninja -C "$BUILD_DIR" -t compdb >"$BUILD_DIR/compile_commands.json"
mapfile -t sources < <(ls win32/*.cpp settings/*.cpp ui/*.cpp pages/*.cpp app/*.cpp)

gcc_include=/usr/lib/gcc/x86_64-w64-mingw32/12-posix/include/c++
tidy_args=(--quiet -p "$BUILD_DIR" --extra-arg-before=--target=x86_64-w64-mingw32
  "--extra-arg=-isystem$gcc_include" "--extra-arg=-isystem$gcc_include/x86_64-w64-mingw32"
  "--extra-arg=-isystem$gcc_include/backward" --extra-arg=-Wno-unknown-warning-option)
status=0
echo "clang-tidy: ${#sources[@]} files"
tidy_out="$(clang-tidy "${tidy_args[@]}" "${sources[@]}" 2>/dev/null)" || true
if grep -qE '(warning|error):' <<<"$tidy_out"; then
  echo "$tidy_out"
  status=1
fi

echo "cppcheck"
cppcheck --quiet --error-exitcode=1 --enable=warning,performance,portability --inline-suppr \
  --std=c++17 --language=c++ -D_WIN32 -D_WIN64 -DUNICODE -D_UNICODE -I. -Ires \
  --suppress=missingIncludeSystem win32 settings ui pages app || status=1

[ "$status" -eq 0 ] && echo "lint: no findings"
exit "$status"
