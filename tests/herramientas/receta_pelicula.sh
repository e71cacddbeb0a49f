#!/usr/bin/env bash
# Runs the README's recipe for a zoom movie (the shell block that follows the
# line "<!-- receta: pelicula -->") with the built brenquil-render first on
# the PATH, and requires the MP4 it makes to hold as many frames as the
# recipe rendered (counted by ffprobe), and those frames to be the --frames
# the recipe asks for.
#
# usage: receta_pelicula.sh README.md BRENQUIL_RENDER
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: receta_pelicula.sh README.md BRENQUIL_RENDER" >&2; exit 2; }
. "$(dirname "$0")/receta.sh"
correr_receta pelicula "$1" "$2"

fotogramas=$(printf '%s\n' "$receta" | sed -n 's/.*--frames \([0-9]*\).*/\1/p' | head -1)
[ -n "$fotogramas" ] || { echo "FAIL: the recipe gives no --frames" >&2; exit 1; }
dibujados=$(find . -maxdepth 1 -name 'frame-*.png' | wc -l)
[ "$dibujados" = "$fotogramas" ] || { echo "FAIL: $dibujados frames drawn, the movie has $fotogramas" >&2; exit 1; }
[ -f zoom.mp4 ] || { echo "FAIL: the recipe made no zoom.mp4" >&2; exit 1; }
en_mp4=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 zoom.mp4)
[ "$en_mp4" = "$dibujados" ] || { echo "FAIL: zoom.mp4 holds $en_mp4 frames, $dibujados were drawn" >&2; exit 1; }
echo "PASS: zoom.mp4 holds the $dibujados frames drawn"
