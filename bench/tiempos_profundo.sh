#!/usr/bin/env bash
# Wall time of brenquil-render on views deeper than 80 bits against Debian's
# fractalnow with its multiple-precision loop and no interpolation
# (-l mp -L P -i 1), side by side in one run: same size, same limit, the
# precision P that brenquil-render chose for the view, every core for both.
# The runs alternate (brenquil-render first, then fractalnow first, ...) so
# that a change of load falls on both alike; the figures are medians and the
# ratio is the median of the per-pair ratios. Installs fractalnow when it is
# missing (apt-get).
#
# usage: bench/tiempos_profundo.sh [-r REPETITIONS] [-s WxH] [BRENQUIL_RENDER] [VIEW...]
#   REPETITIONS  timed pairs per view (default 3), after one untimed warm-up pair
#   WxH          picture size (default 400x400)
#   VIEWs among: punta50 copia74 (default: both)
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/comun.sh
source "$raiz/bench/comun.sh"

repeticiones=3
tamano=400x400
while getopts "r:s:h" opcion; do
  case $opcion in
    r) repeticiones=$OPTARG ;;
    s) tamano=$OPTARG ;;
    *) sed -n '2,15p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

# Each view: the centre c = X + Y i of the parameter plane, the side and the limit.
# punta50: side 1e-50 at the tip c = i, a Misiurewicz point (every pixel escapes).
# copia74: a small copy of the set of period 74 and size about 1.5e-55, 6.7e-28
# from i (its nucleus by Newton's method at 900 bits), with its interior.
declare -A vistas=(
  [punta50]="0 1 1e-50 2000"
  [copia74]="0.00000000000000000000000000051430935855736215780000911232232389224756226775539175190548835146241344900505845720287442390570669 1.0000000000000000000000000004241199110129118099866503973561273488666414338066475470641339624419567113091888867329 5e-55 3000"
)
programaYVistas tiempos_profundo "punta50 copia74" "$@"
if ! command -v fractalnow >/dev/null; then
  echo "installing fractalnow" >&2
  apt-get install -y fractalnow >/dev/null
fi
temporal=$(mktemp -d)
trap 'rm -rf "$temporal"' EXIT
ancho=${tamano%x*}
alto=${tamano#*x}
hilos=$(nproc)

# brenquil-render of view $1 (on plane 300 the pixel g + h i stands for c = g - h i).
brenquil() {
  local -a v
  read -ra v <<<"${vistas[$1]}"
  "$programa" --center "${v[0]},-${v[1]}" --side "${v[2]}" --iterations "${v[3]}" --size "$tamano" \
    -o "$temporal/b.png" "${@:2}"
}

# fractalnow of view $1 with P bits: its configuration holds the view (the
# span is the side across and side * height / width down) and a colouring.
fractalnow_() {
  local -a v
  read -ra v <<<"${vistas[$1]}"
  local altoLado
  altoLado=$(python3 -c "from decimal import Decimal as D; print(D('${v[2]}') * $alto / $ancho)")
  printf 'c075\nmandelbrot\n%s %s %s %s\n2 %s\n1\n0x0\niterationcount\nsmooth\nidentity\n0.025 0\n0 0xff 0.25 0xffffff 0.5 0xffff00 0.75 0xff0000 1 0xff\n' \
    "${v[0]}" "${v[1]}" "${v[2]}" "$altoLado" "${v[3]}" >"$temporal/f.config"
  fractalnow -c "$temporal/f.config" -l mp -L "$2" -i 1 -j "$hilos" -x "$ancho" -y "$alto" -o "$temporal/f.ppm"
}

echo "brenquil-render: $programa"
echo "fractalnow: $(command -v fractalnow) (-l mp -i 1 -j $hilos)"
echo "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $hilos cores; $tamano; $repeticiones timed pairs per view, medians of wall time"
echo "load average before: $(carga)"
echo
printf '%-9s %5s %7s %15s %13s %8s\n' view P limit "brenquil-render s" "fractalnow s" ratio
for v in "${elegidas[@]}"; do
  brenquil "$v" --save-view "$temporal/v.brv" </dev/null >/dev/null
  p=$(sed -n 's/^precision=//p' "$temporal/v.brv")
  [ -n "$p" ] || p=64
  segundosDe brenquil "$v" >/dev/null
  segundosDe fractalnow_ "$v" "$p" >/dev/null
  nuestros=() suyos=() razones=()
  for ((r = 0; r < repeticiones; r++)); do
    if ((r % 2 == 0)); then
      a=$(segundosDe brenquil "$v"); b=$(segundosDe fractalnow_ "$v" "$p")
    else
      b=$(segundosDe fractalnow_ "$v" "$p"); a=$(segundosDe brenquil "$v")
    fi
    nuestros+=("$a") suyos+=("$b") razones+=("$(cociente "$b" "$a")")
  done
  read -ra w <<<"${vistas[$v]}"
  printf '%-9s %5s %7s %15.3f %13.3f %7.1fx\n' "$v" "$p" "${w[3]}" \
    "$(printf '%s\n' "${nuestros[@]}" | mediana)" "$(printf '%s\n' "${suyos[@]}" | mediana)" \
    "$(printf '%s\n' "${razones[@]}" | mediana)"
done
echo
echo "load average after: $(carga)"
