#!/usr/bin/env bash
# A long fuzz campaign of one libFuzzer target, beside other work: JOBS copies
# of it at nice 19, each with its own random seed, sharing one corpus, for SECONDS of
# wall time; then the runs of all of them added up and written, with the
# commit they ran on, to build/fuzz-largo/campana/TARGET/cuenta. The build has
# no sanitizers (the test command's fuzz run has them): it makes two to three
# times as many runs. An interrupted campaign (Ctrl+C) still counts what ran.
#
# usage: scripts/campana-fuzz.sh TARGET SECONDS [JOBS]   (JOBS: default nproc)
#   TARGET  fuzz_perturbacion, fuzz_profundo, fuzz_lote, fuzz_registro or fuzz_png
# Exits 1 when a copy found a failure; its input is in the campaign's art/.
set -euo pipefail
[ $# -ge 2 ] || { sed -n '9,11p' "$0" >&2; exit 2; }
objetivo=$1 segundos=$2 trabajos=${3:-$(nproc)}
cd "$(dirname "$0")/.."
build=build/fuzz-largo
cmake --preset fuzz -B "$build" -DBRENQUIL_FUZZ_SANITIZERS= >/dev/null
cmake --build "$build" --target "$objetivo" >/dev/null
dir=$build/campana/$objetivo
mkdir -p "$dir/corpus" "$dir/art"
semillas=tests/fuzz/semillas/${objetivo#fuzz_}
if [ -d "$semillas" ]; then cp -n "$semillas"/* "$dir/corpus/"; fi

# The same limits and dictionary as the test command's fuzz run.
opciones=(-max_total_time="$segundos" -malloc_limit_mb=64 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$dir/art/")
diccionario=tests/fuzz/semillas/${objetivo#fuzz_}.dict
if [ -f "$diccionario" ]; then opciones+=(-dict="$diccionario"); fi

pids=()
terminar() { for p in "${pids[@]}"; do kill -INT "$p" 2>/dev/null || true; done; }
trap terminar INT TERM
for ((j = 0; j < trabajos; j++)); do
  nice -n 19 "$build/tests/fuzz/$objetivo" "${opciones[@]}" "$dir/corpus" >"$dir/log.$j" 2>&1 &
  pids+=($!)
done
for p in "${pids[@]}"; do wait "$p" || true; done
wait

runs=0
for ((j = 0; j < trabajos; j++)); do
  n=$(tr '\r' '\n' <"$dir/log.$j" | sed -n 's/^stat::number_of_executed_units: //p' | tail -1)
  runs=$((runs + ${n:-0}))
done
linea="$(date -u +%FT%TZ) $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- engine profundo sistema tests/fuzz || echo +changes) $objetivo: $runs runs in $trabajos jobs of ${segundos}s"
# Slow-unit files are not failures; crash-, leak-, timeout- and oom- ones are.
fallo=0
if compgen -G "$dir/art/[!s]*" >/dev/null; then fallo=1; linea+=", FAILED (see $dir/art/)"; fi
echo "$linea" | tee -a "$dir/cuenta"
commit=$(git rev-parse --short HEAD)
echo "runs of $objetivo on record for $commit without failure:" \
  "$(awk -v c="$commit" '$2 == c && !/FAILED/ { s += $4 } END { print s + 0 }' "$dir/cuenta")"
exit "$fallo"
