#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time each, starting
# from the committed seed corpus (tests/fuzz/semillas/<name>/) and its
# dictionary (tests/fuzz/semillas/<name>.dict) when there is one. Crash inputs
# go to <build>/artefactos/. A single allocation of 64 MB or more counts as a
# failure: the readers hold little, whatever an input claims.
set -euo pipefail
dir=$1
segundos=${2:-30}
raiz=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
objetivos=("$dir"/tests/fuzz/fuzz_*)
[ ${#objetivos[@]} -gt 0 ] || { echo "no fuzz targets in $dir" >&2; exit 1; }
mkdir -p "$dir/artefactos"
for f in "${objetivos[@]}"; do
  [ -x "$f" ] || continue
  nombre=$(basename "$f")
  corpus="$dir/corpus/$nombre"
  mkdir -p "$corpus"
  opciones=(-max_total_time="$segundos" -malloc_limit_mb=64 -print_final_stats=1 -artifact_prefix="$dir/artefactos/$nombre-")
  diccionario="$raiz/tests/fuzz/semillas/${nombre#fuzz_}.dict"
  [ -f "$diccionario" ] && opciones+=(-dict="$diccionario")
  carpetas=("$corpus")
  semillas="$raiz/tests/fuzz/semillas/${nombre#fuzz_}"
  [ -d "$semillas" ] && carpetas+=("$semillas")
  echo "$nombre: ${segundos}s"
  "$f" "${opciones[@]}" "${carpetas[@]}"
done
