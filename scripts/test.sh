#!/usr/bin/env bash
# Every test of the project, from a fresh clone on Debian: installs what is
# missing, then builds and tests the native build, the sanitizer builds, the
# fuzz targets and the Windows build (unit tests and GUI tests under Wine on a
# virtual display).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

paso() { printf '\n=== %s ===\n' "$*"; }

for preset in native asan tsan; do
  paso "$preset: build and unit tests"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

paso "fuzz: record reader, PNG text reader, iterarLote against iterarPunto"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
scripts/run-fuzzers.sh build/fuzz "${BRENQUIL_FUZZ_SECONDS:-30}"

paso "windows: build, unit tests and GUI tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows
status=0
scripts/con-xvfb ctest --preset windows || status=$?
WINEPREFIX="$PWD/build/windows/wineprefix" wineserver -k 2>/dev/null || true
exit $status
