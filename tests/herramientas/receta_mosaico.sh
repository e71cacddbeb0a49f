#!/usr/bin/env bash
# Runs the README's recipe for a poster in tiles (the shell block that follows
# the line "<!-- receta: mosaico -->") with the built brenquil-render, and
# requires the joined tiles to hold, pixel for pixel, the picture that one
# whole render gives.
#
# usage: receta_mosaico.sh README.md BRENQUIL_RENDER
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: receta_mosaico.sh README.md BRENQUIL_RENDER" >&2; exit 2; }
. "$(dirname "$0")/receta.sh"
correr_receta mosaico "$1" "$2"

# The whole picture at once, with the view and size the recipe gave its tiles.
vista=$(printf '%s\n' "$receta" | sed -n 's/.*--save-view \([^ ]*\).*/\1/p' | head -1)
tamano=$(printf '%s\n' "$receta" | sed -n 's/.*--size \([0-9]*x[0-9]*\).*/\1/p' | head -1)
[ -n "$vista" ] && [ -n "$tamano" ] || { echo "FAIL: the recipe names no view file or size" >&2; exit 1; }
brenquil-render "$vista" --size "$tamano" -o entera.png
[ -f poster.png ] || { echo "FAIL: the recipe made no poster.png" >&2; exit 1; }
diferentes=$(compare -metric AE entera.png poster.png null: 2>&1) || true
[ "$diferentes" = 0 ] || { echo "FAIL: the joined tiles differ from the whole render in $diferentes pixels" >&2; exit 1; }
[ "$(identify -format '%wx%h' poster.png)" = "$tamano" ] || { echo "FAIL: poster.png is not $tamano" >&2; exit 1; }
echo "PASS: the tiles joined are the whole $tamano picture"
