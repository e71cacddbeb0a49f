#!/usr/bin/env bash
# Times the window as a user sees it: from a key press typed through X (F12)
# until the screen shows the finished picture, checked pixel for pixel by
# tiempo_ventana.exe; and, side by side in the same run, brenquil-render on
# every core for the same view, natively and as brenquil-render.exe under
# Wine. The runs alternate, so that a change of load falls on all of them;
# the figures are medians, the ratios medians of the per-round ratios.
#
# usage: bench/tiempos_ventana.sh [-r REPETITIONS]   (default 5; after an untimed round)
# Needs the windows and native builds (brenquil, tiempo_ventana,
# brenquil_render); runs on $DISPLAY, or on a virtual display of its own.
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
cd "$raiz"

repeticiones=5
while getopts "r:h" opcion; do
  case $opcion in
    r) repeticiones=$OPTARG ;;
    *) sed -n '2,12p' "$0" >&2; exit 2 ;;
  esac
done
[ -n "${DISPLAY:-}" ] || exec scripts/con-xvfb "$0" "$@"

exe=build/windows/shell/brenquil.exe
reloj=build/windows/bench/ventana/tiempo_ventana.exe
cli=build/native/tools/brenquil-render
cli_exe=build/windows/tools/brenquil-render.exe
for f in "$exe" "$reloj" "$cli" "$cli_exe"; do
  [ -f "$f" ] || { echo "tiempos_ventana: $f is missing (build the windows and native presets)" >&2; exit 2; }
done
hilos=$(nproc)

# The light view: the start-up view's second render (limit 94). The views
# timed against brenquil-render: a boundary square of side 1e-12 at 10,000
# iterations (the x87 loop does nearly every pixel) and the seahorse valley,
# a square of side 0.02 at 2000 iterations (the double path does nearly
# every pixel).
ligera=(94 -4 8 16)
declare -A vistas=(
  [profunda]="10000 -0.743643887037151 0.131825904205331 1e-12"
  [valle]="2000 -0.755 -0.09 0.02"
)
nombres=(profunda valle)
declare -A titulos=(
  [profunda]="deep view (side 1e-12, 10,000 it.)"
  [valle]="seahorse valley (side 0.02, 2000 it.)"
)

temporal=$(mktemp -d)
pid=
terminar() {
  [ -n "${RELOJ_PID:-}" ] && kill "$RELOJ_PID" 2>/dev/null || true
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$temporal"
}
trap terminar EXIT

scripts/wine-run "$exe" &
pid=$!
for _ in $(seq 600); do
  ventana=$(xdotool search --onlyvisible --name '^Brenquil$' 2>/dev/null | head -1) && [ -n "$ventana" ] && break
  sleep 0.1
done
[ -n "${ventana:-}" ] || { echo "tiempos_ventana: no Brenquil window" >&2; exit 1; }

coproc RELOJ { scripts/wine-run "$reloj"; }

# Seconds from F12 to the finished picture of the view "$@" (limit x y side).
ventana_s() {
  local respuesta t0 fin
  echo "medir $*" >&"${RELOJ[1]}"
  read -r respuesta <&"${RELOJ[0]}"
  respuesta=${respuesta%$'\r'}
  [ "$respuesta" = listo ] || { echo "tiempos_ventana: $respuesta" >&2; exit 1; }
  # Without a window manager nobody gives the window the keyboard focus.
  until xdotool windowfocus --sync "$ventana" 2>/dev/null; do sleep 0.05; done
  t0=$(date +%s.%N)
  xdotool key F12
  read -r respuesta fin <&"${RELOJ[0]}"
  [ "$respuesta" = fin ] || { echo "tiempos_ventana: $respuesta $fin" >&2; exit 1; }
  awk -v a="$t0" -v b="${fin%$'\r'}" 'BEGIN { printf "%.4f\n", b - a }'
}

# Seconds of a brenquil-render run on every core for the view "$@".
cli_s() {
  local programa=$1 inicio fin; shift
  inicio=$(date +%s.%N)
  $programa --iteraciones "$1" --x "$2" --y "$3" --lado "$4" --threads "$hilos" -o "$temporal/v.png" </dev/null >/dev/null
  fin=$(date +%s.%N)
  awk -v a="$inicio" -v b="$fin" 'BEGIN { printf "%.4f\n", b - a }'
}

mediana() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
cociente() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f\n", a / b }'; }
carga() { cut -d' ' -f1-3 /proc/loadavg; }

echo "$(nproc) cores; $repeticiones rounds after an untimed one; load average before: $(carga)"
ventana_s "${ligera[@]}" >/dev/null
declare -A ventanas nativos wines razones razones_wine
for nombre in "${nombres[@]}"; do
  read -r -a vista <<<"${vistas[$nombre]}"
  ventana_s "${vista[@]}" >/dev/null
  cli_s "$cli" "${vista[@]}" >/dev/null
  cli_s "scripts/wine-run $cli_exe" "${vista[@]}" >/dev/null
done
ligeras=()
for ((r = 0; r < repeticiones; r++)); do
  ligeras+=("$(ventana_s "${ligera[@]}")")
  for nombre in "${nombres[@]}"; do
    read -r -a vista <<<"${vistas[$nombre]}"
    if ((r % 2 == 0)); then
      v=$(ventana_s "${vista[@]}"); n=$(cli_s "$cli" "${vista[@]}"); w=$(cli_s "scripts/wine-run $cli_exe" "${vista[@]}")
    else
      w=$(cli_s "scripts/wine-run $cli_exe" "${vista[@]}"); n=$(cli_s "$cli" "${vista[@]}"); v=$(ventana_s "${vista[@]}")
    fi
    ventanas[$nombre]+="$v " nativos[$nombre]+="$n " wines[$nombre]+="$w "
    razones[$nombre]+="$(cociente "$v" "$n") " razones_wine[$nombre]+="$(cociente "$v" "$w") "
  done
done
echo "salir" >&"${RELOJ[1]}"
wait "$RELOJ_PID" 2>/dev/null || true
# The program is closed as a user closes it, and the prefix's Wine processes
# end before the virtual display does.
until xdotool windowfocus --sync "$ventana" 2>/dev/null; do sleep 0.05; done
xdotool key alt+F4
wait "$pid" 2>/dev/null || true
pid=
(source scripts/wine-env.sh "$raiz/build/windows/wineprefix" && timeout 20 wineserver -w) || true

printf '\n%-58s %9s\n' "" "median s"
printf '%-58s %9.3f\n' "window, light view (start-up view, limit 94), F12 to picture" "$(printf '%s\n' "${ligeras[@]}" | mediana)"
mediana_de() { tr ' ' '\n' <<<"$1" | grep . | mediana; }
for nombre in "${nombres[@]}"; do
  t=${titulos[$nombre]}
  printf '%-58s %9.3f\n' "window, $t, F12 to picture" "$(mediana_de "${ventanas[$nombre]}")"
  printf '%-58s %9.3f\n' "  brenquil-render, $hilos threads, native" "$(mediana_de "${nativos[$nombre]}")"
  printf '%-58s %9.3f\n' "  brenquil-render.exe, $hilos threads, under Wine" "$(mediana_de "${wines[$nombre]}")"
  printf '%-58s %8.2fx\n' "  window / native brenquil-render" "$(mediana_de "${razones[$nombre]}")"
  printf '%-58s %8.2fx\n' "  window / brenquil-render.exe under Wine" "$(mediana_de "${razones_wine[$nombre]}")"
done
echo
echo "load average after: $(carga)"
