#!/usr/bin/env bash
# What a minute of 1080p at 30 frames a second (1800 frames) of the README's
# zoom movie would take to draw: a few 1920 x 1080 frames spread evenly over
# the 1800 are drawn one by one (--frame-range K-K, every core), and the
# mean of their times, times 1800, is the extrapolation. Both the elapsed
# time and the processor time (user + system) are kept: on a busy machine
# the elapsed time grows with the load, while the processor time divided by
# the cores tells what the same machine idle would take (the render scales
# with the cores). The machine, its cores and its load are printed with it.
#
# usage: bench/tiempos_pelicula.sh [-n FRAMES_SAMPLED] [BRENQUIL_RENDER]   (default 7)
set -euo pipefail
muestras=7
while getopts "n:h" opcion; do
  case $opcion in
    n) muestras=$OPTARG ;;
    *) sed -n '2,12p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ "$muestras" -ge 2 ] || { echo "tiempos_pelicula: sample at least 2 frames" >&2; exit 2; }
raiz=$(cd "$(dirname "$0")/.." && pwd)
programa=${1:-$raiz/build/native/tools/brenquil-render}
[ -x "$programa" ] || { echo "tiempos_pelicula: $programa is not an executable" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "tiempos_pelicula: needs GNU time (package time)" >&2; exit 2; }
temporal=$(mktemp -d)
trap 'rm -rf "$temporal"' EXIT
cd "$temporal"

# The views of the README's recipe.
"$programa" --center -0.75,0 --radius 2 --iterations 100 --size 320x180 --save-view inicio.str
"$programa" --center -0.743643887037158,0.131825904205330 --radius 1e-5 --iterations 1000 --size 320x180 \
  --save-view fin.str
total=1800

echo "CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
nucleos=$(nproc)
printf '%8s %10s %14s\n' frame elapsed "processor s"
suma=0 sumaCpu=0
for ((i = 0; i < muestras; i++)); do
  k=$(( i * (total - 1) / (muestras - 1) ))
  /usr/bin/time -f '%e %U %S' -o tiempo "$programa" inicio.str --zoom-to fin.str --frames "$total" --size 1920x1080 \
    --frame-range "$k-$k" -o "f-%05d.png"
  read -r segundos usuario sistema < tiempo
  cpu=$(awk -v u="$usuario" -v s="$sistema" 'BEGIN { printf "%.2f", u + s }')
  printf '%8d %10s %14s\n' "$k" "$segundos" "$cpu"
  suma=$(awk -v s="$suma" -v t="$segundos" 'BEGIN { print s + t }')
  sumaCpu=$(awk -v s="$sumaCpu" -v t="$cpu" 'BEGIN { print s + t }')
done
awk -v s="$suma" -v c="$sumaCpu" -v n="$muestras" -v t="$total" -v nucleos="$nucleos" 'BEGIN {
  printf "extrapolated from %d frames to %d:\n", n, t
  printf "  elapsed: mean %.2f s a frame, %.0f s (%.1f min) in all, at this load\n", s / n, s / n * t, s / n * t / 60
  printf "  processor: mean %.2f s a frame, %.0f s; over %d idle cores %.0f s (%.1f min)\n",
         c / n, c / n * t, nucleos, c / n * t / nucleos, c / n * t / nucleos / 60 }'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
