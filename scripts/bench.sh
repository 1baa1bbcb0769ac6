#!/usr/bin/env bash
# Benchmark (not a test) of the Release build under Wine:
#  - start-up: Travine11.exe against its two floors (the options window template alone, and
#    the window with its six page templates, nothing loaded), started in turn run after run by
#    tools/StartProbe.cpp, timed from process creation to a shown, painted, answering window;
#  - the peak working set of each, and the size of the release program;
#  - LoadOptions and SaveOptions on a full key against the same reads and writes through one
#    open key handle, and saving and loading a full backup file of the same settings against
#    them (tools/StoreBench.cpp);
#  - the price of a window property read and of a message with and without a comctl32 subclass
#    (tools/MessageBench.cpp), which under Wine sets the pace of filling the pages.
# BENCH_RUNS sets the start-up runs (12 by default).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
bash "$ROOT/scripts/build.sh" mingw-release >/dev/null
BUILD_DIR="$ROOT/build/release"
source "$ROOT/scripts/wine-env.sh"
start_wine_session

bin="$BUILD_DIR/bin"
programs=("$(win_path "$bin/startup_floor_dialog.exe")" "$(win_path "$bin/startup_floor_pages.exe")"
  "$(win_path "$bin/Travine11.exe")")
runs="${BENCH_RUNS:-12}"

echo "Release Travine11.exe: $(stat -c %s "$bin/Travine11.exe") bytes"
"$WINE64" "$bin/start_probe.exe" --runs 1 "${programs[@]}" </dev/null >/dev/null # warm the caches
result="$("$WINE64" "$bin/start_probe.exe" --runs "$runs" "${programs[@]}" </dev/null | tr -d '\r')"
echo "$result"
echo "$result" | awk '
  $1 == "startup_floor_dialog.exe" { dialog = $3 }
  $1 == "startup_floor_pages.exe" { pages = $3 }
  $1 == "Travine11.exe" { program = $3 }
  END {
    if (dialog > 0 && pages > 0 && program > 0) {
      printf "ratios (medians): Travine11.exe / pages floor %.2f, / dialog floor %.2f; pages floor / dialog floor %.2f\n",
        program / pages, program / dialog, pages / dialog
    }
  }'
"$WINE64" "$bin/store_bench.exe" 50 </dev/null | tr -d '\r'
"$WINE64" "$bin/message_bench.exe" </dev/null | tr -d '\r'
