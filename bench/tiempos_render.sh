#!/usr/bin/env bash
# Wall time of brenquil-render on the heavier views with one thread and with
# every core, side by side in one run: the runs alternate (1, N, N, 1, ...) so
# that a change of load on the machine falls on both alike; the figures are
# the medians of the repetitions and the speed-up is the median of the
# per-pair ratios.
#
# usage: bench/tiempos_render.sh [-r REPETITIONS] [-t THREADS] [BRENQUIL_RENDER] [VIEW...]
#   REPETITIONS  timed pairs per view (default 3), after one untimed warm-up pair
#   THREADS      the many-thread count (default: nproc)
#   VIEWs among: conjunto frontera inversa parabola (default: all)
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/comun.sh
source "$raiz/bench/comun.sh"

repeticiones=3
hilos=$(nproc)
while getopts "r:t:h" opcion; do
  case $opcion in
    r) repeticiones=$OPTARG ;;
    t) hilos=$OPTARG ;;
    *) sed -n '2,13p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

# The views of bench_iteracion that take seconds to render.
declare -A vistas=(
  [conjunto]="--plano 300 --iteraciones 32766 --x -2.5 --y 1.5 --lado 3"
  [frontera]="--plano 300 --iteraciones 5000 --x -0.743643887037658704752191506114774 --y -0.131825904204811970493132056385139 --lado 1e-12"
  [inversa]="--plano 305 --iteraciones 1024 --x -4 --y 4 --lado 8"
  [parabola]="--plano 310 --iteraciones 4096 --x -6 --y 6 --lado 12"
)
programaYVistas tiempos_render "conjunto frontera inversa parabola" "$@"
temporal=$(mktemp -d)
trap 'rm -rf "$temporal"' EXIT

# Seconds of wall time of one render with $1 threads of view $2.
segundos() {
  # shellcheck disable=SC2086
  segundosDe "$programa" ${vistas[$2]} --threads "$1" -o "$temporal/v.png"
}

echo "brenquil-render: $programa"
echo "$(nproc) cores; $repeticiones timed pairs per view, medians of wall time"
echo "load average before: $(carga)"
echo
printf '%-9s %12s %12s %9s\n' view "1 thread s" "$hilos threads s" speed-up
for v in "${elegidas[@]}"; do
  segundos 1 "$v" >/dev/null
  segundos "$hilos" "$v" >/dev/null
  unos=() muchos=() razones=()
  for ((r = 0; r < repeticiones; r++)); do
    if ((r % 2 == 0)); then
      a=$(segundos 1 "$v"); b=$(segundos "$hilos" "$v")
    else
      b=$(segundos "$hilos" "$v"); a=$(segundos 1 "$v")
    fi
    unos+=("$a") muchos+=("$b")
    razones+=("$(cociente "$a" "$b")")
  done
  printf '%-9s %12.3f %12.3f %8.2fx\n' "$v" \
    "$(printf '%s\n' "${unos[@]}" | mediana)" \
    "$(printf '%s\n' "${muchos[@]}" | mediana)" \
    "$(printf '%s\n' "${razones[@]}" | mediana)"
done
echo
echo "load average after: $(carga)"
