# shellcheck shell=bash
# Helpers of the timing scripts, sourced by them (not run on its own).

# Seconds of wall time of one run of the command given (a program and its
# arguments, or a function), with standard input and output closed off. A
# run that fails gives no figure: the status is 1, and the caller's set -e
# ends the script.
segundosDe() {
  local inicio fin
  inicio=$(date +%s.%N)
  "$@" </dev/null >/dev/null || { echo "failed: $*" >&2; return 1; }
  fin=$(date +%s.%N)
  awk -v a="$inicio" -v b="$fin" 'BEGIN { printf "%.6f\n", b - a }'
}

# The median of the numbers on standard input, one a line.
mediana() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# $1 / $2.
cociente() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f\n", a / b }'; }

# Other work on the machine takes cores from the many-thread runs: the load
# average before and after tells whether the figures can be trusted.
carga() { cut -d' ' -f1-3 /proc/loadavg; }

# The arguments [BRENQUIL_RENDER] [VIEW...] of the script named $1, its views
# being the keys of the array vistas and $2 the default ones: sets programa
# (the one given, or the native build's) and elegidas, the views to time.
# A missing program or an unknown view ends the script.
programaYVistas() {
  local guion=$1 omision=$2 v
  shift 2
  programa=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/native/tools/brenquil-render
  if [ $# -gt 0 ] && [ -z "${vistas[$1]:-}" ]; then programa=$1; shift; fi
  [ -x "$programa" ] || { echo "$guion: $programa is not an executable (build brenquil_render first)" >&2; exit 2; }
  elegidas=("$@")
  [ ${#elegidas[@]} -gt 0 ] || read -ra elegidas <<<"$omision"
  for v in "${elegidas[@]}"; do
    [ -n "${vistas[$v]:-}" ] || { echo "$guion: unknown view $v" >&2; exit 2; }
  done
}
