#!/usr/bin/env bash
# A big picture against the window's size: brenquil-render on every core for
# the same view at 3840 x 2160 with 2 x 2 samples per pixel and at 400 x 400,
# side by side in one run (alternating), with the peak memory (maximum
# resident set size) of each. Medians of the repetitions.
#
# usage: bench/tiempos_grande.sh [-r REPETITIONS] [BRENQUIL_RENDER]   (default 3)
set -euo pipefail
repeticiones=3
while getopts "r:h" opcion; do
  case $opcion in
    r) repeticiones=$OPTARG ;;
    *) sed -n '2,8p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
raiz=$(cd "$(dirname "$0")/.." && pwd)
programa=${1:-$raiz/build/native/tools/brenquil-render}
[ -x "$programa" ] || { echo "tiempos_grande: $programa is not an executable" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "tiempos_grande: needs GNU time (package time)" >&2; exit 2; }

# A view with escape bands and detail everywhere: the spiral of the README.
vista=(--center -0.743643887037158,0.131825904205330 --radius 1e-5 --iterations 1000)
temporal=$(mktemp -d)
trap 'rm -rf "$temporal"' EXIT

# "seconds kilobytes" of one run with the size and samples given.
medir() {
  /usr/bin/time -f '%e %M' -o "$temporal/t" "$programa" "${vista[@]}" "$@" -o "$temporal/v.png" >/dev/null
  cat "$temporal/t"
}
mediana() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "$(nproc) cores; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
medir >/dev/null
grandes=() pequenas=() memGrande=() memPequena=()
for ((r = 0; r < repeticiones; r++)); do
  read -r tg mg < <(medir --size 3840x2160 --supersample 2)
  read -r tp mp < <(medir)
  grandes+=("$tg") pequenas+=("$tp") memGrande+=("$mg") memPequena+=("$mp")
done
tg=$(printf '%s\n' "${grandes[@]}" | mediana)
tp=$(printf '%s\n' "${pequenas[@]}" | mediana)
printf '%-34s %10s %14s\n' "picture" "seconds" "peak memory"
printf '%-34s %10.2f %11.1f MB\n' "400 x 400" "$tp" "$(printf '%s\n' "${memPequena[@]}" | mediana | awk '{ print $1 / 1024 }')"
printf '%-34s %10.2f %11.1f MB\n' "3840 x 2160, 2 x 2 samples" "$tg" "$(printf '%s\n' "${memGrande[@]}" | mediana | awk '{ print $1 / 1024 }')"
awk -v a="$tg" -v b="$tp" 'BEGIN { printf "time ratio %.1f for %.1f times the samples\n", a / b, 3840 * 2160 * 4 / 160000 }'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
