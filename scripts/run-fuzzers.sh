#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time each, starting
# from the committed seed corpus.
set -euo pipefail
dir=$1
segundos=${2:-30}
raiz=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
objetivos=("$dir"/tests/fuzz/fuzz_*)
[ ${#objetivos[@]} -gt 0 ] || { echo "no fuzz targets in $dir" >&2; exit 1; }
for f in "${objetivos[@]}"; do
  [ -x "$f" ] || continue
  nombre=$(basename "$f")
  corpus="$dir/corpus/$nombre"
  mkdir -p "$corpus"
  semillas="$raiz/tests/fuzz/semillas/${nombre#fuzz_}"
  echo "$nombre: ${segundos}s"
  "$f" -max_total_time="$segundos" -print_final_stats=1 "$corpus" ${semillas:+$( [ -d "$semillas" ] && echo "$semillas")}
done
