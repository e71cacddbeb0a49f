#!/usr/bin/env bash
# brenquil-render beside its exact loop, an older build and XaoS: wall time of
# 400 x 400 renders on every core of the views of bench_lote, side by side in
# one run. Each round runs every
# contestant once, forwards in even rounds and backwards in odd ones, so that
# a change of load on the machine falls on all alike; the figures are the
# medians of the rounds and the ratios the medians of the per-round ratios.
#
# usage: bench/tiempos_par.sh [-r ROUNDS] [-v OLD_RENDER] [-g DIR] [BRENQUIL_RENDER] [VIEW...]
#   ROUNDS      timed rounds per view (default 5), after one untimed round
#   OLD_RENDER  the brenquil-render of an earlier build, timed as a column too
#   DIR         keeps each contestant's last picture of each view there
#   VIEWs among: valle borde6 borde12 conjunto (the default), and the deep
#   views borde14 borde15 espiral feigenbaum cerca125 misiurewicz, the
#   inverted planes inversa parabola, and caballitos (examples/)
# The columns: brenquil-render with the instruction set it picks, the same
# with BRENQUIL_VIA=x87 (the exact loop for every pixel), OLD_RENDER, and
# XaoS when xaos is on PATH (its -render mode, default algorithm), on the
# default views.
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/comun.sh
source "$raiz/bench/comun.sh"

repeticiones=5
viejo=
guardar=
while getopts "r:v:g:h" opcion; do
  case $opcion in
    r) repeticiones=$OPTARG ;;
    v) viejo=$OPTARG ;;
    g) guardar=$OPTARG ;;
    *) sed -n '2,16p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ "$repeticiones" -ge 1 ] 2>/dev/null || { echo "tiempos_par: -r takes a whole number from 1" >&2; exit 2; }
[ -z "$guardar" ] || mkdir -p "$guardar"

# The views of bench_lote's VISTAS, on plane 300 but where named, where the pixel
# w = g + h i stands for c = g - h i: with the upper-left corner X + Y i and
# the side S, the picture's rows go down from Im c = -Y to -Y + S, and the
# view centred on c = a + b i has X = a - S/2, Y = -b + S/2. --center takes
# the centre as a point w (a, -b) and gives exactly that corner, as
# bench_lote's alrededor() does.
#   valle     c from -0.755 + 0.09i (upper left) to -0.735 + 0.11i
#   borde6    side 1e-6 around a point of the boundary
#   borde12   side 1e-12 around the same point
#   conjunto  c from -2.5 - 1.5i (upper left) to 0.5 + 1.5i
#   borde14, borde15  sides 2e-14 and 1e-15 around the point of borde6
#   espiral   the spiral of examples/espiral-profunda.str at side 2e-15, 8000
#             iterations, colouring 365
#   feigenbaum, cerca125, misiurewicz  side 1e-13 about c = -1.4011551890920506,
#             -1.25 + 0.0015672901859593493i and -0.10109636384562 + 0.95628651080914i
#   inversa   plane 305, -4 + 4i, side 8;  parabola  plane 310, -6 + 6i, side 12
#   caballitos  examples/valle-caballitos.str as it stands
frontera=-0.743643887037158704752191506114774,-0.131825904205311970493132056385139
declare -A vistas=(
  [valle]="--plano 300 --iteraciones 2000 --x -0.755 --y -0.09 --lado 0.02"
  [borde6]="--plano 300 --iteraciones 3000 --center $frontera --lado 1e-6"
  [borde12]="--plano 300 --iteraciones 5000 --center $frontera --lado 1e-12"
  [conjunto]="--plano 300 --iteraciones 32766 --x -2.5 --y 1.5 --lado 3"
  [borde14]="--plano 300 --iteraciones 5000 --center $frontera --lado 2e-14"
  [borde15]="--plano 300 --iteraciones 5000 --center $frontera --lado 1e-15"
  [espiral]="--plano 300 --iteraciones 8000 --color 365 --x -0.7756837680090547975 --y 0.1364673682946911247 --lado 2e-15"
  [feigenbaum]="--plano 300 --iteraciones 5000 --center -1.401155189092050585,0 --lado 1e-13"
  [cerca125]="--plano 300 --iteraciones 5000 --center -1.25,-0.0015672901859593493 --lado 1e-13"
  [misiurewicz]="--plano 300 --iteraciones 5000 --center -0.10109636384562,-0.95628651080914 --lado 1e-13"
  [inversa]="--plano 305 --iteraciones 1024 --x -4 --y 4 --lado 8"
  [parabola]="--plano 310 --iteraciones 4096 --x -6 --y 6 --lado 12"
  [caballitos]="$raiz/examples/valle-caballitos.str"
)
# The same squares for XaoS: limit, then its view, the centre c = a + b i as
# "a b" and the width and height. Its picture has Im c growing downwards too:
# for every view its inside pixels (black) are brenquil-render's inside pixels
# but for about 0.1 % of them, and the mirrored picture differs far more.
declare -A vistasXaos=(
  [valle]="2000 -0.745 0.1 0.02 0.02"
  [borde6]="3000 -0.743643887037158704752191506114774 0.131825904205311970493132056385139 1e-6 1e-6"
  [borde12]="5000 -0.743643887037158704752191506114774 0.131825904205311970493132056385139 1e-12 1e-12"
  [conjunto]="32766 -1 0 3 3"
)

programaYVistas tiempos_par "valle borde6 borde12 conjunto" "$@"
hilos=$(nproc)
temporal=$(mktemp -d)
trap 'rm -rf "$temporal"' EXIT

concursantes=(auto x87)
declare -A titulos=([auto]="brenquil s" [x87]="x87 s" [viejo]="old s" [xaos]="XaoS s")
if [ -n "$viejo" ]; then
  if [ -x "$viejo" ]; then concursantes+=(viejo); else echo "tiempos_par: $viejo is not an executable: no old column" >&2; fi
fi
command -v xaos >/dev/null && concursantes+=(xaos)
compite() { [[ " ${concursantes[*]} " == *" $1 "* ]]; }

# Contestant $1's render of view $2 by program $3 with the environment that
# follows it ("VAR=value", or "-u VAR" to remove one), to $1-$2.png.
brenquil() {
  local concursante=$1 vista=$2 prog=$3; shift 3
  # shellcheck disable=SC2086
  env "$@" "$prog" ${vistas[$vista]} --threads "$hilos" -o "$temporal/$concursante-$vista.png"
}

# XaoS writes its settings under the home folder and reads them back: its
# runs get a home, configuration and runtime folder of their own, which the
# benchmark removes with the rest. Its messages go to xaos.log. An error in a
# script makes XaoS wait for a click on a dialog: the timeout ends such a run
# instead of the benchmark. $1 names the script; the rest, when given, is a
# command to run XaoS under.
mkdir "$temporal/casa" && mkdir -m 700 "$temporal/casa/run"
xaosRender() {
  local guion=$1; shift
  "$@" env QT_QPA_PLATFORM=offscreen HOME="$temporal/casa" XDG_CONFIG_HOME="$temporal/casa/config" \
    XDG_RUNTIME_DIR="$temporal/casa/run" timeout 600 \
    xaos -render "$temporal/$guion.xaf" -size 400x400 -basename "$temporal/xaos-$guion" -threads "$hilos" 2>>"$temporal/xaos.log"
}
# The animation script of one still picture: limit $2, view $3..$6. Solid
# guessing and periodicity checking stay as XaoS has them by default (on);
# the latter is named to say so.
guionXaos() {
  printf "(initstate)\n(formula 'mandel)\n(maxiter %s)\n(periodicity #t)\n(view %s %s %s %s)\n" "${@:2}" \
    >"$temporal/$1.xaf"
}
for v in "${elegidas[@]}"; do
  # shellcheck disable=SC2086
  if [ -n "${vistasXaos[$v]:-}" ]; then guionXaos "$v" ${vistasXaos[$v]}; fi
done
guionXaos arranque 1 -1 0 3 3

# Seconds of one render of view $2 by contestant $1.
segundos() {
  case $1 in
    auto) segundosDe brenquil "$@" "$programa" -u BRENQUIL_VIA ;;
    x87) segundosDe brenquil "$@" "$programa" BRENQUIL_VIA=x87 ;;
    viejo) segundosDe brenquil "$@" "$viejo" -u BRENQUIL_VIA ;;
    xaos) segundosDe xaosRender "$2" ;;
  esac
}

conjunto="x87 (no AVX2)"
grep -qw avx2 /proc/cpuinfo && conjunto=avx2
grep -qw avx512f /proc/cpuinfo && conjunto=avx512
echo "CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores"
echo "brenquil-render: $programa"
echo "  its own instruction set here: $conjunto (the widest this processor has; off for batches where it cannot pay)"
echo "  x87: the same with BRENQUIL_VIA=x87, the exact loop for every pixel"
compite viejo && echo "old build: $viejo"
if compite xaos; then
  echo "XaoS: $(command -v xaos), -render at 400x400, -threads $hilos, default algorithm"
else
  echo "XaoS: not on PATH, no column"
fi
echo "every render: 400 x 400 on $hilos threads, PNG written; $repeticiones timed rounds per view, medians of wall time"
echo "load average before: $(carga)"

if compite xaos; then
  # XaoS's fixed cost: starting (Qt and all), one iteration of the whole set,
  # the PNG. It is part of every XaoS figure below; nothing is subtracted.
  segundosDe xaosRender arranque >/dev/null
  [ -f "$temporal/xaos-arranque000000.png" ] || { echo "tiempos_par: XaoS wrote no picture:" >&2; tail "$temporal/xaos.log" >&2; exit 1; }
  arranques=()
  for ((r = 0; r < repeticiones; r++)); do arranques+=("$(segundosDe xaosRender arranque)"); done
  printf 'XaoS start-up (a whole-set picture of 1 iteration, with the PNG): %.3f s, part of each XaoS figure\n' \
    "$(printf '%s\n' "${arranques[@]}" | mediana)"
fi
echo

printf '%-11s' view
for c in "${concursantes[@]}"; do printf ' %10s' "${titulos[$c]}"; done
compite xaos && printf ' %14s' "brenquil/XaoS"
printf ' %13s' "brenquil/x87"
compite viejo && printf ' %13s' "brenquil/old"
printf '\n'
cpuXaos=()
for v in "${elegidas[@]}"; do
  # XaoS draws only the views it has a script of.
  enVista=()
  for c in "${concursantes[@]}"; do
    if [ "$c" != xaos ] || [ -n "${vistasXaos[$v]:-}" ]; then enVista+=("$c"); fi
  done
  # The untimed round; it also checks that XaoS drew the picture, and tells
  # how many cores XaoS kept busy.
  for c in "${enVista[@]}"; do segundos "$c" "$v" >/dev/null; done
  if [[ " ${enVista[*]} " == *" xaos "* ]]; then
    [ -f "$temporal/xaos-${v}000000.png" ] || { echo "tiempos_par: XaoS wrote no picture of $v:" >&2; tail "$temporal/xaos.log" >&2; exit 1; }
    if [ -x /usr/bin/time ]; then
      xaosRender "$v" /usr/bin/time -f '%P' -o "$temporal/cpu" >/dev/null
      cpuXaos+=("$v $(cat "$temporal/cpu")")
    fi
  fi
  declare -A tiempos=()
  for c in "${enVista[@]}"; do tiempos[$c]=""; done
  razonXaos=() razonX87=() razonViejo=()
  for ((r = 0; r < repeticiones; r++)); do
    orden=("${enVista[@]}")
    if ((r % 2 == 1)); then
      orden=()
      for ((i = ${#enVista[@]} - 1; i >= 0; i--)); do orden+=("${enVista[$i]}"); done
    fi
    declare -A ronda=()
    for c in "${orden[@]}"; do ronda[$c]=$(segundos "$c" "$v"); done
    for c in "${enVista[@]}"; do tiempos[$c]+="${ronda[$c]} "; done
    razonX87+=("$(cociente "${ronda[auto]}" "${ronda[x87]}")")
    [ -n "${ronda[xaos]:-}" ] && razonXaos+=("$(cociente "${ronda[auto]}" "${ronda[xaos]}")")
    [ -n "${ronda[viejo]:-}" ] && razonViejo+=("$(cociente "${ronda[auto]}" "${ronda[viejo]}")")
    unset ronda
  done
  printf '%-11s' "$v"
  # shellcheck disable=SC2086
  for c in "${concursantes[@]}"; do
    if [ -n "${tiempos[$c]:-}" ]; then printf ' %10.3f' "$(printf '%s\n' ${tiempos[$c]} | mediana)"; else printf ' %10s' -; fi
  done
  if [ ${#razonXaos[@]} -gt 0 ]; then printf ' %14.2f' "$(printf '%s\n' "${razonXaos[@]}" | mediana)"
  elif compite xaos; then printf ' %14s' -; fi
  printf ' %13.2f' "$(printf '%s\n' "${razonX87[@]}" | mediana)"
  [ ${#razonViejo[@]} -gt 0 ] && printf ' %13.2f' "$(printf '%s\n' "${razonViejo[@]}" | mediana)"
  printf '\n'
  unset tiempos
  [ -z "$guardar" ] || cp "$temporal"/*-"$v"*.png "$guardar"/
done
echo
echo "ratios: brenquil-render's time over the other's, median of the rounds (below 1: brenquil-render is faster)"
[ ${#cpuXaos[@]} -gt 0 ] && echo "XaoS's processor use in the untimed round, % of one core: ${cpuXaos[*]}"
echo "load average after: $(carga)"
