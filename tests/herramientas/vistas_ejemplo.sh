#!/usr/bin/env bash
# Draws every example view (examples/*.str) with brenquil-render and requires
# of each: exit status 0, nothing on standard error (no value the program had
# to warn about, no view too deep for its coordinates), a 400 x 400 PNG, and
# a picture worth shipping: no colour covers more than MAXIMO percent of it,
# so that a blank, flat or nearly flat picture fails.
#
# usage: vistas_ejemplo.sh EXAMPLES_FOLDER BRENQUIL_RENDER
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: vistas_ejemplo.sh EXAMPLES_FOLDER BRENQUIL_RENDER" >&2; exit 2; }
ejemplos=$1
programa=$2
MAXIMO=80

carpeta=$(mktemp -d)
trap 'rm -rf "$carpeta"' EXIT
shopt -s nullglob
vistas=("$ejemplos"/*.str)
[ ${#vistas[@]} -gt 0 ] || { echo "FAIL: no example views in $ejemplos" >&2; exit 1; }

fallos=0
fallar() { echo "FAIL: $*" >&2; fallos=$((fallos + 1)); }
for vista in "${vistas[@]}"; do
  nombre=$(basename "$vista" .str)
  png=$carpeta/$nombre.png
  [ "$(stat -c %s "$vista")" = 135 ] || fallar "$nombre.str is not a 135-byte parameter record"
  if ! "$programa" "$vista" -o "$png" 2>"$carpeta/$nombre.err" </dev/null; then
    fallar "$nombre: brenquil-render failed: $(cat "$carpeta/$nombre.err")"
    continue
  fi
  [ -s "$carpeta/$nombre.err" ] && fallar "$nombre: brenquil-render warned: $(cat "$carpeta/$nombre.err")"
  medida=$(identify -format '%wx%h' "$png")
  [ "$medida" = 400x400 ] || fallar "$nombre: the picture is $medida"
  # The pixel count of the commonest colour, from ImageMagick's histogram.
  mayor=$(convert "$png" -format %c histogram:info:- | awk '{ n = $1 + 0; if (n > m) m = n } END { print m + 0 }')
  colores=$(identify -format %k "$png")
  echo "$nombre: $colores colours, the commonest on $((mayor * 100 / 160000))% of the picture"
  [ $((mayor * 100)) -le $((MAXIMO * 160000)) ] \
    || fallar "$nombre: one colour covers $((mayor * 100 / 160000))% of the picture (at most $MAXIMO% allowed)"
done
[ $fallos -eq 0 ] || exit 1
echo "PASS: ${#vistas[@]} example views drawn"
