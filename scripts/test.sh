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

paso "fuzz: record reader, PNG text reader, the double and perturbation paths against iterarPunto, the deep path against the P-bit loop"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
scripts/run-fuzzers.sh build/fuzz "${BRENQUIL_FUZZ_SECONDS:-30}"

paso "windows: build, unit tests and GUI tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows
# One wineserver for the whole run. Left to itself, the prefix's server exits a
# few seconds after its last program ends, and a program that starts just then
# cannot connect ("wine client error:0: recvmsg: Connection reset by peer").
# Its service processes and desktop live as long as it does, so wineboot
# starts them here, on the tests' display and on /dev/null: started by the
# first test, they would hold that test's output open and ctest would wait for
# them to the end.
ctestConServidor() {
  (
    source scripts/wine-env.sh "$PWD/build/windows/wineprefix"
    wineserver -p
    wineboot
  ) </dev/null >/dev/null 2>&1 || echo "test.sh: the Wine prefix's server did not start" >&2
  ctest --preset windows
}
export -f ctestConServidor
status=0
scripts/con-xvfb bash -c ctestConServidor || status=$?
WINEPREFIX="$PWD/build/windows/wineprefix" wineserver -k 2>/dev/null || true
exit $status
